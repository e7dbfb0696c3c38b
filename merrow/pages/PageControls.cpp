#include "merrow/pages/PageControls.h"
#include "dalvex/ctlDisplaySetting.h"
#include "merrow/shell/PioPage.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "mvtrivexhelper/UnitTable.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioRecordItem.h"
#include "platform/applet/AppletTrace.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/controls/PioCombo.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/PioText.h"
#include "platform/dialogs/DialogService.h"
#include <QFrame>
#include <QGridLayout>
#include <QStyleOptionFrame>
#include <QStyle>
#include <QLineEdit>
#include <QGroupBox>
#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace pagecontrols {

namespace {
constexpr int16_t kValueNotTakenText = 3940;
} // namespace

QLabel* TaggedLabel(QWidget* parent, const QString& name, int16_t textId, const QString& design)
{
    auto* label = new QLabel(design, parent);
    label->setObjectName(name);
    label->setProperty("Tag", QString::number(textId));
    return label;
}

QGroupBox* TaggedFrame(QWidget* parent, const QString& name, int16_t textId, const QString& design)
{
    auto* frame = new QGroupBox(design, parent);
    frame->setObjectName(name);
    frame->setProperty("Tag", QString::number(textId));
    return frame;
}

controls::PioText* Text(QWidget* parent, const QString& name, const QString& item)
{
    auto* text = new controls::PioText(parent);
    text->setObjectName(name);
    text->SetObjectNameText(item);
    return text;
}

controls::PioText* Text(QWidget* parent, const QString& name, const QString& item, int characters)
{
    controls::PioText* text = Text(parent, name, item);
    QLineEdit* field = text->ValueField();
    // Device texts are capitals and digits: a broad capital stands for each.
    QStyleOptionFrame option;
    option.initFrom(field);
    const QSize content(field->fontMetrics().horizontalAdvance(QString(characters, QLatin1Char('N'))),
                        field->fontMetrics().height());
    const QMargins margins = field->textMargins();
    field->setMinimumWidth(
        field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, content, field).width() + margins.left()
        + margins.right());
    return text;
}

controls::PioLabel* Label(QWidget* parent, const QString& name, const QString& item)
{
    auto* label = new controls::PioLabel(parent);
    label->setObjectName(name);
    label->SetObjectNameLabel(item);
    return label;
}

controls::PioCombo* Combo(QWidget* parent, const QString& name, const QString& item)
{
    auto* combo = new controls::PioCombo(parent);
    combo->setObjectName(name);
    combo->SetObjectNameCombo(item);
    return combo;
}

pioitems::PioAppItem* AppItem(QWidget* parent, const QString& name, const QString& item)
{
    auto* control = new pioitems::PioAppItem(parent);
    control->setObjectName(name);
    control->SetAppItemName(item);
    control->hide();
    return control;
}

pioitems::PioSequenceItem* SequenceItem(QWidget* parent, const QString& name, const QString& sequence)
{
    auto* control = new pioitems::PioSequenceItem(parent);
    control->setObjectName(name);
    control->SetAppItemName(sequence);
    control->hide();
    return control;
}

pioitems::PioRecordItem* RecordStateItem(QWidget* parent, const QString& name, const QString& record)
{
    auto* control = new pioitems::PioRecordItem(parent);
    control->setObjectName(name);
    control->SetAppItemName(record);
    control->SetRegisterControlItem(false);
    control->SetRegisterResponseItem(false);
    control->hide();
    return control;
}

