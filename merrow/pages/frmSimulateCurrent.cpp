#include "merrow/pages/frmSimulateCurrent.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/Twips.h"
#include "platform/dialogs/DialogService.h"
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <cmath>

using namespace pagecontrols;

namespace {

constexpr int16_t kUnitText = 2015;         // "mA"
constexpr int16_t kTerminate = 2124;        // "Terminate Simulation?"
constexpr int16_t kEnterCurrent = 3860;     // "Enter a current from %1 mA to %2 mA."
constexpr int16_t kFixedText = 3965;        // "Output current fixed at %1 mA."
constexpr int16_t kEndedText = 3966;        // "Current simulation ended; ..."

// The lower limit of the fixed current: a device with the multivariable
// function signals its low alarm at 3.6 mA, every other at 3.5 mA.
struct LowerLimitRow {
    bool multivariable;
    float limit;
    int sliderMinimum; // tenths of a mA
};
constexpr LowerLimitRow kLowerLimits[] = {{false, 3.5f, 35}, {true, 3.6f, 36}};
constexpr int kSliderMaximum = 225;
constexpr int kSliderWidth = 4200; // twips

constexpr int kActive = -1;
constexpr int kNotActive = 0;

QString CurrentText(double current)
{
    return global::FormatNumber(std::round(current * 100.0) / 100.0);
}

} // namespace

frmSimulateCurrent::frmSimulateCurrent() : PioPage(QStringLiteral("frmSimulateCurrent"), false, false)
{
    setProperty("Tag", QStringLiteral("2102"));
    setWindowTitle(QStringLiteral("Simulate Current Output"));
    auto* grid = new QGridLayout(this);
    m_chkSimulate = new QCheckBox(QStringLiteral("Simulate"), this);
    m_chkSimulate->setObjectName(QStringLiteral("chkSimulate"));
    m_chkSimulate->setProperty("Tag", QStringLiteral("2017"));
    grid->addWidget(m_chkSimulate, 0, 0, 1, 4);
    grid->addWidget(TaggedLabel(this, QStringLiteral("lblStromwert"), 2103, QStringLiteral("Current")), 1, 0);
    m_txtStromwert = new QLineEdit(QStringLiteral("4"), this);
    m_txtStromwert->setObjectName(QStringLiteral("txtStromwert"));
    // Only digits and the two decimal separators reach the entry.
    m_txtStromwert->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.,]*")), m_txtStromwert));
    grid->addWidget(m_txtStromwert, 1, 1, 1, 2);
    grid->addWidget(TaggedLabel(this, QStringLiteral("lblUnit"), kUnitText, QStringLiteral("mA")), 1, 3);
    m_sldStromwert = new QSlider(Qt::Horizontal, this);
    m_sldStromwert->setObjectName(QStringLiteral("sldStromwert"));
    m_sldStromwert->setRange(kLowerLimits[0].sliderMinimum, kSliderMaximum);
    m_sldStromwert->setSingleStep(1);
    m_sldStromwert->setPageStep(10);
    m_sldStromwert->setTickPosition(QSlider::TicksBelow);
    m_sldStromwert->setTickInterval(10);
    m_sldStromwert->setValue(40);
    m_sldStromwert->setMinimumWidth(controls::Twips::ToPixels(kSliderWidth)); // the caption fits above it
    grid->addWidget(m_sldStromwert, 2, 0, 1, 4);
    m_lblLowerLimit = new QLabel(this);
    m_lblLowerLimit->setObjectName(QStringLiteral("lblLowerLimit"));
    m_lblUpperLimit = new QLabel(this);
    m_lblUpperLimit->setObjectName(QStringLiteral("lblUpperLimit"));
    m_lblUpperLimit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_lblLowerLimit, 3, 0);
    grid->addWidget(m_lblUpperLimit, 3, 3);
    grid->setRowStretch(4, 1);
    for (QWidget* control : {static_cast<QWidget*>(m_chkSimulate), static_cast<QWidget*>(m_txtStromwert),
                             static_cast<QWidget*>(m_sldStromwert)})
        control->setEnabled(false);

    connect(m_chkSimulate, &QCheckBox::clicked, this, [this] { chkSimulate_Click(); });
    connect(m_sldStromwert, &QSlider::valueChanged, this, [this](int value) { sldStromwert_Change(value); });
    connect(m_txtStromwert, &QLineEdit::editingFinished, this, [this] {
        if (!txtStromwert_Validate())
            m_txtStromwert->setFocus();
    });

    // Which item the item controls follow is set while the page is designed.
    pioitems::Ambient::SetUserMode(this, false);
    m_fixed = FixedCurrentItemControls(this);
    pioitems::Ambient::SetUserMode(this, true);

    connect(m_fixed.appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_fixed.appCurr, &pioitems::PioAppItem::ValueChanged, this, [this] { appCurr_ValueChanged(); });
    connect(m_fixed.appDiagnosisExtension, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appDiagnosisExtension_ValueChanged(); });
    connect(m_fixed.seqSetLevelCurr, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqSetLevelCurr_StatusChanged(status); });
    // A request the applet gave up: nothing runs; the box follows the device again.
    connect(m_fixed.seqSetLevelCurr, &pioitems::PioSequenceItem::ActionDropped, this, [this] {
        m_sequenceRunning = false;
        m_lastModeState = 99;
        appDiagnosisExtension_ValueChanged();
    });
}

