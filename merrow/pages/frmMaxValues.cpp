#include "merrow/pages/frmMaxValues.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/PioText.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <utility>

using namespace pagecontrols;

namespace {

const ResetPageDesign kDesign = {
    "frmMaxValues",
    2095,
    "seqResetMaxValues",
    2100,
    2101,
    false,
    {{
        {0, "PioText1(0)", "ptrbMinSensorValue", "PioText1(1)", "ptrbMaxSensorValue", "ResetMaxValues0"},
        {2097, "PioText1(2)", "ptrbMinStaticPressure", "PioText1(3)", "ptrbMaxStaticPressure", "ResetMaxValues1"},
        {2098, "PioText1(4)", "ptrbMinTemperature", "PioText1(5)", "ptrbMaxTemperature", "ResetMaxValues2"},
        {2099, "txtTtrbMinSensorvalue1", "ttrbMinSensorValue1", "txtTtrbMaxSensorValue1", "ttrbMaxSensorValue1",
         "ResetMaxValues3"},
    }},
};

// The unit item of each group and the item controls of its two values.
struct GroupItems {
    const char* unit;
    const char* minControl;
    const char* minItem;
    const char* maxControl;
    const char* maxItem;
};
constexpr GroupItems kItems[GroupResetPage::kGroups] = {
    {"ptrbScaleInUnit", "appPtrbMinSensorValue", "ptrbMinSensorValue", "appPtrbMaxSensorValue", "ptrbMaxSensorValue"},
    {"ptrbStaticPressureScaleInUnit", "appPtrbMinStaticPressure", "ptrbMinStaticPressure", "appPtrbMaxStaticPressure",
     "ptrbMaxStaticPressure"},
    {"ptrbTemperatureValueUnit", "appPtrbMinTemperature", "ptrbMinTemperature", "appPtrbMaxTemperature",
     "ptrbMaxTemperature"},
    {"ttrbPrimaryValueUnit", "appTtrbMinSensorValue1", "ttrbMinSensorValue1", "appTtrbMaxSensorValue1",
     "ttrbMaxSensorValue1"},
};

// The minimum starts above and the maximum below any measurable value, so
// the first measurement after the reset replaces both.
const QString kMinimumStart = QStringLiteral("1E+38");
const QString kMaximumStart = QStringLiteral("-1E+38");

constexpr int kHeight = 5475; // twips, all four groups
constexpr int16_t kPressureCaption = 2096;
constexpr int16_t kDifferentialCaption = 2218;
constexpr int16_t kAbsoluteCaption = 2219;

template <class Step>
void Step_(const QString& what, Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmMaxValues.%1: %2").arg(what, QString::fromLocal8Bit(error.what())));
    }
}

} // namespace

frmMaxValues::frmMaxValues() : GroupResetPage(kDesign)
{
    setWindowTitle(QStringLiteral("Max. Values"));
    pioitems::Ambient::SetUserMode(this, false);
    for (int i = 0; i < kGroups; ++i) {
        const GroupItems& items = kItems[i];
        auto* unit = new QLabel(QStringLiteral("[]"), Frame(i));
        unit->setObjectName(QStringLiteral("lblUnit(%1)").arg(i));
        unit->setMinimumWidth(unit->fontMetrics().horizontalAdvance(QStringLiteral("[inH2O(68F)]")));
        static_cast<QGridLayout*>(Frame(i)->layout())->addWidget(unit, 0, 2, 2, 1, Qt::AlignVCenter);
        m_units[static_cast<size_t>(i)] = unit;
        pioitems::PioAppItem* appUnit = AppItem(this, QStringLiteral("appUnit(%1)").arg(i), QLatin1String(items.unit));
        appUnit->SetUpdateInterval(1);
        m_appUnits[static_cast<size_t>(i)] = appUnit;
        m_values[static_cast<size_t>(2 * i)] = AppItem(this, QLatin1String(items.minControl), QLatin1String(items.minItem));
        m_values[static_cast<size_t>(2 * i + 1)] =
            AppItem(this, QLatin1String(items.maxControl), QLatin1String(items.maxItem));
        connect(appUnit, &pioitems::PioAppItem::ValueChanged, this, [this, i] { appUnit_ValueChanged(i); });
    }
    m_appDirty = AppItem(this, QStringLiteral("appDirty"), QStringLiteral("&&private&&Dirty"));
    pioitems::Ambient::SetUserMode(this, true);
}