FixedCurrentItems FixedCurrentItemControls(QWidget* page)
{
    FixedCurrentItems items;
    items.seqSetLevelCurr = SequenceItem(page, QStringLiteral("seqSetLevelCurr"), QStringLiteral("SetLevelCurr"));
    items.recLevelCurr = RecordStateItem(page, QStringLiteral("recLevelCurr"), QStringLiteral("Write_040"));
    items.appLevelCurr = AppItem(page, QStringLiteral("appLevelCurr"), QStringLiteral("levelCurr"));
    items.appCurr = AppItem(page, QStringLiteral("appCurr"), QStringLiteral("Curr"));
    items.appCurr->SetUpdateInterval(1);
    items.appDiagnosisExtension = AppItem(page, QStringLiteral("appDiagnosisExtension"), QStringLiteral("diagnosisExtension"));
    items.appDiagnosisExtension->SetUpdateInterval(1);
    items.appConnectionStatus = AppItem(page, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    return items;
}

void FollowSequenceStatus(const PioPage& page, pioitems::PioSequenceItem& sequence, int32_t status,
                          const std::function<void(bool succeeded)>& onReady)
{
    switch (status) {
    case 0:
        global::SetMainWindowEnabled(true);
        if (onReady)
            onReady(!page.SequenceFailed(sequence));
        break;
    case 1:
    case 2:
        sequence.DoAction(1);
        break;
    default:
        break;
    }
}

RangeLimitItems RangeLimitItemControls(QWidget* page, RangeLimits limits)
{
    // Control and item names of the unit, the lower and the upper limit.
    constexpr const char* kNames[][3][2] = {
        {{"appSensorLimitUnit", "ptrbSensorLimitUnit"},
         {"appLowerSensorLimit", "ptrbLowerSensorLimit"},
         {"appUpperSensorLimit", "ptrbUpperSensorLimit"}},
        {{"appMvInPUnit", "mvInPUnit"}, {"appMvInPLoLim", "mvInPLoLim"}, {"appMvInPHiLim", "mvInPHiLim"}},
    };
    const auto& names = kNames[static_cast<int>(limits)];
    const auto item = [&](int n) { return AppItem(page, QLatin1String(names[n][0]), QLatin1String(names[n][1])); };
    return {item(0), item(1), item(2)};
}

void LimitToRange(controls::PioDisplayControl& field, const RangeLimitItems& limits, int16_t unit)
{
    if (!global::gDeviceInfo)
        return;
    const enmCommType bus = global::gDeviceInfo->CommType();
    const auto from = static_cast<int16_t>(limits.unit->IntValue());
    double lower = 0;
    double upper = 0;
    if (!UnitTable::Convert(bus, from, unit, limits.lower->FloatValue(), lower)
        || !UnitTable::Convert(bus, from, unit, limits.upper->FloatValue(), upper)) {
        field.SetAllowedRange(std::nullopt, std::nullopt);
        return;
    }
    field.SetAllowedRange(std::min(lower, upper), std::max(lower, upper));
}

dialogs::OwnTitle CloseTitle(const QWidget& page)
{
    return {global::FillPlaceholders(global::LoadLocalizedText(2123), {page.windowTitle()})}; // "%1 Close"
}

void ReportFixedCurrentStays(const QWidget& page)
{
    // "Fixed Current Mode could not be deactivated!"
    dialogs::DialogService::instance().Information(CloseTitle(page), global::LoadLocalizedText(2122));
}

bool WrittenOrTold(const QWidget& page, const std::function<void()>& writes)
{
    try {
        writes();
        return true;
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: a value was not taken: %2 (%3)")
                                       .arg(page.objectName(), error.description(), error.source()));
    }
    // "The value was not taken; the function was not carried out."
    dialogs::DialogService::instance().Warning(page.windowTitle(), global::LoadLocalizedText(kValueNotTakenText));
    return false;
}

void ReportRefusal(const PioPage& page, const pioitems::PioSequenceItem& sequence)
{
    // "The device did not carry out the request; the output current stays as shown."
    dialogs::DialogService::instance().Warning(page.windowTitle(), page.FailureText(3862, sequence));
}

bool Connected(const pioitems::PioAppItem& connection)
{
    constexpr long kConnected = 2;
    return std::lround(connection.StringValue().trimmed().toDouble()) == kConnected;
}

bool FixedCurrentActive(const pioitems::PioAppItem& diagnosisExtension)
{
    return global::CheckDiagnosisExtension(diagnosisExtension.OctetValue().toByteArray(), 3);
}

bool CurrentAtLevel(double current, double level)
{
    constexpr double kTolerance = 0.01; // mA
    return std::isfinite(current) && std::abs(current - level) <= kTolerance;
}

bool HasRevision21Items()
{
    if (!global::gDeviceInfo)
        return false;
    try {
        if (global::gDeviceInfo->CommType() != enmCommType::HART)
            return false;
        bool number = false;
        const double revision = global::gDeviceInfo->softwareRevision().trimmed().toDouble(&number);
        return number && revision > 20;
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("Device revision not read: %1").arg(QString::fromLocal8Bit(error.what())));
        return false;
    }
}

