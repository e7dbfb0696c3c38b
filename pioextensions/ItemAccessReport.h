#pragma once
// How the item objects answer a value access the manager refused: the failed
// flag of the access becomes an error code and a description (one table), and
// is either handed to the report hook or raised.
#include "platform/automation/ComError.h"
#include <QString>
#include <cstdint>

namespace ItemAccessReport {

// Nothing for failed 0; otherwise Module1::ReportItemError.
void Report(int32_t failed, const char* source, const QString& itemName);
// As Report, with the description the caller gives.
void ReportAs(int32_t failed, const QString& source, const QString& description);
// Nothing for failed 0; otherwise traces and raises the error.
void Raise(int32_t failed, const char* source, const QString& itemName);
// The error for a nonzero failed flag, neither traced nor raised: for a caller
// that raises what the item only reported.
automation::ComError ErrorOf(int32_t failed, const QString& source, const QString& itemName);
// A traced REGISTRATION_FAILED error for a binding that cannot reach its item.
automation::ComError Failure(const QString& source, const QString& description);

} // namespace ItemAccessReport
