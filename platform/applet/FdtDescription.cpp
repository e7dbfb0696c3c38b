#include "platform/applet/FdtDescription.h"
#include "platform/applet/SchemaFiles.h"
#include "platform/xml/XmlDocument.h"
#include <QSet>
#include <array>

namespace applet {

namespace {

QStringList EntryNames(const xml::XmlNode& list)
{
    QStringList names;
    for (const xml::XmlNode& entry : list.ChildElements())
        names.append(entry.Attribute(QStringLiteral("name")));
    return names;
}

// The whole-number variant types of fixed values and their ranges.
struct NumberTypeRow {
    int32_t valueType;
    qint64 low;
    qint64 high;
    bool isSigned;
};

constexpr std::array<NumberTypeRow, 6> kNumberTypes{{
    {16, -128, 127, true},                        // 1-byte signed
    {2, -32768, 32767, true},                     // 2-byte signed
    {3, -2147483648LL, 2147483647LL, true},       // 4-byte signed
    {17, 0, 255, false},                          // 1-byte unsigned
    {18, 0, 65535, false},                        // 2-byte unsigned
    {19, 0, 4294967295LL, false},                 // 4-byte unsigned
}};

// A fixed value in the variant type the file names; false when the text is
// not a value of that type.
bool FixedValue(int32_t valueType, const QString& text, QVariant& value)
{
    const QString t = text.trimmed();
    for (const NumberTypeRow& row : kNumberTypes) {
        if (row.valueType != valueType)
            continue;
        bool ok = false;
        const qint64 number = t.toLongLong(&ok);
        if (!ok || number < row.low || number > row.high)
            return false;
        value = row.isSigned ? QVariant(static_cast<int32_t>(number)) : QVariant(static_cast<uint32_t>(number));
        return true;
    }
    if (valueType == 11) {
        const bool yes = t == QLatin1String("1") || t == QLatin1String("-1") || t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        const bool no = t == QLatin1String("0") || t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
        if (!yes && !no)
            return false;
        value = yes;
        return true;
    }
    value = text;
    return true;
}

} // namespace

bool FdtDescription::Read(const QString& path, FdtDescription& description, QString& error)
{
    auto refuse = [&](int line, const QString& reason) {
        error = SchemaFiles::FileError(path, line, reason);
        return false;
    };
    xml::XmlDocument document;
    if (!SchemaFiles::Load(path, SchemaFiles::kFdtNamespace, QStringLiteral("FdtDescription"), document, error))
        return false;
    const xml::XmlNode root = document.DocumentElement();

    FdtDescription d;
    const xml::XmlNode applications = root.FirstChildElement(QStringLiteral("Applications"));
    if (!applications.IsNull())
        for (const xml::XmlNode& node : applications.ChildElements())
            d.applications.append(FdtApplication{node.Attribute(QStringLiteral("text")),
                                                 node.Attribute(QStringLiteral("form")),
                                                 static_cast<int32_t>(node.Attribute(QStringLiteral("flags")).toUInt())});
    QSet<QString> names;
    const xml::XmlNode parameters = root.FirstChildElement(QStringLiteral("Parameters"));
    if (!parameters.IsNull()) {
        for (const xml::XmlNode& node : parameters.ChildElements()) {
            const QString name = node.Attribute(QStringLiteral("name"));
            const QString element = node.LocalName();
            // Items share one collection on the reading side; channels and
            // modules have collections of their own.
            const QString key = (element == QLatin1String("Channel") || element == QLatin1String("Module"))
                                    ? element + QLatin1Char(':') + name.toLower()
                                    : name.toLower();
            if (names.contains(key))
                return refuse(node.Line(), QStringLiteral("%1 '%2' is defined twice").arg(element, name));
            names.insert(key);
            if (element == QLatin1String("AppletItem")) {
                d.appletItems.append({name, FdtAppletItemRecord{node.Attribute(QStringLiteral("object")),
                                                                node.Attribute(QStringLiteral("typeCode")).toInt()}});
            } else if (element == QLatin1String("FixedItem")) {
                FdtFixedItemRecord record;
                record.valueType = node.Attribute(QStringLiteral("valueType")).toInt();
                record.typeCode = node.Attribute(QStringLiteral("typeCode")).toInt();
                const QString value = node.Attribute(QStringLiteral("value"));
                if (!FixedValue(record.valueType, value, record.value))
                    return refuse(node.Line(), QStringLiteral("FixedItem '%1': '%2' is no value of variant type %3")
                                                   .arg(name, value)
                                                   .arg(record.valueType));
                record.length = node.HasAttribute(QStringLiteral("length")) ? node.Attribute(QStringLiteral("length")).toInt() : 0;
                if (record.length < 0)
                    return refuse(node.Line(), QStringLiteral("FixedItem '%1': negative length").arg(name));
                d.fixedItems.append({name, record});
            } else if (element == QLatin1String("Channel")) {
                d.channels.append({name, EntryNames(node)});
            } else if (element == QLatin1String("Module")) {
                d.modules.append({name, EntryNames(node)});
            }
        }
    }
    description = std::move(d);
    return true;
}

} // namespace applet