controls::PioFieldControl* Field(QWidget* parent, const FieldRow& row)
{
    controls::PioFieldControl* field = nullptr;
    if (row.kind == FieldKind::Combo) {
        auto* combo = new controls::PioLabelComboUnit(parent);
        combo->SetObjectNameCombo(QLatin1String(row.item));
        field = combo;
    } else {
        auto* text = new controls::PioLabelTextUnit(parent);
        text->SetObjectNameText(QLatin1String(row.item));
        field = text;
    }
    field->setObjectName(QString::fromUtf8(row.control));
    field->setProperty("Tag", QString::number(row.textId));
    if (row.unitItem)
        field->SetObjectNameUnit(QLatin1String(row.unitItem));
    if (row.unitText)
        field->SetUnitText(QLatin1String(row.unitText));
    field->SetUnitVisible(row.unitItem || row.unitText);
    field->setEnabled(!row.readOnly);
    return field;
}

Cover::Cover(QWidget& page)
    : m_stack(new QStackedLayout(&page)), m_controls(new QWidget(&page)), m_fraHide(new QFrame(&page))
{
    m_fraHide->setObjectName(QStringLiteral("fraHide"));
    m_stack->addWidget(m_controls);
    m_stack->addWidget(m_fraHide);
    m_stack->setCurrentWidget(m_fraHide);
}

void Cover::SetCovered(bool covered)
{
    m_stack->setCurrentWidget(covered ? m_fraHide : m_controls);
}

bool Cover::Covered() const
{
    return m_stack->currentWidget() == m_fraHide;
}

void RequestRangeValuesOnce(pioitems::PioSequenceItem& seqGetRangeValues)
{
    if (global::RangeValuesRead || global::RangeValuesRequested)
        return;
    global::RangeValuesRequested = true;
    // A start that fails for good never runs: the next window asks again.
    QObject::connect(&seqGetRangeValues, &pioitems::PioSequenceItem::ActionDropped, &seqGetRangeValues,
                     [] { global::RangeValuesRequested = false; });
    seqGetRangeValues.Start();
}

void InitDisplaySetting(ctlDisplaySetting& setting, QObject* displayCtrl, QComboBox* cmbMeasValue)
{
    try {
        setting.Init(displayCtrl, cmbMeasValue);
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: the measured values were not offered: %2").arg(setting.objectName(), error.description()));
    }
}

void AddRow(QGridLayout& grid, QLabel* caption, QWidget* field)
{
    const int row = grid.rowCount();
    grid.addWidget(caption, row, 0);
    grid.addWidget(field, row, 1);
}

AdditionalInformation AdditionalInformationTab(const QString& softwareItem, QWidget* serialNumber,
                                               const QString& commTypeDesign)
{
    AdditionalInformation parts;
    parts.tab = new QWidget;
    auto* column = new QVBoxLayout(parts.tab);
    auto* revisions = new QGroupBox(parts.tab);
    revisions->setObjectName(QStringLiteral("fraRevisions"));
    revisions->setProperty("Tag", QStringLiteral("2260"));
    auto* revisionGrid = new QGridLayout(revisions);
    AddRow(*revisionGrid, TaggedLabel(revisions, QStringLiteral("Label4(0)"), 2261),
           Text(revisions, QStringLiteral("PioText4"), softwareItem));
    parts.lblHardwareRev = new QLabel(QStringLiteral("1.0"), revisions);
    parts.lblHardwareRev->setObjectName(QStringLiteral("lblHardwareRev"));
    AddRow(*revisionGrid, TaggedLabel(revisions, QStringLiteral("Label4(1)"), 2262), parts.lblHardwareRev);
    column->addWidget(revisions);
    auto* lower = new QGroupBox(parts.tab);
    lower->setObjectName(QStringLiteral("fraMore"));
    auto* lowerGrid = new QGridLayout(lower);
    serialNumber->setParent(lower);
    AddRow(*lowerGrid, TaggedLabel(lower, QStringLiteral("Label5(0)"), 2263), serialNumber);
    parts.lblCommType = new QLabel(commTypeDesign, lower);
    parts.lblCommType->setObjectName(QStringLiteral("lblCommType"));
    AddRow(*lowerGrid, TaggedLabel(lower, QStringLiteral("Label5(1)"), 2259), parts.lblCommType);
    column->addWidget(lower);
    column->addStretch(1);
    return parts;
}

} // namespace pagecontrols