void frmSimulateCurrent::OnFirstActivation()
{
    setCursor(Qt::BusyCursor); // until the first diagnosis report
    bool multivariable = false;
    if (global::gDeviceInfo)
        multivariable = global::gDeviceInfo->MvFunctionEnabled();
    else
        applet::AppletTrace::Error(QStringLiteral("frmSimulateCurrent: no device information"));
    for (const LowerLimitRow& limit : kLowerLimits) {
        if (limit.multivariable != multivariable)
            continue;
        m_lowerLimit = limit.limit;
        m_sldStromwert->setMinimum(limit.sliderMinimum);
    }
    m_lblLowerLimit->setText(CurrentText(m_lowerLimit));
    m_lblUpperLimit->setText(CurrentText(kUpperLimit));
    // The registration pushed the device's state before the page counted as registered.
    appCurr_ValueChanged();
    appDiagnosisExtension_ValueChanged();
}

std::optional<float> frmSimulateCurrent::EnteredCurrent() const
{
    const std::optional<double> value = global::ParseNumber(m_txtStromwert->text());
    if (!value)
        return std::nullopt;
    return static_cast<float>(*value);
}

bool frmSimulateCurrent::InRange(float current) const
{
    return current >= m_lowerLimit && current <= kUpperLimit;
}

bool frmSimulateCurrent::txtStromwert_Validate()
{
    const std::optional<float> current = EnteredCurrent();
    if (!current || !InRange(*current)) {
        QApplication::beep();
        return false;
    }
    const int position = static_cast<int>(std::floor(*current * 10.0f + 1e-4f));
    m_sldStromwert->setValue(position);
    return true;
}

void frmSimulateCurrent::sldStromwert_Change(int value)
{
    // The entry follows the slider, unless it already says the same current.
    const std::optional<float> current = EnteredCurrent();
    if (current && static_cast<int>(std::floor(*current * 10.0f + 1e-4f)) == value)
        return;
    m_txtStromwert->setText(CurrentText(value / 10.0));
}

void frmSimulateCurrent::SetBox(bool ticked)
{
    if (m_chkSimulate->isChecked() == ticked)
        return;
    const bool ignore = m_ignoreClick;
    m_ignoreClick = true;
    m_chkSimulate->setChecked(ticked);
    chkSimulate_Click();
    m_ignoreClick = ignore;
}

