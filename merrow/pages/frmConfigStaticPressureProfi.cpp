#include "merrow/pages/frmConfigStaticPressureProfi.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioFieldControl.h"
#include <QBoxLayout>
#include <QGroupBox>
#include <QVBoxLayout>

using namespace pagecontrols;

namespace {

constexpr int kComputingFlow = 8;
// The parallel shift exists from this revision on (exclusive).
constexpr double kParallelShiftAfterRevision = 21;
const char* const kUnitItem = "ptrbStaticPressureScaleInUnit";

// The output items are the bare parameter names of an analog-input block;
// the block that carries the static pressure gives them their prefix.
const frmConfigChannel::Variant kVariant = {
    "frmConfigStaticPressureProfi", 2220, "Configure Static Pressure Measurement", "txtAipLimit",
    {"OutScaleUnit", "OutScale0", "OutScale100", "LowCut", "LoLim", "HiLim", "LoLoLim", "HiHiLim", "PvFtime",
     "AlarmHys", "LType"},
    {
        {"txtMessende", FieldKind::Text, "ptrbStaticPressureScaleIn100", 2043, nullptr, kUnitItem, false},
        {"txtMessanfang", FieldKind::Text, "ptrbStaticPressureScaleIn0", 2042, nullptr, kUnitItem, false},
        {"cmbPvScaleUnit(0)", FieldKind::Combo, kUnitItem, 2050, nullptr, nullptr, false},
    }};

// Item controls bound for the block mapping, without handlers.
constexpr const char* kMappingItems[][2] = {
    {"appPtrbChannel1MapFF", "ptrbChannel1MapFF"}, {"appPtrbChannel2MapFF", "ptrbChannel2MapFF"},
    {"appAiPChannel", "aipChannel"},               {"appAiDPChannel", "aiDPChannel"},
    {"appPbSoftwareSpecifics", "pbSoftwareSpecifics"},
};

} // namespace

frmConfigStaticPressureProfi::frmConfigStaticPressureProfi() : frmConfigChannel(kVariant)
{
    QWidget* tab = ProcessVariableTab();
    m_parallelShift = TaggedFrame(tab, QStringLiteral("fraParallelverschiebung"), 2591);
    auto* column = new QVBoxLayout(m_parallelShift);
    m_offset = pagecontrols::Field(
        m_parallelShift, {"PioLabelTextUnit1", FieldKind::Text, "mvInPDefault", 2589, nullptr, kUnitItem, false});
    column->addWidget(m_offset);
    static_cast<QBoxLayout*>(tab->layout())->insertWidget(0, m_parallelShift);

    pioitems::Ambient::SetUserMode(this, false);
    for (const auto& item : kMappingItems)
        AppItem(this, QLatin1String(item[0]), QLatin1String(item[1]));
    m_appScaleInUnit = AppItem(this, QStringLiteral("appStaticPressureScaleInUnit"), QLatin1String(kUnitItem));
    m_inputLimits = RangeLimitItemControls(this, RangeLimits::StaticPressureInput);
    pioitems::Ambient::SetUserMode(this, true);
    for (pioitems::PioAppItem* limit : {m_appScaleInUnit, m_inputLimits.unit, m_inputLimits.lower, m_inputLimits.upper})
        connect(limit, &pioitems::PioAppItem::ValueChanged, this, [this] { LimitOffset(); });
}

void frmConfigStaticPressureProfi::LimitOffset()
{
    LimitToRange(*m_offset, m_inputLimits, static_cast<int16_t>(m_appScaleInUnit->IntValue()));
}

void frmConfigStaticPressureProfi::OnBeforeRegister()
{
    // A HART device carries the static pressure in its differential-pressure
    // block's second input, the fieldbus devices in the pressure block.
    QString prefix = QStringLiteral("aip");
    if (global::gDeviceInfo) {
        try {
            if (global::gDeviceInfo->CommType() == enmCommType::HART)
                prefix = QStringLiteral("aidp");
        } catch (const std::exception& error) {
            applet::AppletTrace::Error(QStringLiteral("frmConfigStaticPressureProfi: %1").arg(QString::fromLocal8Bit(error.what())));
        }
    }
    for (controls::PioFieldControl* control : OutputControls()) {
        if (control->EntryList())
            control->SetObjectNameCombo(prefix + control->ObjectNameCombo());
        else
            control->SetObjectNameText(prefix + control->ObjectNameText());
    }
}

void frmConfigStaticPressureProfi::EnablingRules()
{
    frmConfigChannel::EnablingRules();
    if (!global::gDeviceInfo)
        return;
    IDeviceInfo& device = *global::gDeviceInfo;
    m_parallelShift->setVisible(device.softwareRevision().toDouble() > kParallelShiftAfterRevision &&
                                device.MvActualBlockMode() == kComputingFlow);
}
