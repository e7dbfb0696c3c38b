// Cost of one flow-coefficient calculation (a liquid through an orifice plate,
// saturated steam whose temperature follows from its pressure) and of one flow
// value of the transmitter model, for a liquid and for saturated steam.
#include "platform/flowcalc/MvCalculationEngine.h"
#include "platform/flowcalc/MvFlowModel.h"
#include <benchmark/benchmark.h>

namespace {
using namespace flowcalc;

MvCalculationInput Water()
{
    MvCalculationInput in;
    in.mvMediumType = 1;
    in.mvBlendeDuese = 1;
    in.mvMolCO2 = 148; // carbon steel
    in.mvH0 = 3; // stainless steel 316
    in.mvReserved5 = 100;
    in.mvBeta = 0.5;
    in.mvReDr = 2e5;
    in.mvInTHiLim = 80;
    in.mvPr = 5;
    in.mvdpr = 250;
    in.mvKQCL = 80;
    in.mvInDpHiLim = 500;
    in.mvInPLoLim = 1;
    in.mvInPHiLim = 10;
    in.mvRhor = 998.2;
    in.mvTr = 20;
    return in;
}

MvCalculationInput Steam()
{
    MvCalculationInput in = Water();
    in.mvMediumType = 3;
    in.mvBlendeDuese = 2;
    in.mvPr = 10;
    in.mvdpr = 200;
    in.mvReDr = 1e6;
    in.mvInPLoLim = 5;
    in.MvInTLoLIm = 100;
    in.mvInTHiLim = 250;
    return in;
}

void Calculate(benchmark::State& state, const MvCalculationInput& in)
{
    MvCalculationOutput out;
    int32_t status = 0;
    QString warning;
    for (auto _ : state) {
        MvCalculationEngine engine;
        int16_t country = 1;
        engine.SetCountryCode(country);
        engine.Calculate(in, QStringLiteral("22"), out, status, warning);
        benchmark::DoNotOptimize(out);
    }
}

void BM_CalculateLiquidOrifice(benchmark::State& state)
{
    Calculate(state, Water());
}
BENCHMARK(BM_CalculateLiquidOrifice);

void BM_CalculateSaturatedSteam(benchmark::State& state)
{
    Calculate(state, Steam());
}
BENCHMARK(BM_CalculateSaturatedSteam);

// What the transmitter holds after a calculation for the input.
MvFlowCoefficients CoefficientsOf(const MvCalculationInput& in)
{
    MvCalculationOutput out;
    int32_t status = 0;
    QString warning;
    MvCalculationEngine().Calculate(in, QStringLiteral("22"), out, status, warning);
    return FlowCoefficientsFrom(in, out);
}

void BM_TransmitterFlowValue(benchmark::State& state)
{
    const MvCalculationInput in = Water();
    const MvFlowCoefficients k = CoefficientsOf(in);
    double dp = 100;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MvFlowFromCoefficients(k, dp, 5, 20));
        dp = dp < 400 ? dp + 1 : 100;
    }
}
BENCHMARK(BM_TransmitterFlowValue);

// Saturated steam by its pressure: the saturation temperature and the
// vapour density of the steam formulation at every value.
void BM_TransmitterSteamFlowValue(benchmark::State& state)
{
    const MvCalculationInput in = Steam();
    const MvFlowCoefficients k = CoefficientsOf(in);
    double p = in.mvPr * 0.8;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MvFlowFromCoefficients(k, in.mvdpr, p, 0));
        p = p < in.mvPr * 1.2 ? p + 0.01 : in.mvPr * 0.8;
    }
}
BENCHMARK(BM_TransmitterSteamFlowValue);

} // namespace

BENCHMARK_MAIN();
