#pragma once
// The input record of one flow-coefficient calculation: 380 bytes, fields on
// 4-byte boundaries, every physical value in its base unit (length mm,
// differential pressure mbar, static pressure bar, temperature degrees C,
// density kg/m3, flow kg/s or, for the gas medium 4, standard m3/s).
// The last field is the 4-byte slot of a string reference; the software
// revision text travels beside the record (IMvCalculationEngine::Calculate).
// The record is only 4-byte aligned: read and write its doubles by value,
// never through a reference or pointer to a field.
#include <cstddef>
#include <cstdint>

namespace flowcalc {

#pragma pack(push, 4)
struct MvCalculationInput {
    int32_t mvMediumType = 0;            // medium code (MvCalculationEngine.h)
    int32_t mvBlendeDuese = 0;           // primary element code
    int32_t mvMolCO2 = 0;                // material code of the pipe
    int32_t mvH0 = 0;                    // material code of the primary element
    double mvReserved5 = 0;              // inner pipe diameter D at 20 C, mm
    double mvBeta = 0;                   // diameter ratio d/D at 20 C
    double mvReDr = 0;                   // pipe Reynolds number at the design state
    double mvInTHiLim = 0;               // temperature correction range, C
    double MvInTLoLIm = 0;
    double mvPr = 0;                     // design static pressure (absolute), bar
    double mvdpr = 0;                    // design differential pressure, mbar
    double mvKapa = 0;                   // isentropic exponent
    double mvKQCL = 0;                   // design flow in % of the 100 % flow
    double mvInDpLoLim = 0;              // differential pressure correction range, mbar
    double mvInDpHiLim = 0;
    double mvInPLoLim = 0;               // static pressure correction range, bar
    double mvInPHiLim = 0;
    double mvOutMassFlowMaxValue = 0;    // 100 % flow: kg/s, standard m3/s for medium 4
    double mvRhor = 0;                   // design density, kg/m3
    double mvRhonorm = 0;                // standard density (1.01325 bar, 0 C), kg/m3
    double mvTr = 0;                     // design temperature, C
    double mvT[6] = {};                  // liquid density table: temperatures, C
    double mvrho[6] = {};                // liquid density table: densities, kg/m3
    double mvPkb[3] = {};                // compressibility matrix: pressures, bar
    double mvTkb[3] = {};                // compressibility matrix: temperatures, C
    double mvZkb[9] = {};                // factor of temperature row r, pressure column c at 3*(r-1)+(c-1)
    double unused = 0;
    uint32_t softwareRevisionRef = 0;    // string slot; always 0 here
};
#pragma pack(pop)

static_assert(sizeof(MvCalculationInput) == 380);
static_assert(offsetof(MvCalculationInput, mvMediumType) == 0);
static_assert(offsetof(MvCalculationInput, mvBlendeDuese) == 4);
static_assert(offsetof(MvCalculationInput, mvMolCO2) == 8);
static_assert(offsetof(MvCalculationInput, mvH0) == 12);
static_assert(offsetof(MvCalculationInput, mvReserved5) == 16);
static_assert(offsetof(MvCalculationInput, mvBeta) == 24);
static_assert(offsetof(MvCalculationInput, mvReDr) == 32);
static_assert(offsetof(MvCalculationInput, mvInTHiLim) == 40);
static_assert(offsetof(MvCalculationInput, MvInTLoLIm) == 48);
static_assert(offsetof(MvCalculationInput, mvPr) == 56);
static_assert(offsetof(MvCalculationInput, mvdpr) == 64);
static_assert(offsetof(MvCalculationInput, mvKapa) == 72);
static_assert(offsetof(MvCalculationInput, mvKQCL) == 80);
static_assert(offsetof(MvCalculationInput, mvInDpLoLim) == 88);
static_assert(offsetof(MvCalculationInput, mvInDpHiLim) == 96);
static_assert(offsetof(MvCalculationInput, mvInPLoLim) == 104);
static_assert(offsetof(MvCalculationInput, mvInPHiLim) == 112);
static_assert(offsetof(MvCalculationInput, mvOutMassFlowMaxValue) == 120);
static_assert(offsetof(MvCalculationInput, mvRhor) == 128);
static_assert(offsetof(MvCalculationInput, mvRhonorm) == 136);
static_assert(offsetof(MvCalculationInput, mvTr) == 144);
static_assert(offsetof(MvCalculationInput, mvT) == 152);
static_assert(offsetof(MvCalculationInput, mvrho) == 200);
static_assert(offsetof(MvCalculationInput, mvPkb) == 248);
static_assert(offsetof(MvCalculationInput, mvTkb) == 272);
static_assert(offsetof(MvCalculationInput, mvZkb) == 296);
static_assert(offsetof(MvCalculationInput, unused) == 368);
static_assert(offsetof(MvCalculationInput, softwareRevisionRef) == 376);

} // namespace flowcalc
