#include "merrow/pages/frmSimulateFlow.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/dialogs/DialogService.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

using namespace pagecontrols;

namespace {

constexpr int kAutomatic = 8;
constexpr int kDifferentialPressure = 1; // the channel
constexpr int16_t kCaption = 2228;        // "Simulate Flow Measurement"
constexpr int16_t kConcurrent = 2536;     // "Concurrent simulation of input and out values!"
constexpr int16_t kMassFlow = 2594;
constexpr int16_t kStandardVolumeFlow = 2595;

// The channels: the tab of the frame, then frame, its caption, and the items
// of enable, value, value unit, state and shown unit.
struct FlowChannelRow {
    int tab;
    SimulationPage::ChannelRow row;
};
constexpr FlowChannelRow kRows[frmSimulateFlow::kChannels] = {
    {0,
     {"fraTemperature", 2229, "MvInTSimulateEnabled", "mvInTSimulateValue", "mvInTUnit", "mvInTSimulateStatus",
      "mvInTUnit"}},
    {0,
     {"fraDifferentialPressure", 2230, "MvInDPSimulateEnabled", "mvInDPSimulateValue", "mvInDPUnit",
      "mvInDPSimulateStatus", "mvInDpUnit"}},
    {0,
     {"fraStaticPressure", 2231, "MvInPSimulateEnabled", "mvInPSimulateValue", "mvInPUnit", "mvInPSimulateStatus",
      "mvInPUnit"}},
    {1,
     {"fraMassFlow", 2246, "mvOutMassFlowSimulateEnabled", "mvOutMassFlowSimulateValue", "mvInTUnit",
      "mvOutMassFlowSimulateStatus", "mvOutMassFlowUnit"}},
    {1,
     {"fraVolFlow", 2247, "mvOutVolFlowSimulateEnabled", "mvOutVolFlowSimulateValue", "mvInTUnit",
      "mvOutVolFlowSimulateStatus", "mvOutVolFlowUnit"}},
};

} // namespace

frmSimulateFlow::frmSimulateFlow() : SimulationPage(QStringLiteral("frmSimulateFlow"), kChannels)
{
    setProperty("Tag", QString::number(kCaption));
    setWindowTitle(QStringLiteral("Simulate Flow Measurement"));
    auto* column = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    column->addWidget(tabs);
    std::array<QWidget*, 2> tabFrames = {new QWidget, new QWidget};
    std::array<QVBoxLayout*, 2> tabColumns = {new QVBoxLayout(tabFrames[0]), new QVBoxLayout(tabFrames[1])};
    pioitems::Ambient::SetUserMode(this, false);
    for (int i = 0; i < kChannels; ++i) {
        const auto tab = static_cast<size_t>(kRows[i].tab);
        Channel& channel = AddChannel(i, tabFrames[tab], kRows[i].row);
        // The field keeps its natural width: a value must never be cut off.
        channel.txtSimValue->ValueField()->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        channel.cmbSimStatus->setVisible(false); // shown for PROFIBUS at the first activation
        tabColumns[tab]->addWidget(channel.frame);
        connect(channel.appUnit, &pioitems::PioAppItem::ValueChanged, this, [this, i] { appUnit_ValueChanged(i); });
    }
    for (QVBoxLayout* tabColumn : tabColumns)
        tabColumn->addStretch(1);
    tabs->AddTab(QStringLiteral("0t"), 2244, tabFrames[0]);
    tabs->AddTab(QStringLiteral("1t"), 2245, tabFrames[1]);
    m_appMvModeBlkActual = AppItem(this, QStringLiteral("appMvModeBlkActual"), QStringLiteral("mvModeBlkActual"));
    m_appmvMediumType = AppItem(this, QStringLiteral("appmvMediumType"), QStringLiteral("mvMediumType"));
    m_sensorLimits = RangeLimitItemControls(this, RangeLimits::Sensor);
    AddSequences(QStringLiteral("GetMvSimulation"), QStringLiteral("SetMvSimulation"));
    pioitems::Ambient::SetUserMode(this, true);
    AddSetButton(*column);
    connect(m_appMvModeBlkActual, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appMvModeBlkActual_ValueChanged(); });
    connect(m_appmvMediumType, &pioitems::PioAppItem::ValueChanged, this, [this] { appmvMediumType_ValueChanged(); });
    for (pioitems::PioAppItem* limit : {m_sensorLimits.unit, m_sensorLimits.lower, m_sensorLimits.upper})
        connect(limit, &pioitems::PioAppItem::ValueChanged, this, [this] { LimitDifferentialPressure(); });
}

