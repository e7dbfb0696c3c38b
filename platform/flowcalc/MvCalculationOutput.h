#pragma once
// The output record of one flow-coefficient calculation: 196 bytes, fields on
// 4-byte boundaries. What each field means and how the transmitter uses it is
// written down in MvCalculationEngine.h. The warning text of status 1 travels
// beside the record; offset 176 keeps the 4-byte slot of a string reference.
// The record is only 4-byte aligned: read and write its doubles by value,
// never through a reference or pointer to a field.
#include <cstddef>
#include <cstdint>

namespace flowcalc {

#pragma pack(push, 4)
struct MvCalculationOutput {
    double mvRemin = 0;
    double mvKqm = 0;
    double mvK[2] = {};                  // mvK1, mvK2
    double mvZr = 0;
    double mvHt[3] = {};                 // mvHt1 .. mvHt3
    double mvMolN2 = 0;
    double mvC[6] = {};                  // mvC1 .. mvC3, then mvReserved2 .. mvReserved4
    double mvEpsilon[3] = {};            // mvEpsilon1 .. mvEpsilon3
    double mvRhor = 0;                   // kg/m3
    double mvTr = 0;                     // C
    double mvKQCL = 0;
    double mvOutVolFlowMaxValue = 0;     // m3/s
    uint32_t warningTextRef = 0;         // string slot; always 0 here
    double mvInTHiLim = 0;               // C
    double MvInTLoLIm = 0;               // C
};
#pragma pack(pop)

static_assert(sizeof(MvCalculationOutput) == 196);
static_assert(offsetof(MvCalculationOutput, mvRemin) == 0);
static_assert(offsetof(MvCalculationOutput, mvKqm) == 8);
static_assert(offsetof(MvCalculationOutput, mvK) == 16);
static_assert(offsetof(MvCalculationOutput, mvZr) == 32);
static_assert(offsetof(MvCalculationOutput, mvHt) == 40);
static_assert(offsetof(MvCalculationOutput, mvMolN2) == 64);
static_assert(offsetof(MvCalculationOutput, mvC) == 72);
static_assert(offsetof(MvCalculationOutput, mvEpsilon) == 120);
static_assert(offsetof(MvCalculationOutput, mvRhor) == 144);
static_assert(offsetof(MvCalculationOutput, mvTr) == 152);
static_assert(offsetof(MvCalculationOutput, mvKQCL) == 160);
static_assert(offsetof(MvCalculationOutput, mvOutVolFlowMaxValue) == 168);
static_assert(offsetof(MvCalculationOutput, warningTextRef) == 176);
static_assert(offsetof(MvCalculationOutput, mvInTHiLim) == 180);
static_assert(offsetof(MvCalculationOutput, MvInTLoLIm) == 188);

} // namespace flowcalc
