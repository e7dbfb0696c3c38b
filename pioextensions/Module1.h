#pragma once
// The report hook of the item objects for accesses that do not fit an item's
// type and for sub-items the manager does not know. The caller carries on; the
// report is traced so that no such failure passes unseen.
#include <QString>
#include <cstdint>

namespace Module1 {

void ReportItemError(int32_t code, const QString& source, const QString& description);

} // namespace Module1