void frmSimulateFlow::OnFirstActivation()
{
    const bool profibus = global::gDeviceInfo && global::gDeviceInfo->CommType() == enmCommType::PROFIBUS;
    for (int i = 0; i < kChannels; ++i)
        cmbSimStatus(i)->setVisible(profibus);
    appmvMediumType_ValueChanged();
    AlignChannels();
    Tabs()->tbsOptions_Click();
    GrowToContent();
    ReadSequence()->Start();
}

void frmSimulateFlow::appUnit_ValueChanged(int index)
{
    Channel& channel = ChannelAt(index);
    channel.lblUnit->setText(channel.appUnit->UnitSymbol());
    if (index == kDifferentialPressure)
        LimitDifferentialPressure();
    AlignChannels();
    GrowToContent(); // a longer unit text must not squeeze the value
}

void frmSimulateFlow::LimitDifferentialPressure()
{
    LimitToRange(*txtSimValue(kDifferentialPressure), m_sensorLimits,
                  static_cast<int16_t>(ChannelAt(kDifferentialPressure).appUnit->IntValue()));
}

void frmSimulateFlow::ShowReportedState(int index, int polled)
{
    // Grey only while it shows a state above 1; the user's clicks choose on or off.
    chkSimulate(index)->setTristate(polled > 1);
    chkSimulate(index)->setCheckState(polled == 0 ? Qt::Unchecked : polled == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

void frmSimulateFlow::BeforeSet()
{
    for (int i = 0; i < kChannels; ++i) {
        if (!UserChecked(i))
            continue;
        bool conflict = false;
        for (int j = i < kInputs ? kInputs : 0; j < (i < kInputs ? kChannels : kInputs); ++j)
            conflict = conflict || UserChecked(j);
        if (conflict) {
            dialogs::DialogService::instance().Information(dialogs::OwnTitle{GetTextFromResource(kCaption)},
                                                           GetTextFromResource(kConcurrent));
            return; // once a click
        }
    }
}

void frmSimulateFlow::appMvModeBlkActual_ValueChanged()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    if (global::gDeviceInfo->MvActualBlockMode() != kAutomatic)
        CloseLater();
}

void frmSimulateFlow::appmvMediumType_ValueChanged()
{
    if (!Registered())
        return;
    Channel& temperature = ChannelAt(0);
    QGroupBox* massFlow = Frame(3);
    massFlow->setTitle(GetTextFromResource(kMassFlow));
    temperature.frame->setEnabled(true);
    if (!temperature.chkSimulate->isChecked()) {
        temperature.txtSimValue->setEnabled(true);
        temperature.cmbSimStatus->setEnabled(true);
    }
    temperature.chkSimulate->setEnabled(true);
    const QString medium = m_appmvMediumType->StringValue().trimmed();
    if (medium == QLatin1String("4")) {
        massFlow->setTitle(GetTextFromResource(kStandardVolumeFlow));
    } else if (medium == QLatin1String("3") || medium == QLatin1String("7")) {
        temperature.frame->setEnabled(false);
        temperature.txtSimValue->setEnabled(false);
        temperature.cmbSimStatus->setEnabled(false);
        temperature.chkSimulate->setEnabled(false);
    }
}

void frmSimulateFlow::OnUnload()
{
    if (Registered())
        for (int n = 0; n < 2; ++n)
            if (QWidget* frame = Tabs()->picOptions(n))
                frame->hide();
    global::UnloadFrmMesswerte();
}
