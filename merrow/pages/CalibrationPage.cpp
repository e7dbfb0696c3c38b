#include "merrow/pages/CalibrationPage.h"
#include "platform/applet/UserNumber.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/controls/PioDisplayControl.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/dialogs/DialogService.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

using namespace pagecontrols;

namespace {

constexpr int kConnected = 2;
constexpr int kAdjustText = 2136;
constexpr int kNotANumberText = 3870;
constexpr int kPointTakenText = 3871;
constexpr int kPointRefusedText = 3872;
constexpr int kNoAnswerText = 3877;
// The octet of a record's response that holds the device's response code.
constexpr int kResponseCodeOctet = 1;

// The device's reasons for refusing a balance point, by response code.
struct Refusal {
    uint8_t code;
    int16_t textId;
};
constexpr Refusal kRefusals[] = {
    {9, 3873},  // above the upper sensor limit
    {10, 3874}, // below the lower sensor limit
    {11, 3875}, // the characteristic would invert or flatten
    {29, 3876}, // span too small
};

QString Name(const char* prefix, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(prefix)).arg(index);
}

// A typed reference value in the user's number format.
std::optional<float> ToNumber(const QString& text)
{
    const std::optional<double> value = global::ParseNumber(text);
    if (!value)
        return std::nullopt;
    return static_cast<float>(*value);
}

} // namespace

