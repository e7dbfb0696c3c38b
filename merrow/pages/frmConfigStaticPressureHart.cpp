#include "merrow/pages/frmConfigStaticPressureHart.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioFieldControl.h"
#include <QGroupBox>
#include <QVBoxLayout>

using namespace pagecontrols;

namespace {

constexpr int kComputingFlow = 8;
constexpr double kParallelShiftAfterRevision = 21;
constexpr int kTallTwips = 2310;
constexpr int kShortTwips = 1200;
constexpr const char* kUnitItem = "ptrbStaticPressureScaleInUnit";

constexpr FieldRow kRange[] = {
    {"PioLabelComboUnit1", FieldKind::Combo, kUnitItem, 2050, nullptr, nullptr, false},
    {"txtMessende", FieldKind::Text, "ptrbStaticPressureScaleIn100", 2043, nullptr, kUnitItem, false},
    {"txtMessanfang", FieldKind::Text, "ptrbStaticPressureScaleIn0", 2042, nullptr, kUnitItem, false},
};
constexpr FieldRow kParallelShift = {"PioLabelTextUnit1", FieldKind::Text, "mvInPDefault", 2589, nullptr, "mvInPUnit", false};

} // namespace

frmConfigStaticPressureHart::frmConfigStaticPressureHart()
    : PioPage(QStringLiteral("frmConfigStaticPressureHart"), false, false)
{
    setProperty("Tag", QStringLiteral("2019"));
    setWindowTitle(QStringLiteral("Configure Pressure Meas."));
    auto* column = new QVBoxLayout(this);
    m_frame1 = TaggedFrame(this, QStringLiteral("Frame1"), 2143);
    auto* range = new QVBoxLayout(m_frame1);
    for (const FieldRow& row : kRange)
        range->addWidget(pagecontrols::Field(m_frame1, row));
    m_frame1->setVisible(false); // until the page registered its controls
    column->addWidget(m_frame1);
    m_parallelShift = TaggedFrame(this, QStringLiteral("fraParallelverschiebung"), 2591);
    (new QVBoxLayout(m_parallelShift))->addWidget(pagecontrols::Field(m_parallelShift, kParallelShift));
    column->addWidget(m_parallelShift);
    column->addStretch(1);

    pioitems::Ambient::SetUserMode(this, false);
    m_appMvModeBlkActual = AppItem(this, QStringLiteral("appMvModeBlkActual"), QStringLiteral("mvModeBlkActual"));
    AppItem(this, QStringLiteral("appPtrbSoftwareSpecifics"), QStringLiteral("pbSoftwareSpecifics"));
    m_inputLimits = RangeLimitItemControls(this, RangeLimits::StaticPressureInput);
    pioitems::Ambient::SetUserMode(this, true);
    for (pioitems::PioAppItem* limit : {m_inputLimits.unit, m_inputLimits.lower, m_inputLimits.upper})
        connect(limit, &pioitems::PioAppItem::ValueChanged, this, [this] { LimitOffset(); });
    connect(m_appMvModeBlkActual, &pioitems::PioAppItem::ValueChanged, this, [this] {
        if (Registered())
            HeightRule();
    });
}

controls::PioFieldControl* frmConfigStaticPressureHart::Field(const QString& name) const
{
    return findChild<controls::PioFieldControl*>(name);
}

void frmConfigStaticPressureHart::LimitOffset()
{
    // The offset is shown in the unit of the input's limits.
    LimitToRange(*Field(QLatin1String(kParallelShift.control)), m_inputLimits,
                 static_cast<int16_t>(m_inputLimits.unit->IntValue()));
}

void frmConfigStaticPressureHart::OnFirstActivation()
{
    m_frame1->setVisible(true);
    HeightRule();
}

void frmConfigStaticPressureHart::HeightRule()
{
    bool shift = false;
    if (global::gDeviceInfo) {
        IDeviceInfo& device = *global::gDeviceInfo;
        shift = device.softwareRevision().toDouble() > kParallelShiftAfterRevision &&
                device.MvActualBlockMode() == kComputingFlow;
    } else {
        applet::AppletTrace::Error(QStringLiteral("frmConfigStaticPressureHart: no device information"));
    }
    m_heightTwips = shift ? kTallTwips : kShortTwips;
    // The short window leaves the parallel shift outside it.
    m_parallelShift->setVisible(shift);
    adjustSize();
    if (QWidget* frame = parentWidget())
        frame->adjustSize();
}
