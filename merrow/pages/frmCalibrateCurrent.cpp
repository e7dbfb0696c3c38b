#include "merrow/pages/frmCalibrateCurrent.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioLabelTextUnit.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

using namespace pagecontrols;

namespace {

constexpr int16_t kUnitText = 2015;       // "mA"
constexpr int16_t kAdjusted = 3861;       // "The output current was adjusted."
constexpr int16_t kFixedAt = 3965;        // "Output current fixed at %1 mA."
constexpr int16_t kStandardMode = 3986;   // "Standard mode: the output current follows the measurement again."

// The options: the fixed level in mA (0: standard mode), the text of the
// option, and the trim at that level with its measured-current entry.
struct LevelOption {
    int level;
    int16_t textId;
    const char* design;
    int trim; // index of the trim sequence; -1 for none
    const char* measuredItem;
};
constexpr LevelOption kOptions[] = {
    {0, 2139, "Standard Mode", -1, nullptr},
    {4, 2140, "Adjustment 4 mA", 0, "measPvCurrLevelZero"},
    {20, 2141, "Adjustment 20 mA", 1, "measPvCurrLevelGain"},
};
constexpr const char* kTrimSequences[2] = {"SetMeasPvCurrLevelZero", "SetMeasPvCurrLevelGain"};

controls::PioLabelTextUnit* CurrentField(QWidget* parent, const QString& name, int16_t caption, const QString& design)
{
    auto* field = new controls::PioLabelTextUnit(parent);
    field->setObjectName(name);
    field->setProperty("Tag", QString::number(caption));
    field->SetCaption(design);
    field->SetUnitText(QStringLiteral("mA"));
    return field;
}

} // namespace

frmCalibrateCurrent::frmCalibrateCurrent() : PioPage(QStringLiteral("frmCalibrateCurrent"), false, false)
{
    setProperty("Tag", QStringLiteral("2596"));
    setWindowTitle(QStringLiteral("Calibrate Current Output"));
    auto* layout = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    layout->addWidget(tabs);

    auto* adjust = new QWidget;
    auto* column = new QVBoxLayout(adjust);
    auto* balance = new QGroupBox(QStringLiteral("Balance Point"), adjust);
    balance->setObjectName(QStringLiteral("Frame1"));
    balance->setProperty("Tag", QStringLiteral("2137"));
    auto* grid = new QGridLayout(balance);
    for (const LevelOption& option : kOptions) {
        auto* button = new QRadioButton(QLatin1String(option.design), balance);
        button->setObjectName(QStringLiteral("optAbgleich(%1)").arg(option.level));
        button->setProperty("Tag", QString::number(option.textId));
        grid->addWidget(button, grid->rowCount(), 0);
        m_options[option.level] = button;
        connect(button, &QRadioButton::clicked, this, [this, level = option.level] { optAbgleich_Click(level); });
    }
    m_options[0]->setChecked(true);
    // One entry is shown at a time, in the same place.
    for (const LevelOption& option : kOptions) {
        if (!option.measuredItem)
            continue;
        auto* entry = CurrentField(balance, QStringLiteral("txtMeasPvCurrLevel(%1)").arg(option.level), 2142,
                                   QStringLiteral("Measured Current"));
        entry->SetObjectNameText(QLatin1String(option.measuredItem));
        entry->setVisible(option.level == 4);
        grid->addWidget(entry, grid->rowCount() - (option.level == 20 ? 1 : 0), 0);
        m_entries[option.level] = entry;
    }
    m_txtCurr = CurrentField(balance, QStringLiteral("txtCurr"), 2138, QStringLiteral("Current Output"));
    m_txtCurr->SetObjectNameLabel(QStringLiteral("Curr"));
    m_txtCurr->SetUpdateInterval(1);
    grid->addWidget(m_txtCurr, grid->rowCount(), 0);
    column->addWidget(balance);
    m_cmdAbgleichen = new QPushButton(QStringLiteral("Adjust"), adjust);
    m_cmdAbgleichen->setObjectName(QStringLiteral("cmdAbgleichen"));
    m_cmdAbgleichen->setProperty("Tag", QStringLiteral("2136"));
    m_cmdAbgleichen->setEnabled(false);
    column->addWidget(m_cmdAbgleichen, 0, Qt::AlignRight);
    column->addStretch(1);
    tabs->AddTab(QStringLiteral("0t"), 2065, adjust);
    connect(m_cmdAbgleichen, &QPushButton::clicked, this, [this] { cmdAbgleichen_Click(); });

    // Which item the item controls follow is set while the page is designed.
    pioitems::Ambient::SetUserMode(this, false);
    for (int index = 0; index < 2; ++index) {
        m_seqSetMeasPvCurrLevel[index] = SequenceItem(this, QStringLiteral("seqSetMeasPvCurrLevel(%1)").arg(index),
                                                      QLatin1String(kTrimSequences[index]));
        connect(m_seqSetMeasPvCurrLevel[index], &pioitems::PioSequenceItem::StatusChanged, this,
                [this, index](int32_t status) { seqSetMeasPvCurrLevel_StatusChanged(index, status); });
    }
    m_fixed = FixedCurrentItemControls(this);
    m_appAddress = AppItem(this, QStringLiteral("appAddress"), QStringLiteral("&&private_PM&&Address"));
    pioitems::Ambient::SetUserMode(this, true);

    connect(m_fixed.appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_fixed.appDiagnosisExtension, &pioitems::PioAppItem::ValueChanged, this, [this] { ApplyDeviceState(); });
    connect(m_fixed.seqSetLevelCurr, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqSetLevelCurr_StatusChanged(status); });
    // A request the applet gave up: nothing is pending, the page follows the device again.
    connect(m_fixed.seqSetLevelCurr, &pioitems::PioSequenceItem::ActionDropped, this, [this] {
        m_waiting = false;
        m_levelAsked = false;
        ApplyDeviceState();
    });
    connect(m_fixed.recLevelCurr, &pioitems::PioRecordItem::StatusChanged, this,
            [this](int32_t status) { recLevelCurr_StatusChanged(status); });
}

