#pragma once
// A valid input record for the engine tests: water through an orifice plate
// with corner tappings, D 100 mm, beta 0.5, at 20 C and 5 bar.
#include "platform/flowcalc/MvCalculationEngine.h"
#include "platform/flowcalc/MvCalculationInput.h"

inline flowcalc::MvCalculationInput WaterThroughOrifice()
{
    flowcalc::MvCalculationInput in;
    in.mvMediumType = 1;
    in.mvBlendeDuese = 1;
    in.mvMolCO2 = 250;
    in.mvH0 = 250;
    in.mvReserved5 = 100;
    in.mvBeta = 0.5;
    in.mvReDr = 2e5;
    in.MvInTLoLIm = 0;
    in.mvInTHiLim = 80;
    in.mvPr = 5;
    in.mvdpr = 250;
    in.mvKapa = 1.4;
    in.mvKQCL = 100;
    in.mvInDpLoLim = 0;
    in.mvInDpHiLim = 500;
    in.mvInPLoLim = 1;
    in.mvInPHiLim = 10;
    in.mvRhor = 998.2;
    in.mvTr = 20;
    for (double& z : in.mvZkb)
        z = 1.0;
    return in;
}

// Natural gas with a compressibility matrix over 2 to 10 bar and 0 to 40 C.
inline void UseGasMatrix(flowcalc::MvCalculationInput& in)
{
    in.mvMediumType = 4;
    in.mvRhonorm = 0.7175;
    for (int i = 0; i < 3; ++i) {
        in.mvPkb[i] = 2.0 + 4 * i;
        in.mvTkb[i] = 20.0 * i;
    }
    for (int i = 0; i < 9; ++i)
        in.mvZkb[i] = 0.99 - 0.001 * i;
}

struct EngineResult {
    flowcalc::MvCalculationOutput out;
    int32_t status = -1;
    QString warning;
};

inline EngineResult Calculate(const flowcalc::MvCalculationInput& in, int16_t countryCode = 1)
{
    flowcalc::MvCalculationEngine engine;
    engine.SetCountryCode(countryCode);
    EngineResult r;
    engine.Calculate(in, QStringLiteral("22"), r.out, r.status, r.warning);
    return r;
}
