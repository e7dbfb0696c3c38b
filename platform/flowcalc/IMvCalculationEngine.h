#pragma once
// The flow calculation engine as its callers see it, created through the
// class registry under kMvCalculationEngineProgId or its class identifier.
#include "platform/flowcalc/MvCalculationInput.h"
#include "platform/flowcalc/MvCalculationOutput.h"
#include <QString>
#include <cstdint>

namespace flowcalc {

inline const QString kMvCalculationEngineProgId = QStringLiteral("MvCalculationEngine");
inline const QString kMvCalculationEngineClassId = QStringLiteral("{AB5A14DF-501A-45F6-BB80-73ABAAE7E50C}");
inline const QString kMvCalculationEngineInterfaceId = QStringLiteral("{249D30F1-2C51-4B9C-847D-9FA10B1FFD98}");

// Status of a successful calculation.
constexpr int32_t kMvStatusOk = 0;
constexpr int32_t kMvStatusWarning = 1;

class IMvCalculationEngine {
public:
    virtual ~IMvCalculationEngine() = default;

    // Language of the error reasons and warning texts: 49 German, any other
    // value English.
    virtual void SetCountryCode(int16_t& countryCode) = 0;

    // One calculation. A failure raises automation::ComError whose
    // description is the reason; output, status and warningText are then
    // unchanged. On success every output field holds a result, status is
    // kMvStatusWarning with warningText set when the result holds but the
    // standard gives it a larger uncertainty, else kMvStatusOk with
    // warningText empty. softwareRevision is the device's revision text that
    // the record's string slot stands for.
    virtual void Calculate(const MvCalculationInput& input, const QString& softwareRevision,
                           MvCalculationOutput& output, int32_t& status, QString& warningText) = 0;
};

} // namespace flowcalc