QRadioButton* frmCalibrateCurrent::optAbgleich(int index) const
{
    const auto it = m_options.find(index);
    return it == m_options.end() ? nullptr : it->second;
}

controls::PioLabelTextUnit* frmCalibrateCurrent::txtMeasPvCurrLevel(int index) const
{
    const auto it = m_entries.find(index);
    return it == m_entries.end() ? nullptr : it->second;
}

int frmCalibrateCurrent::SelectedLevel() const
{
    for (const auto& [level, button] : m_options)
        if (button->isChecked())
            return level;
    return -1;
}

void frmCalibrateCurrent::OnLoad()
{
    m_requestedLevel = 0;
    m_waiting = false;
    m_closing = false;
    const QString unit = GetTextFromResource(kUnitText);
    for (auto* field : {m_entries[4], m_entries[20], m_txtCurr})
        field->SetUnitText(unit);
}

void frmCalibrateCurrent::OnFirstActivation()
{
    // The connection pushed during the registration came before the page
    // counted as registered: a page opened while connected is usable at once.
    EnablingRule();
    ApplyDeviceState();
}

bool frmCalibrateCurrent::Connected() const
{
    return pagecontrols::Connected(*m_fixed.appConnectionStatus);
}

bool frmCalibrateCurrent::AddressZero() const
{
    // The polling address item holds text.
    bool ok = false;
    const int address = m_appAddress->StringValue().trimmed().toInt(&ok);
    return ok && address == 0;
}

bool frmCalibrateCurrent::FixedCurrentActive() const
{
    return pagecontrols::FixedCurrentActive(*m_fixed.appDiagnosisExtension);
}

void frmCalibrateCurrent::EnablingRule()
{
    if (!Registered())
        return;
    const bool addressZero = AddressZero();
    const bool usable = Connected() && addressZero;
    for (const auto& [level, button] : m_options)
        button->setEnabled(usable);
    if (!usable) {
        m_cmdAbgleichen->setEnabled(false);
        return;
    }
    const int selected = SelectedLevel();
    if (selected == 0) {
        m_cmdAbgleichen->setEnabled(false);
    } else if (selected == 4 || selected == 20) {
        m_entries[4]->setVisible(selected == 4);
        m_entries[20]->setVisible(selected == 20);
        m_cmdAbgleichen->setEnabled(true);
    }
}

void frmCalibrateCurrent::SelectOption(int index)
{
    QRadioButton* button = optAbgleich(index);
    if (!button || button->isChecked())
        return;
    const bool ignore = m_ignoreClick;
    m_ignoreClick = true;
    button->setChecked(true);
    optAbgleich_Click(index);
    m_ignoreClick = ignore;
}