CalibrationPage::CalibrationPage(const CalibrationDesign& design)
    : PioPage(QLatin1String(design.form), false, false), m_design(design)
{
    if (design.captionText > 0)
        setProperty("Tag", QString::number(design.captionText));
    m_controls = new QWidget;
    auto* column = new QVBoxLayout(m_controls);

    auto* points = new QGroupBox(m_controls);
    points->setObjectName(QStringLiteral("fraBalancePoints"));
    points->setProperty("Tag", QString::number(design.pointsFrameText));
    auto* grid = new QGridLayout(points);
    // Which value the item controls follow is set while the page is designed.
    pioitems::Ambient::SetUserMode(this, false);
    for (size_t i = 0; i < design.rows.size(); ++i) {
        const CalibrationRow& entry = design.rows[i];
        const int index = static_cast<int>(i);
        Row row;
        grid->addWidget(TaggedLabel(points, Name("lblAbgleichpunkt", index), entry.labelText), index, 0);
        row.text = new QLineEdit(points);
        row.text->setObjectName(Name("txtAbgleichpunkt", index));
        grid->addWidget(row.text, index, 1);
        row.unit = new QLabel(points);
        row.unit->setObjectName(Name("lblUnit", index));
        row.unit->setMinimumWidth(row.unit->fontMetrics().horizontalAdvance(QStringLiteral("inH2O(68F)")));
        grid->addWidget(row.unit, index, 2);
        row.button = new QPushButton(QStringLiteral("Adjust"), points);
        row.button->setObjectName(Name("cmdAbgleichpunkt", index));
        row.button->setProperty("Tag", QString::number(kAdjustText));
        row.button->setEnabled(false);
        grid->addWidget(row.button, index, 3);
        row.point = AppItem(this, Name(design.pointsControl, index), QLatin1String(entry.pointItem));
        row.sequence = SequenceItem(this, Name(design.sequenceControl, index), QLatin1String(entry.sequence));
        // Only the response: a watcher of the record's control would have to decide on every warning.
        row.record = new pioitems::PioRecordItem(this);
        row.record->setObjectName(Name("recAbgleichpunkt", index));
        row.record->SetAppItemName(QLatin1String(entry.record));
        row.record->SetRegisterStateItem(false);
        row.record->SetRegisterControlItem(false);
        row.record->hide();
        m_rows.push_back(row);
    }
    for (const CalibrationUnit& entry : design.units) {
        pioitems::PioAppItem* unit = AppItem(this, QLatin1String(entry.control), QLatin1String(entry.item));
        unit->SetRegisterOnShadow(entry.onShadow);
        unit->SetUpdateInterval(entry.updateInterval);
        m_units.push_back(unit);
    }
    if (design.calUnitControl) {
        m_appCalUnit = AppItem(this, QLatin1String(design.calUnitControl), QLatin1String(design.calUnitItem));
        m_appCalUnit->SetUpdateInterval(1);
    }
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    m_seqRead = SequenceItem(this, QLatin1String(design.readControl), QLatin1String(design.readSequence));
    pioitems::Ambient::SetUserMode(this, true);
    column->addWidget(points);

    auto* values = new QGroupBox(m_controls);
    values->setObjectName(QStringLiteral("fraMeasuredValues"));
    values->setProperty("Tag", QString::number(design.valuesFrameText));
    auto* valueColumn = new QVBoxLayout(values);
    for (const CalibrationDisplay& entry : design.displays) {
        auto* display = new controls::PioLabelTextUnit(values);
        display->setObjectName(QLatin1String(entry.control));
        display->setProperty("Tag", QString::number(entry.labelText));
        display->SetObjectNameText(QLatin1String(entry.valueItem));
        display->SetObjectNameUnit(QLatin1String(entry.unitItem));
        display->SetUpdateInterval(1);
        valueColumn->addWidget(display);
        m_displays.push_back(display);
    }
    column->addWidget(values);
    column->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    if (design.tabText > 0) {
        PageTabs* tabs = CreateTabs();
        layout->addWidget(tabs);
        tabs->AddTab(QStringLiteral("0t"), design.tabText, m_controls);
    } else {
        // The cover frame hides the controls until their items are registered.
        auto* stack = new QWidget(this);
        m_cover = new QStackedLayout(stack);
        m_fraBlend = new QWidget(stack);
        m_fraBlend->setObjectName(QStringLiteral("fraBlend"));
        m_cover->addWidget(m_controls);
        m_cover->addWidget(m_fraBlend);
        m_cover->setCurrentWidget(m_fraBlend);
        layout->addWidget(stack);
    }

    for (size_t i = 0; i < m_rows.size(); ++i) {
        const int index = static_cast<int>(i);
        const Row& row = m_rows[i];
        connect(row.text, &QLineEdit::textChanged, this, [this, index] { txtAbgleichpunkt_Change(index); });
        connect(row.button, &QPushButton::clicked, this, [this, index] { cmdAbgleichpunkt_Click(index); });
        connect(row.sequence, &pioitems::PioSequenceItem::StatusChanged, this,
                [this, index](int32_t status) { seqWrite_StatusChanged(index, status); });
        connect(row.sequence, &pioitems::PioSequenceItem::ActionDropped, this, [this, index] {
            if (m_calibrating != index)
                return;
            m_calibrating = -1;
            Fail(global::FillPlaceholders(GetTextFromResource(kPointRefusedText), {GetTextFromResource(kNoAnswerText)}));
        });
    }
    for (size_t u = 0; u < m_units.size(); ++u)
        connect(m_units[u], &pioitems::PioAppItem::ValueChanged, this,
                [this, u] { appUnit_ValueChanged(static_cast<int>(u)); });
    connect(m_appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_seqRead, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqRead_StatusChanged(status); });
    // A read that never started leaves the rows to the user.
    connect(m_seqRead, &pioitems::PioSequenceItem::ActionDropped, this, [this] {
        if (m_reading)
            EndRead();
    });
}

bool CalibrationPage::Covered() const
{
    if (Tabs())
        return Tabs()->Covered();
    return m_cover->currentWidget() == m_fraBlend;
}

void CalibrationPage::OnBeforeRegister()
{
    if (!HasRevision21Items())
        return;
    // Newer HART devices show the process values and their units under their own items.
    for (size_t u = 0; u < m_units.size(); ++u)
        m_units[u]->SetAppItemName(QLatin1String(m_design.units[u].item) + kRevision21Suffix);
    for (size_t d = 0; d < m_displays.size(); ++d) {
        m_displays[d]->SetObjectNameText(QLatin1String(m_design.displays[d].valueItem) + kRevision21Suffix);
        m_displays[d]->SetObjectNameUnit(QLatin1String(m_design.displays[d].unitItem) + kRevision21Suffix);
    }
}