void frmMaxValues::OnBeforeRegister()
{
    if (!HasRevision21Items())
        return;
    for (int i = 0; i < kGroups; ++i)
        m_appUnits[static_cast<size_t>(i)]->SetAppItemName(QLatin1String(kItems[i].unit) + kRevision21Suffix);
}

void frmMaxValues::OnFirstActivation()
{
    // The units pushed while the controls registered, shown now.
    for (int i = 0; i < kGroups; ++i)
        appUnit_ValueChanged(i);
    GroupResetPage::OnFirstActivation();
}

void frmMaxValues::appUnit_ValueChanged(int index)
{
    Step_(QStringLiteral("appUnit_ValueChanged"), [&] {
        const QString unit = m_appUnits[static_cast<size_t>(index)]->UnitSymbol();
        if (!unit.isEmpty())
            m_units[static_cast<size_t>(index)]->setText(QLatin1Char('[') + unit + QLatin1Char(']'));
    });
}

void frmMaxValues::Arrange()
{
    int moduleType = 1;
    bool mvEnabled = true;
    Step_(QStringLiteral("Arrange"), [&] {
        if (!global::gDeviceInfo)
            return;
        moduleType = static_cast<int>(global::gDeviceInfo->ModuleType());
        mvEnabled = global::gDeviceInfo->MvFunctionEnabled();
    });
    int height = kHeight;
    SetFrameTop(2, 2550);
    SetFrameTop(3, 3825);
    SetFrameCaption(0, kPressureCaption);
    if (moduleType == static_cast<int>(enmModuleType::DIFFERENTIAL_PRESSURE)) {
        SetFrameCaption(0, kDifferentialCaption);
    } else if (moduleType == static_cast<int>(enmModuleType::ABSOLUT_PRESSURE)) {
        SetFrameCaption(0, kAbsoluteCaption);
        Frame(1)->setVisible(false);
        SetFrameTop(3, FrameTop(2));
        SetFrameTop(2, FrameTop(1));
        height -= kFrameHeight;
    }
    if (mvEnabled) {
        Frame(3)->setVisible(true);
    } else {
        Step_(QStringLiteral("Arrange"), [&] {
            Field(3, 0)->UnRegister();
            Field(3, 1)->UnRegister();
        });
        Frame(3)->setVisible(false);
        height -= kFrameHeight;
    }
    SetWindowHeight(height);
}

bool frmMaxValues::BeforeReset(int index)
{
    pioitems::PioAppItem* minimum = m_values[static_cast<size_t>(2 * index)];
    pioitems::PioAppItem* maximum = m_values[static_cast<size_t>(2 * index + 1)];
    // The dataset as it is now, exactly: the two values and the change mark.
    m_before.clear();
    const auto view = viewRef();
    if (const auto manager = view ? view->appletItemManagerRef() : nullptr)
        for (const pioitems::PioAppItem* item : {minimum, maximum, m_appDirty})
            if (const applet::AppletItem* held = manager->Item(manager->HandleOf(item->AppItemName())))
                m_before.push_back({held->Handle(), held->Value()});
    // Each step runs even when the one before failed; the device's reset decides.
    Step_(QStringLiteral("BeforeReset"), [&] { minimum->SetStringValue(kMinimumStart); });
    Step_(QStringLiteral("BeforeReset"), [&] { maximum->SetStringValue(kMaximumStart); });
    return true;
}

void frmMaxValues::AfterReset(int, bool)
{
    // The start values the reset sent and what the device read back after it
    // are the device's measuring history, not the user's data: the dataset,
    // change mark last, holds what it held before, whether the device reset
    // or not, and the live fields show the device's values.
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    if (!manager) {
        applet::AppletTrace::Error(QStringLiteral("frmMaxValues.AfterReset: no item manager; the dataset keeps the start values"));
        return;
    }
    for (const Held& held : std::exchange(m_before, {}))
        if (!manager->Write(held.handle, held.value, applet::WriteOrigin::Client))
            applet::AppletTrace::Error(QStringLiteral("frmMaxValues.AfterReset: item %1 not given back").arg(held.handle));
}