void frmCalibrateCurrent::optAbgleich_Click(int index)
{
    if (!Connected()) {
        SelectOption(0);
        EnablingRule();
        return;
    }
    EnablingRule();
    if (m_ignoreClick)
        return;
    try {
        m_fixed.appLevelCurr->SetStringValue(QString::number(index));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmCalibrateCurrent: level %1 not written: %2")
                                       .arg(index)
                                       .arg(QString::fromLocal8Bit(error.what())));
        SelectOption(0);
        return;
    }
    if (ForceSequence(*m_fixed.seqSetLevelCurr)) {
        m_waiting = true;
        m_levelAsked = true;
        m_requestedLevel = index;
        return;
    }
    // The device was not asked: it is not fixed at that level, so the page
    // shows the standard mode and offers no trim.
    applet::AppletTrace::Error(QStringLiteral("frmCalibrateCurrent: fixed current %1 mA not requested").arg(index));
    SelectOption(0);
}

void frmCalibrateCurrent::ApplyDeviceState()
{
    if (!Registered() || !Connected())
        return;
    const bool ignore = m_ignoreClick;
    m_ignoreClick = true;
    const double current = m_fixed.appCurr->FloatValue();
    if (!m_waiting || CurrentAtLevel(current, m_requestedLevel)) {
        m_waiting = false;
        int level = 0;
        if (FixedCurrentActive())
            for (const LevelOption& option : kOptions)
                if (option.level != 0 && CurrentAtLevel(current, option.level))
                    level = option.level;
        SelectOption(level);
    }
    m_ignoreClick = ignore;
}

void frmCalibrateCurrent::cmdAbgleichen_Click()
{
    // A measured current typed and not yet confirmed is written first.
    controls::PioFieldControl::CommitPendingEdits();
    for (const LevelOption& option : kOptions) {
        if (option.trim < 0 || SelectedLevel() != option.level)
            continue;
        if (m_entries[option.level]->ValueField()->text().trimmed().isEmpty())
            return;
        ForceSequence(*m_seqSetMeasPvCurrLevel[option.trim]);
        return;
    }
}

void frmCalibrateCurrent::seqSetLevelCurr_StatusChanged(int32_t sequenceStatus)
{
    FollowSequenceStatus(*this, *m_fixed.seqSetLevelCurr, sequenceStatus, [this](bool succeeded) {
        // The sequence read the current and the status back: what they say
        // now is the device's answer to the request.
        m_waiting = false;
        const bool asked = std::exchange(m_levelAsked, false);
        ApplyDeviceState();
        if (m_closing)
            CloseLater(); // a device still fixed is reported as the page closes
        else if (!succeeded)
            ReportRefusal(*this, *m_fixed.seqSetLevelCurr);
        else if (asked && m_requestedLevel > 0)
            global::ShowStatus(global::FillPlaceholders(GetTextFromResource(kFixedAt), {m_requestedLevel}));
        else if (asked)
            ShowStatus(kStandardMode);
    });
}

void frmCalibrateCurrent::seqSetMeasPvCurrLevel_StatusChanged(int index, int32_t sequenceStatus)
{
    FollowSequenceStatus(*this, *m_seqSetMeasPvCurrLevel[index], sequenceStatus, [this, index](bool succeeded) {
        if (!succeeded)
            ReportRefusal(*this, *m_seqSetMeasPvCurrLevel[index]);
        else
            ShowStatus(kAdjusted);
    });
}

void frmCalibrateCurrent::appConnectionStatus_ValueChanged()
{
    EnablingRule();
    // A close that waits for the device ends when the device is gone.
    if (m_closing && !Connected())
        CloseLater();
}

void frmCalibrateCurrent::recLevelCurr_StatusChanged(int32_t recordStatus)
{
    // The level is written before the sequence reads the device back; the
    // end of the sequence gives the main window back, which a page already
    // gone would miss, so a request still running closes the page at its end.
    if (recordStatus == 0 && m_closing && !m_waiting)
        CloseLater();
}

bool frmCalibrateCurrent::Form_QueryUnload()
{
    if (!Connected())
        return true;
    if (SelectedLevel() == 0 || !AddressZero())
        return true;
    if (m_closing) {
        ReportFixedCurrentStays(*this);
        return true;
    }
    m_closing = true;
    SelectOption(0);
    try {
        m_fixed.appLevelCurr->SetStringValue(QStringLiteral("0"));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmCalibrateCurrent: level 0 not written: %1")
                                       .arg(QString::fromLocal8Bit(error.what())));
    }
    if (ForceSequence(*m_fixed.seqSetLevelCurr)) {
        m_waiting = true;
        m_requestedLevel = 0;
        return false;
    }
    ReportFixedCurrentStays(*this);
    return true;
}
