#include "merrow/pages/frmEventCounter.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include <QGroupBox>

using namespace pagecontrols;

namespace {

const ResetPageDesign kDesign = {
    "frmEventCounter",
    2087,
    "seqResetEventCounter",
    2088,
    2089,
    true,
    {{
        {0, "PioText1(0)", "ptrbLowerRangeValueFailure", "PioText1(1)", "ptrbUpperRangeValueFailure",
         "ResetEventCounter0"},
        {0, "PioText1(2)", "ptrbLowerSensorValueFailure", "PioText1(3)", "ptrbUpperSensorValueFailure",
         "ResetEventCounter1"},
        {2092, "PioText1(4)", "ptrbLowerStaticPressFailure", "PioText1(5)", "ptrbUpperStaticPressFailure",
         "ResetEventCounter2"},
        {2093, "PioText1(6)", "ptrbLowerTemperatureFailure", "PioText1(7)", "ptrbUpperTemperatureFailure",
         "ResetEventCounter3"},
    }},
};

constexpr int kHeight = 5445; // twips, all four groups

// Frame captions of the span and sensor range groups by module type.
struct GroupCaptions {
    enmModuleType moduleType;
    int16_t span;
    int16_t sensorRange;
};
constexpr GroupCaptions kCaptions[] = {
    {enmModuleType::DIFFERENTIAL_PRESSURE, 2090, 2599},
    {enmModuleType::ABSOLUT_PRESSURE, 2598, 2091},
};

} // namespace

frmEventCounter::frmEventCounter() : GroupResetPage(kDesign)
{
    setWindowTitle(QStringLiteral("Limit Value Infringements"));
    pioitems::Ambient::SetUserMode(this, false);
    m_appMultivariableFunction =
        AppItem(this, QStringLiteral("appMultivariableFunction"), QStringLiteral("pbMultivariableFunction"));
    m_appSensorType = AppItem(this, QStringLiteral("appSensorType"), QStringLiteral("ptrbSensorTypeFF"));
    pioitems::Ambient::SetUserMode(this, true);
    // Changes pushed before the page counts as registered wait for the first arrangement.
    const auto rearrange = [this] {
        if (Registered())
            Arrange();
    };
    connect(m_appMultivariableFunction, &pioitems::PioAppItem::ValueChanged, this, rearrange);
    connect(m_appSensorType, &pioitems::PioAppItem::ValueChanged, this, rearrange);
}

void frmEventCounter::Arrange()
{
    SetWindowHeight(kHeight);
    SetFrameTop(2, 2550);
    SetFrameTop(3, 3825);
    enmModuleType moduleType = enmModuleType::DIFFERENTIAL_PRESSURE;
    try {
        if (global::gDeviceInfo)
            moduleType = global::gDeviceInfo->ModuleType();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmEventCounter.Arrange: module type not read: %1")
                                       .arg(QString::fromLocal8Bit(error.what())));
        return;
    }
    for (const GroupCaptions& captions : kCaptions) {
        if (captions.moduleType != moduleType)
            continue;
        SetFrameCaption(0, captions.span);
        SetFrameCaption(1, captions.sensorRange);
    }
    if (moduleType == enmModuleType::DIFFERENTIAL_PRESSURE) {
        Frame(2)->setVisible(true);
    } else {
        Frame(2)->setVisible(false);
        SetFrameTop(3, FrameTop(2));
        SetWindowHeight(kHeight - kFrameHeight);
    }
}
