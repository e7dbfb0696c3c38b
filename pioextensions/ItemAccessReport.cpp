#include "pioextensions/ItemAccessReport.h"
#include "pioextensions/Module1.h"
#include "pioextensions/enmExeption.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"

namespace ItemAccessReport {

namespace {

struct FailedRow {
    int32_t failed;
    int32_t code;
    const char* description; // %1: the item name
};

// The failed flags of the item manager's accesses.
constexpr FailedRow kFailedRows[] = {
    {applet::kItemWrongType, INVALID_DATATYPE, "Falsche Zugriffsfunktion"},
    {applet::kItemBadValue, INVALID_DATATYPE, "Der Wert passt nicht zu %1"},
    {applet::kItemUnknown, REGISTRATION_FAILED, "%1 ist nicht registriert"},
};

const FailedRow& RowOf(int32_t failed)
{
    for (const FailedRow& row : kFailedRows)
        if (row.failed == failed)
            return row;
    static constexpr FailedRow kOther{0, INVALID_DATATYPE, "Zugriff auf %1 fehlgeschlagen"};
    return kOther;
}

QString DescriptionOf(const FailedRow& row, const QString& itemName)
{
    const QString text = QString::fromUtf8(row.description);
    return text.contains(QLatin1String("%1")) ? text.arg(itemName) : text;
}

} // namespace

void Report(int32_t failed, const char* source, const QString& itemName)
{
    if (failed == applet::kItemOk)
        return;
    const FailedRow& row = RowOf(failed);
    Module1::ReportItemError(row.code, QString::fromLatin1(source), DescriptionOf(row, itemName));
}

void ReportAs(int32_t failed, const QString& source, const QString& description)
{
    if (failed != applet::kItemOk)
        Module1::ReportItemError(RowOf(failed).code, source, description);
}

void Raise(int32_t failed, const char* source, const QString& itemName)
{
    if (failed == applet::kItemOk)
        return;
    const automation::ComError error = ErrorOf(failed, QString::fromLatin1(source), itemName);
    Module1::ReportItemError(error.number(), error.source(), error.description());
    throw error;
}

automation::ComError ErrorOf(int32_t failed, const QString& source, const QString& itemName)
{
    const FailedRow& row = RowOf(failed);
    return automation::ComError(row.code, DescriptionOf(row, itemName), source);
}

automation::ComError Failure(const QString& source, const QString& description)
{
    Module1::ReportItemError(REGISTRATION_FAILED, source, description);
    return automation::ComError(REGISTRATION_FAILED, description, source);
}

} // namespace ItemAccessReport