void frmSimulateCurrent::chkSimulate_Click()
{
    const bool ticked = m_chkSimulate->isChecked();
    m_txtStromwert->setEnabled(!ticked);
    m_sldStromwert->setEnabled(!ticked);
    bool written = true;
    try {
        if (!ticked) {
            m_fixed.appLevelCurr->SetStringValue(QStringLiteral("0"));
        } else {
            const std::optional<float> current = EnteredCurrent();
            written = current && InRange(*current);
            if (written)
                m_fixed.appLevelCurr->SetFloatValue(*current);
        }
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("frmSimulateCurrent: \"levelCurr\" not written: %1").arg(QString::fromLocal8Bit(error.what())));
        written = false;
    }
    if (m_ignoreClick)
        return;
    if (!written) {
        // Forcing now would fix the output at the level written before: the
        // user learns which currents the output takes instead.
        SetBox(!ticked);
        QApplication::beep();
        dialogs::DialogService::instance().Warning(
            windowTitle(), global::FillPlaceholders(GetTextFromResource(kEnterCurrent),
                                                    {CurrentText(m_lowerLimit), CurrentText(kUpperLimit)}));
        m_txtStromwert->setFocus();
        return;
    }
    if (ForceSequence(*m_fixed.seqSetLevelCurr)) {
        m_sequenceRunning = true;
        return;
    }
    applet::AppletTrace::Error(QStringLiteral("frmSimulateCurrent: fixed current not requested"));
    const bool ignore = m_ignoreClick;
    m_ignoreClick = true;
    chkSimulate_Click();
    m_ignoreClick = ignore;
}

void frmSimulateCurrent::appConnectionStatus_ValueChanged()
{
    const bool connected = Connected(*m_fixed.appConnectionStatus);
    m_chkSimulate->setEnabled(connected);
    // While the output is fixed its level is not edited.
    m_txtStromwert->setEnabled(connected && !m_chkSimulate->isChecked());
    m_sldStromwert->setEnabled(connected && !m_chkSimulate->isChecked());
}

void frmSimulateCurrent::appCurr_ValueChanged()
{
    if (!Registered() || !FixedCurrentActive(*m_fixed.appDiagnosisExtension))
        return;
    const double current = m_fixed.appCurr->FloatValue();
    m_txtStromwert->setText(CurrentText(current));
    const int position = static_cast<int>(std::floor(current * 10.0 + 1e-4));
    if (position >= m_sldStromwert->minimum() && position <= m_sldStromwert->maximum()) {
        const QSignalBlocker quiet(m_sldStromwert); // the entry already shows the device's current
        m_sldStromwert->setValue(position);
    }
}

void frmSimulateCurrent::appDiagnosisExtension_ValueChanged()
{
    setEnabled(true);
    unsetCursor();
    const int state = FixedCurrentActive(*m_fixed.appDiagnosisExtension) ? kActive : kNotActive;
    if (state == m_lastModeState)
        return;
    m_lastModeState = state;
    SetBox(state == kActive);
    if (state == kActive)
        appCurr_ValueChanged();
    else if (m_closing && !m_sequenceRunning) // a running sequence still has the main window to give back
        CloseLater();
}

void frmSimulateCurrent::seqSetLevelCurr_StatusChanged(int32_t sequenceStatus)
{
    FollowSequenceStatus(*this, *m_fixed.seqSetLevelCurr, sequenceStatus, [this](bool succeeded) {
        m_sequenceRunning = false;
        if (!succeeded && !m_closing)
            ReportRefusal(*this, *m_fixed.seqSetLevelCurr);
        // The sequence read the status back: the page follows it now rather
        // than waiting for a report of a change that may never come.
        appDiagnosisExtension_ValueChanged();
        // What the device now does, also when it looks as before.
        if (succeeded)
            global::ShowStatus(m_lastModeState == kActive
                                   ? global::FillPlaceholders(GetTextFromResource(kFixedText), {m_txtStromwert->text()})
                                   : GetTextFromResource(kEndedText));
        if (m_closing && m_lastModeState == kNotActive)
            CloseLater();
    });
}

bool frmSimulateCurrent::Form_QueryUnload()
{
    if (!Connected(*m_fixed.appConnectionStatus))
        return true;
    bool close = !m_sequenceRunning;
    if (!FixedCurrentActive(*m_fixed.appDiagnosisExtension))
        return close;
    if (m_closing) {
        ReportFixedCurrentStays(*this);
        return true;
    }
    switch (dialogs::DialogService::instance().AskYesNoCancel(CloseTitle(*this), GetTextFromResource(kTerminate))) {
    case dialogs::DialogResult::Yes:
        m_closing = true;
        m_ignoreClick = false;
        m_chkSimulate->setChecked(false);
        chkSimulate_Click();
        return false;
    case dialogs::DialogResult::No:
        return close;
    default:
        return false;
    }
}