void CalibrationPage::OnFirstActivation()
{
    if (const int16_t caption = CaptionText()) {
        setProperty("Tag", QString::number(caption));
        setWindowTitle(GetTextFromResource(caption));
    }
    if (m_cover)
        m_cover->setCurrentWidget(m_controls);
    // The units pushed while the controls registered came before the page counted as registered.
    for (size_t u = 0; u < m_units.size(); ++u)
        appUnit_ValueChanged(static_cast<int>(u));
    // The device's calibration points are read once the page is open; the
    // reading's request state is answered below.
    m_reading = true;
    m_readBegun = false;
    appConnectionStatus_ValueChanged();
    m_seqRead->Force();
}

void CalibrationPage::EndRead()
{
    m_reading = false;
    m_readBegun = false;
    appConnectionStatus_ValueChanged();
}

void CalibrationPage::OnUnload()
{
    if (m_cover)
        m_cover->setCurrentWidget(m_fraBlend);
}

void CalibrationPage::appConnectionStatus_ValueChanged()
{
    const bool connected = std::lround(m_appConnectionStatus->StringValue().trimmed().toDouble()) == kConnected;
    for (const Row& row : m_rows)
        row.button->setEnabled(connected && !m_reading);
}

void CalibrationPage::appUnit_ValueChanged(int unit)
{
    if (!Registered())
        return;
    const QString text = m_units[static_cast<size_t>(unit)]->UnitSymbol();
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_design.rows[i].unit == unit)
            m_rows[i].unit->setText(text);
}

void CalibrationPage::txtAbgleichpunkt_Change(int index)
{
    QLineEdit* text = m_rows[static_cast<size_t>(index)].text;
    const QString typed = text->text();
    if (typed.isEmpty() || typed == QLatin1String("-"))
        return;
    if (global::ParseNumber(typed))
        return;
    // Digits and separators stay as typed: a grouped "1.000,5" is refused at
    // Adjust, never taken as 1.0005 because its comma was dropped.
    static const QRegularExpression kNumberKeys(QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9.,]*")));
    if (kNumberKeys.match(typed).hasMatch())
        return;
    // Setting the shorter text is a change again: the filter runs until the text is numeric.
    text->setText(typed.left(typed.size() - 1));
    text->setCursorPosition(static_cast<int>(text->text().size()));
}

void CalibrationPage::cmdAbgleichpunkt_Click(int index)
{
    if (m_calibrating >= 0)
        return;
    Row& row = m_rows[static_cast<size_t>(index)];
    // Only a number is a point: a device calibrated against the old value would be wrong unnoticed.
    const std::optional<float> value = ToNumber(row.text->text());
    if (!value) {
        Fail(global::FillPlaceholders(GetTextFromResource(kNotANumberText), {row.text->text()})
             + applet::UserNumber::SeparatorHint(row.text->text(), global::UserCountryCode()));
        return;
    }
    // A point beyond what the sensor measures is never sent: the device would
    // refuse it, or worse, take a characteristic it cannot hold.
    if (const auto limits = PointLimits(index); limits && (*value < limits->first || *value > limits->second)) {
        applet::DescObject allowed;
        allowed.minimum = limits->first;
        allowed.maximum = limits->second;
        const QString unit = row.unit->text();
        const QString label = GetTextFromResource(m_design.rows[static_cast<size_t>(index)].labelText).remove(QLatin1Char(':'));
        Fail(controls::PioDisplayControl::WriteErrorText(
            unit.isEmpty() ? label : QStringLiteral("%1 (%2)").arg(label, unit), row.text->text(),
            applet::kItemBadValue, &allowed, global::UserCountryCode()));
        return;
    }
    try {
        // Only this row's point: the others stay as the device and the dataset have them.
        row.point->SetFloatValue(*value);
        if (m_appCalUnit) {
            m_calUnitBefore = m_appCalUnit->StringValue();
            m_appCalUnit->SetStringValue(m_units.front()->StringValue());
        }
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: point %2 not written: %3")
                                       .arg(objectName())
                                       .arg(index)
                                       .arg(QString::fromLocal8Bit(error.what())));
        Fail(global::FillPlaceholders(GetTextFromResource(kPointRefusedText), {QString::fromLocal8Bit(error.what())}));
        return;
    }
    if (!ForceSequence(*row.sequence)) {
        GiveBackCalUnit();
        Fail(global::FillPlaceholders(GetTextFromResource(kPointRefusedText), {GetTextFromResource(kNoAnswerText)}));
        return;
    }
    m_calibrating = index;
}

