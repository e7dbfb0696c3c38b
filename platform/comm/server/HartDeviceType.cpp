#include "platform/comm/server/IHartDeviceType.h"

namespace comm {

namespace {

constexpr uint16_t kLastOneByteCode = 0xFF;

bool ParseId(const QString& text, uint16_t& value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const uint32_t number = trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                ? trimmed.mid(2).toUInt(&ok, 16)
                                : trimmed.toUInt(&ok, 10);
    if (!ok || number > 0xFFFF)
        return false;
    value = static_cast<uint16_t>(number);
    return true;
}

QString Hex4(uint16_t value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

} // namespace

uint16_t HartDeviceType::ExpandedDeviceType() const
{
    if (deviceTypeId > kLastOneByteCode)
        return deviceTypeId;
    return static_cast<uint16_t>(((manufacturerId & 0xFF) << 8) | deviceTypeId);
}

bool HartDeviceType::Matches(const HartIdentity& identity) const
{
    return identity.manufacturerId == manufacturerId && identity.expandedDeviceType == ExpandedDeviceType();
}

QString HartDeviceType::Text() const
{
    return IdentityText(manufacturerId, ExpandedDeviceType());
}

bool HartDeviceType::FromTexts(const QString& manufacturerId, const QString& deviceTypeId, HartDeviceType& type,
                               QString* error)
{
    HartDeviceType parsed;
    if (!ParseId(manufacturerId, parsed.manufacturerId)) {
        if (error)
            *error = QStringLiteral("invalid manufacturer id '%1' (0 to 0xFFFF)").arg(manufacturerId);
        return false;
    }
    if (!ParseId(deviceTypeId, parsed.deviceTypeId)) {
        if (error)
            *error = QStringLiteral("invalid device type id '%1' (0 to 0xFFFF)").arg(deviceTypeId);
        return false;
    }
    type = parsed;
    return true;
}

QString IdentityText(uint16_t manufacturerId, uint16_t expandedDeviceType)
{
    return QStringLiteral("manufacturer %1, expanded device type %2").arg(Hex4(manufacturerId), Hex4(expandedDeviceType));
}

} // namespace comm
