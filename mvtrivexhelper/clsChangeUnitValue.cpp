#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/UnitTable.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include <limits>

namespace {

void TraceUnchanged(double value, int32_t oldim, int32_t newdim, const QString& why)
{
    applet::AppletTrace::Error(QStringLiteral("ChangeUnitValue %1 from unit %2 to %3 left unchanged: %4")
                                   .arg(NumberText::Plain(value))
                                   .arg(oldim)
                                   .arg(newdim)
                                   .arg(why));
}

bool FitsCode(int32_t code)
{
    return code >= std::numeric_limits<int16_t>::min() && code <= std::numeric_limits<int16_t>::max();
}

} // namespace

QVariant clsChangeUnitValue::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (m_registered)
        return QVariant();
    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(AppletItemManagerRef);
    m_deviceInfo = std::move(deviceInfo);
    m_registered = true;
    return QVariant();
}

double clsChangeUnitValue::ChangeUnitValue(double Value, int32_t oldim, int32_t newdim)
{
    if (!m_registered) {
        TraceUnchanged(Value, oldim, newdim, QStringLiteral("no device information (not registered)"));
        return Value;
    }
    enmCommType bus = enmCommType::HART;
    try {
        bus = m_deviceInfo->CommType();
    } catch (const automation::ComError& error) {
        TraceUnchanged(Value, oldim, newdim, QStringLiteral("bus kind unknown (%1)").arg(error.description()));
        return Value;
    }
    if (!FitsCode(oldim) || !FitsCode(newdim)) {
        TraceUnchanged(Value, oldim, newdim, QStringLiteral("unit code out of range"));
        return Value;
    }
    if (oldim == newdim)
        return Value;

    const UnitTable::UnitRow* from = UnitTable::Find(bus, static_cast<int16_t>(oldim));
    const UnitTable::UnitRow* to = UnitTable::Find(bus, static_cast<int16_t>(newdim));
    if (!from || !to) {
        TraceUnchanged(Value, oldim, newdim,
                       QStringLiteral("unit %1 not known on bus kind %2")
                           .arg(from ? newdim : oldim)
                           .arg(static_cast<int32_t>(bus)));
        return Value;
    }
    double base = 0;
    double result = 0;
    if (!from->toBase.Apply(Value, base) || !UnitTable::FromBase(*to, bus).Apply(base, result)) {
        TraceUnchanged(Value, oldim, newdim, QStringLiteral("overflow"));
        return Value;
    }
    return result;
}