void CalibrationPage::seqWrite_StatusChanged(int index, int32_t sequenceStatus)
{
    switch (sequenceStatus) {
    case 1:
    case 2:
        m_rows[static_cast<size_t>(index)].sequence->DoAction(1);
        break;
    case 0:
        if (m_calibrating == index)
            EndCalibration(index);
        break;
    default:
        break;
    }
}

void CalibrationPage::GiveBackCalUnit()
{
    if (m_appCalUnit && m_design.calUnitGivenBack)
        WrittenOrTold(*this, [this] { m_appCalUnit->SetStringValue(m_calUnitBefore); });
}

void CalibrationPage::EndCalibration(int index)
{
    m_calibrating = -1;
    global::SetMainWindowEnabled(true);
    GiveBackCalUnit();
    const Row& row = m_rows[static_cast<size_t>(index)];
    const SequenceOutcome outcome = HowSequenceEnded(row.sequence->AppItemName());
    if (!outcome.Failed()) {
        ShowStatus(kPointTakenText);
        return;
    }
    // A refusal the record rules let pass names its code; a stopped sequence
    // leaves the code in the record's last response.
    QString reason = outcome.end == SequenceOutcome::End::Refused ? sequenceoutcome::RefusalReason(outcome)
                                                                   : GetTextFromResource(kNoAnswerText);
    int code = outcome.responseCode;
    if (outcome.end != SequenceOutcome::End::Refused) {
        try {
            const QByteArray response = row.record->ResponseCode();
            code = response.size() > kResponseCodeOctet ? static_cast<uint8_t>(response[kResponseCodeOctet]) : 0;
        } catch (const std::exception& error) {
            applet::AppletTrace::Error(QStringLiteral("%1: response not read: %2")
                                           .arg(objectName(), QString::fromLocal8Bit(error.what())));
        }
    }
    for (const Refusal& refusal : kRefusals)
        if (refusal.code == code)
            reason = GetTextFromResource(refusal.textId);
    Fail(global::FillPlaceholders(GetTextFromResource(kPointRefusedText), {reason}));
}

void CalibrationPage::Fail(const QString& text)
{
    applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(objectName(), text));
    dialogs::DialogService::instance().Warning(windowTitle(), text);
}

void CalibrationPage::seqRead_StatusChanged(int32_t sequenceStatus)
{
    if (sequenceStatus != 0)
        m_readBegun = true;
    if (m_design.read == CalibrationRead::ConfirmOnly) {
        if (sequenceStatus == 1 || sequenceStatus == 2)
            m_seqRead->DoAction(1);
    } else if (sequenceStatus == 2) {
        m_seqRead->DoAction(1);
        m_readConfirmed = true;
    } else if (sequenceStatus == 0 && m_readConfirmed) {
        // The rows wait for the points taken into the dataset as well.
        m_readConfirmed = false;
        m_seqRead->Adjust();
        return;
    }
    if (sequenceStatus == 0 && m_reading && m_readBegun)
        EndRead();
}
