#include "corvane/rules/Module1.h"
#include "mvtrivexhelper/IChangeUnitValue.h"
#include "pioextensions/clsAppItem.h"
#include "pioextensions/clsAppItemCollection.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/NumberedTextTable.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/DialogService.h"
#include <cmath>
#include <map>

namespace Module1 {

namespace {

const QString kStringTable = QStringLiteral(":/corvane/strings/Corvane.json");
const QString kActiveForms = QStringLiteral("ActiveForms");
const QString kEngineeringContext = QStringLiteral("EngineeringContext");

struct UnitRow {
    const char* text;
    int16_t hart;
    int16_t fieldbus; // PROFIBUS and FOUNDATION Fieldbus
};

const UnitRow kUnitCodes[] = {
    {"kg/s", 73, 1322}, {"m3/s", 28, 1347}, {"bar", 7, 1137},   {"mbar", 8, 1138}, {"C", 32, 1001},
    {"K", 35, 1000},    {"kg/m3", 92, 1097}, {"%", 57, 1342},   {"mm", 49, 1013},  {"in", 47, 1019},
};

// The table read once: id -> text. An unreadable table is traced once and
// leaves every lookup empty.
const std::map<int, QString>& StringTable()
{
    static const std::map<int, QString> table =
        applet::ReadNumberedTextTable(kStringTable, QStringLiteral("Module1.LoadLocalizedText"));
    return table;
}

bool BaseOf(int id, int& base)
{
    const auto& table = StringTable();
    const auto found = table.find(id);
    if (found == table.end())
        return false;
    bool isNumber = false;
    base = found->second.toInt(&isNumber);
    return isNumber;
}

// A unit argument: a code, or an item whose value is the code.
int32_t UnitOf(const QVariant& unit, const char* which)
{
    if (auto* item = unit.value<clsAppItem*>()) {
        bool isNumber = false;
        const double code = item->StringValue().trimmed().toDouble(&isNumber);
        if (isNumber)
            return static_cast<int32_t>(std::lround(code));
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("%1 of item \"%2\" is no unit code: \"%3\"")
                                       .arg(QString::fromLatin1(which), item->Name(), item->StringValue()),
                                   QStringLiteral("Module1.AdjustRangeWithMinSpan"));
    }
    bool isNumber = false;
    const double code = unit.toDouble(&isNumber);
    if (!isNumber)
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("%1 is no unit code: \"%2\"")
                                       .arg(QString::fromLatin1(which), unit.toString()),
                                   QStringLiteral("Module1.AdjustRangeWithMinSpan"));
    return static_cast<int32_t>(std::lround(code));
}

void RequireFinite(double value, const char* what)
{
    if (!std::isfinite(value))
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("%1 is not a finite number").arg(QString::fromLatin1(what)),
                                   QStringLiteral("Module1.AdjustRangeWithMinSpan"));
}

} // namespace

int32_t ShowMessageOnTop(const QString& prompt, int32_t buttons, const QString& title)
{
    dialogs::MessageBoxRequest request = dialogs::MessageBoxRequest::FromStyle(buttons, title, prompt);
    request.topMost = true;
    return static_cast<int32_t>(dialogs::DialogService::instance().ShowMessage(request));
}

int16_t GetUnitCode(int32_t commType, const QString& unitText)
{
    if (commType < 0 || commType > 2)
        return 0;
    for (const UnitRow& row : kUnitCodes)
        if (unitText == QLatin1String(row.text))
            return commType == 0 ? row.hart : row.fieldbus;
    return 0;
}

QString LoadLocalizedText(int16_t countryCode, int32_t textId)
{
    int base = 0;
    if (!BaseOf(countryCode, base) && !BaseOf(kCountryEnglish, base))
        return QString();
    const auto& table = StringTable();
    const auto found = table.find(base + textId);
    return found == table.end() ? QString() : found->second;
}

void ClampAwayFromReference(double& value, double reference, double minSpan, double lowLimit, double highLimit)
{
    if (value < lowLimit)
        value = lowLimit;
    else if (value > highLimit)
        value = highLimit;
    if (std::fabs(reference - value) >= minSpan)
        return;
    if (value <= reference && value != lowLimit)
        value = reference - minSpan;
    else
        value = reference + minSpan;
}

void ClampAwayFromReferenceMirrored(double reference, double& value, double minSpan, double lowLimit,
                                    double highLimit)
{
    if (value < lowLimit)
        value = lowLimit;
    else if (value > highLimit)
        value = highLimit;
    if (std::fabs(value - reference) >= minSpan)
        return;
    if (value >= reference && value != highLimit)
        value = reference + minSpan;
    else
        value = reference - minSpan;
}

void AdjustRangeWithMinSpan(IChangeUnitValue& converter, clsAppItem& first, clsAppItem& second,
                            const QVariant& rangeUnit, clsAppItem& minSpan, const QVariant& workUnit,
                            clsAppItem& lowerLimit, clsAppItem& upperLimit, const QVariant& limitUnit)
{
    const int32_t range = UnitOf(rangeUnit, "rangeUnit");
    const int32_t work = UnitOf(workUnit, "workUnit");
    const int32_t limit = UnitOf(limitUnit, "limitUnit");
    double f = converter.ChangeUnitValue(first.FloatValue(), range, work);
    const double s = converter.ChangeUnitValue(second.FloatValue(), range, work);
    const double lo = converter.ChangeUnitValue(lowerLimit.FloatValue(), limit, work);
    const double hi = converter.ChangeUnitValue(upperLimit.FloatValue(), limit, work);
    const double span = minSpan.FloatValue();
    // A range end or limit that is not a number would be written back as one.
    RequireFinite(f, "first range end");
    RequireFinite(s, "second range end");
    RequireFinite(lo, "lower limit");
    RequireFinite(hi, "upper limit");
    RequireFinite(span, "minimum span");
    if (s > f)
        ClampAwayFromReference(f, s, span, lo, hi);
    else
        ClampAwayFromReferenceMirrored(s, f, span, lo, hi);
    const double firstOut = converter.ChangeUnitValue(f, work, range);
    const double secondOut = converter.ChangeUnitValue(s, work, range);
    first.SetFloatValue(static_cast<float>(firstOut));
    second.SetFloatValue(static_cast<float>(secondOut));
}

void AddMessageBoxItems(clsAppItemCollection& items)
{
    items.Add(QStringLiteral("&&private_FDT&&ActiveForms"), false, 0, nullptr, QString(), kActiveForms);
    items.Add(QStringLiteral("&&private_FDT&&EngineeringContext"), false, 0, nullptr, QString(), kEngineeringContext);
}

bool MessageBoxAllowed(const clsAppItemCollection& items)
{
    const double activeForms = items.Item(kActiveForms)->UIntValue();
    const double engineeringContext = items.Item(kEngineeringContext)->UIntValue();
    return activeForms != 0 || engineeringContext == -1;
}

} // namespace Module1
