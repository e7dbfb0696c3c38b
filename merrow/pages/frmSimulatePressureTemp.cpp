#include "merrow/pages/frmSimulatePressureTemp.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/controls/PioLabelTextUnit.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace pagecontrols;

namespace {

constexpr int16_t kCaption = 2251;             // "Simulate Pressure/Temperature Measurement"
constexpr int16_t kCaptionPressureOnly = 2558; // "Simulate Pressure Measurement"
constexpr int kTemperature = 0;
constexpr int kPressure = 1;
constexpr int kStaticPressure = 2;

// The channels: frame, its caption, and the items of enable, value, value unit, state and unit.
constexpr SimulationPage::ChannelRow kRows[frmSimulatePressureTemp::kChannels] = {
    {"fraTemperature", 2229, "aiTSimulateEnabled", "aiTSimulateValue", "aiTXdScaleUnitFF", "aiTSimulateStatus",
     "aiTXdScaleUnitFF"},
    {"fraDifferentialPressure", 2230, "aiDPSimulateEnabled", "aiDPSimulateValue", "aiDPXdScaleUnitFF",
     "aiDPSimulateStatus", "aiDPXdScaleUnitFF"},
    {"fraStaticPressure", 2231, "aiPSimulateEnabled", "aiPSimulateValue", "aiPXdScaleUnitFF", "aiPSimulateStatus",
     "aiPXdScaleUnitFF"},
};

// The layout by module type (sizes in twips): the pressure frame's caption,
// whether the static pressure is offered, the page's height and where the
// temperature frame goes.
struct ModuleLayout {
    bool differential;
    int16_t pressureCaption;
    bool staticPressure;
    int heightTwips;
    int temperatureTopTwips;
};
constexpr ModuleLayout kModuleLayouts[] = {
    {true, 2167, true, 3400, 2900},   // "Differential pressure"
    {false, 2533, false, 2100, 1650}, // "Pressure"
};
constexpr int kTemperatureTwips = 1275; // the temperature frame, with the flow function
constexpr int kButtonRowTwips = 1000;

} // namespace

frmSimulatePressureTemp::frmSimulatePressureTemp()
    : SimulationPage(QStringLiteral("frmSimulatePressureTemp"), kChannels)
{
    setProperty("Tag", QString::number(kCaption));
    setWindowTitle(QStringLiteral("Simulate Pressure/Temperature Measurement"));
    auto* column = new QVBoxLayout(this);
    // One tab behind the frames, as the flow simulation shows its output values.
    PageTabs* tabs = CreateTabs();
    tabs->setObjectName(QStringLiteral("TabStrip1"));
    column->addWidget(tabs);
    auto* tabFrame = new QWidget;
    auto* tabColumn = new QVBoxLayout(tabFrame);
    pioitems::Ambient::SetUserMode(this, false);
    // The pressures first, the temperature below them.
    for (int i : {kPressure, kStaticPressure, kTemperature}) {
        const SimulationPage::ChannelRow& row = kRows[i];
        Channel& channel = AddChannel(i, tabFrame, row);
        // The frames' fields line up whatever unit each shows.
        channel.lblUnit->setMinimumWidth(channel.lblUnit->fontMetrics().horizontalAdvance(QStringLiteral("kg/cm2")));
        tabColumn->addWidget(channel.frame);

        ValueItems& items = m_valueItems[static_cast<size_t>(i)];
        items.appSimulateValue = AppItem(this, QStringLiteral("appSimulateValue(%1)").arg(i), QLatin1String(row.value));
        items.appSimulateValue->SetRegisterOnShadow(true);
        items.appSimulateStatus =
            AppItem(this, QStringLiteral("appSimulateStatus(%1)").arg(i), QLatin1String(row.status));
        items.appSimulateStatus->SetRegisterOnShadow(true);
        connect(channel.appUnit, &pioitems::PioAppItem::ValueChanged, this, [this, i] { appUnit_ValueChanged(i); });
        connect(items.appSimulateValue, &pioitems::PioAppItem::ValueChanged, this,
                [this, i] { appSimulateValue_ValueChanged(i); });
    }
    tabColumn->addStretch(1);
    tabs->AddTab(QStringLiteral("0t"), 2245, tabFrame);
    AddSequences(QStringLiteral("GetAiSimulation"), QStringLiteral("SetAiSimulation"));
    pioitems::Ambient::SetUserMode(this, true);
    AddSetButton(*column);
}

void frmSimulatePressureTemp::OnFirstActivation()
{
    Layout();
    AlignChannels();
    Tabs()->tbsOptions_Click();
    ReadSequence()->Start();
}

void frmSimulatePressureTemp::Layout()
{
    bool differential = false;
    bool flowFunction = false;
    if (global::gDeviceInfo) {
        differential = global::gDeviceInfo->ModuleType() == enmModuleType::DIFFERENTIAL_PRESSURE;
        flowFunction = global::gDeviceInfo->MvFunctionEnabled();
    } else {
        applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: no device information; plain pressure"));
    }
    const ModuleLayout& layout = differential ? kModuleLayouts[0] : kModuleLayouts[1];
    Channel& pressure = ChannelAt(kPressure);
    Channel& staticPressure = ChannelAt(kStaticPressure);
    Channel& temperature = ChannelAt(kTemperature);
    // The captions chosen here are the ones a later localisation takes, too.
    pressure.frame->setProperty("Tag", QString::number(layout.pressureCaption));
    pressure.frame->setTitle(GetTextFromResource(layout.pressureCaption));
    m_heightTwips = layout.heightTwips;
    if (!layout.staticPressure) {
        staticPressure.frame->setEnabled(false);
        staticPressure.frame->hide();
        staticPressure.appPollSimulate->UnRegister();
        staticPressure.appUnit->UnRegister();
    }
    if (flowFunction) {
        m_heightTwips += kTemperatureTwips;
    } else {
        setProperty("Tag", QString::number(kCaptionPressureOnly));
        setWindowTitle(GetTextFromResource(kCaptionPressureOnly));
        temperature.frame->setEnabled(false);
        temperature.frame->hide();
        temperature.appPollSimulate->UnRegister();
        temperature.appUnit->UnRegister();
    }
    m_heightTwips += kButtonRowTwips;
    adjustSize();
    if (QWidget* frame = parentWidget())
        frame->adjustSize();
}

void frmSimulatePressureTemp::appUnit_ValueChanged(int index)
{
    Channel& channel = ChannelAt(index);
    channel.lblUnit->setText(channel.appUnit->UnitSymbol());
    AlignChannels();
}

void frmSimulatePressureTemp::appSimulateValue_ValueChanged(int index)
{
    const Channel& channel = At(index);
    if (channel.appPollSimulate->UIntValue() != 0)
        channel.txtSimValue->ValueField()->setText(
            m_valueItems[static_cast<size_t>(index)].appSimulateValue->StringValue());
}

void frmSimulatePressureTemp::ShowReportedState(int index, int polled)
{
    Channel& channel = ChannelAt(index);
    if (polled <= 1) {
        channel.chkSimulate->setChecked(polled == 1);
        return;
    }
    channel.chkSimulate->setChecked(false);
    try {
        channel.appPollSimulate->SetUIntValue(0);
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: %1 not reset: %2")
                                       .arg(channel.appPollSimulate->AppItemName(), error.description()));
    }
}
