#include "fennick/dataset/Bmcp.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include <algorithm>

namespace Bmcp {

namespace {

constexpr int32_t kFlagsPosition = 5;
constexpr int32_t kFlagsLength = 28;
constexpr int32_t kFixedParametersPosition = 37;
constexpr int32_t kFixedParametersLength = 14;
constexpr int32_t kBytesPerTraceLine = 8;

// Default values of the parts the device does not define.
const QString kDefaultFlags = QString(kFlagsLength, QLatin1Char('0'));
const QString kDefaultFixedParameters = QString(kFixedParametersLength, QLatin1Char('0'));
const QString kDefaultTail = QStringLiteral("0002") + QStringLiteral("0002");

bool IsHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

int32_t ByteCount(const QString& hex)
{
    return static_cast<int32_t>(hex.size() / 2);
}

// Characters from the 1-based position on, at most count of them (all when count < 0).
QString Mid(const QString& text, int32_t position, int32_t count = -1)
{
    return text.mid(position - 1, count);
}

QString ThreeDigits(int32_t value)
{
    return QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
}

} // namespace

int32_t ReadHexWordAt(const QString& text, int32_t position)
{
    if (text.isEmpty() || position < 1 || text.size() < static_cast<qsizetype>(position) + 3)
        return 0;
    const QString digits = Mid(text, position, 4);
    if (!std::all_of(digits.begin(), digits.end(), IsHexDigit))
        return 0;
    return static_cast<int16_t>(static_cast<uint16_t>(digits.toUInt(nullptr, 16)));
}

QString WordToHex(int32_t value)
{
    return DataTypes::ByteToHex(static_cast<uint8_t>((value >> 8) & 0xFF))
           + DataTypes::ByteToHex(static_cast<uint8_t>(value & 0xFF));
}

void TraceBmcp(const QString& text)
{
    DataTypes::WriteTrace(Debugging::kLevelInfo, QStringLiteral("Bus Master Configuration Part data:"));
    const int32_t count = ByteCount(text);
    for (int32_t first = 0; first < count; first += kBytesPerTraceLine) {
        const int32_t last = std::min(first + kBytesPerTraceLine, count) - 1;
        QString line = QStringLiteral("Byte ") + ThreeDigits(first) + QStringLiteral("..") + ThreeDigits(last)
                       + QStringLiteral(" :");
        for (int32_t i = first; i <= last; ++i)
            line += text.mid(static_cast<qsizetype>(i) * 2, 2) + QStringLiteral(", ");
        DataTypes::WriteTrace(Debugging::kLevelInfo, line);
    }
}

QString CheckSet(const QString& text)
{
    const auto notHex = std::find_if_not(text.begin(), text.end(), IsHexDigit);
    if (notHex != text.end())
        return QStringLiteral("character %1 is no hex digit").arg(notHex - text.begin() + 1);
    if (text.size() % 2 != 0)
        return QStringLiteral("odd number of hex digits (%1)").arg(text.size());
    if (text.size() < kMinimumLength)
        return QStringLiteral("%1 hex digits, fewer than %2").arg(text.size()).arg(kMinimumLength);
    const int32_t length = static_cast<int32_t>(text.size());
    const int32_t parameterLength = ReadHexWordAt(text, kParameterLengthPosition);
    if (parameterLength < kMinimumParameterLength)
        return QStringLiteral("parameter data length %1 below %2").arg(parameterLength).arg(kMinimumParameterLength);
    const int32_t configurationAt = kParameterLengthPosition + 2 * parameterLength;
    if (configurationAt + 3 > length)
        return QStringLiteral("parameter data of %1 bytes run past the end").arg(parameterLength);
    const int32_t configurationLength = ReadHexWordAt(text, configurationAt);
    if (configurationLength < kMinimumConfigurationLength)
        return QStringLiteral("configuration data length %1 below %2")
            .arg(configurationLength)
            .arg(kMinimumConfigurationLength);
    if (configurationAt + 2 * configurationLength > length + 1)
        return QStringLiteral("configuration data of %1 bytes run past the end").arg(configurationLength);
    return QString();
}

KeptParts SplitSet(const QString& text)
{
    KeptParts parts;
    parts.flags = Mid(text, kFlagsPosition, kFlagsLength);
    parts.fixedParameters = Mid(text, kFixedParametersPosition, kFixedParametersLength);
    const int32_t parameterLength = ReadHexWordAt(text, kParameterLengthPosition);
    const int32_t configurationAt = kParameterLengthPosition + 2 * parameterLength;
    const int32_t configurationLength = ReadHexWordAt(text, configurationAt);
    parts.tail = Mid(text, configurationAt + 2 * configurationLength);
    return parts;
}

QString ParameterBlock(const QString& fixedParameters, const QString& userParameters)
{
    const QString body = fixedParameters + userParameters;
    return WordToHex(ByteCount(body) + 2) + body;
}

QString ConfigurationBlock(const QString& configuration)
{
    return WordToHex(ByteCount(configuration) + 2) + configuration;
}

QString AssembleSet(const QString& flags, const QString& parameterBlock, const QString& configurationBlock,
                    const QString& tail)
{
    const QString body = flags + parameterBlock + configurationBlock + tail;
    return WordToHex(ByteCount(body) + 2) + body;
}

QString DefaultSet(const QString& configuration, const QString& userParameters)
{
    return AssembleSet(kDefaultFlags, ParameterBlock(kDefaultFixedParameters, userParameters),
                       ConfigurationBlock(configuration), kDefaultTail);
}

} // namespace Bmcp
