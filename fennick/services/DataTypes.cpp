#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/ValueConverter.h"
#include <cstdio>

namespace DataTypes {

namespace {
TraceSink& sink()
{
    static TraceSink s;
    return s;
}
} // namespace

void SetTraceSink(TraceSink s)
{
    sink() = std::move(s);
}

QString FormatTraceLine(int32_t level, const QString& text)
{
    QString tagPart;
    if (const Debugging::ISystemTagSource* dtm = Debugging::CurrentDtmObject())
        tagPart = QLatin1Char('[') + dtm->SystemTag() + QLatin1Char(']');
    return QStringLiteral("#TPT:  #A: ") + Debugging::ProgramTitle() + QStringLiteral("  #L: ")
           + QString::number(level) + QStringLiteral("  #M: ") + tagPart + text;
}

void WriteTrace(int32_t level, const QString& text)
{
    const QString line = FormatTraceLine(level, text);
    if (sink()) {
        sink()(line);
        return;
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
}

void Convert_Long0xToXmlDec(QString& text)
{
    int32_t value = 0;
    int32_t failed = 0;
    applet::ValueConverter::instance().HexTextToLong(text, value, failed);
    if (failed != 0) {
        Debugging::TraceError(QStringLiteral("Convert_Long0xToXmlDec: String/Long value invalid"));
        return;
    }
    text = QString::number(value);
}

bool Convert_ByteOxToXML(const QString& text, QString& result)
{
    int32_t value = 0;
    int32_t failed = 0;
    applet::ValueConverter::instance().HexTextToLong(text, value, failed);
    if (failed != 0) {
        Debugging::TraceError(QStringLiteral("Convert_ByteOxToXML: String/Byte value invalid"));
        return false;
    }
    if (value < 0 || value > 255) {
        Debugging::TraceError(QStringLiteral("Convert_ByteOxToXML: String/Byte value exceeds limits"));
        return false;
    }
    result = ByteToHex(static_cast<uint8_t>(value));
    return true;
}

QString ByteToHex(uint8_t value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

bool VariantArrayToStrings(const QVariant& value, QStringList& strings)
{
    if (!value.isValid() || value.isNull() || !value.canConvert<QVariantList>()
        || value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return false;
    const QVariantList list = value.toList();
    QStringList texts;
    texts.reserve(list.size());
    for (const QVariant& element : list)
        texts.append(element.toString());
    strings = texts;
    return true;
}

} // namespace DataTypes
