#include "platform/frame/PropertyBagFile.h"
#include "platform/automation/ComError.h"
#include "platform/xml/EmbeddedSchemas.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"
#include <QLocale>
#include <QMetaType>
#include <QVariantMap>
#include <algorithm>
#include <cmath>
#include <libxml/tree.h>
#include <limits>

static void InitFrameSchemaResources()
{
    Q_INIT_RESOURCE(FrameSchemas);
}

namespace frame::PropertyBagFile {

namespace {

const QString kSource = QStringLiteral("PropertyBagFile");
const QString kRoot = QStringLiteral("PropertyBag");
const QString kVersion = QStringLiteral("1");
const QString kNameAttribute = QStringLiteral("name");
// The first bytes of a bag in the earlier binary form ("TPB1").
const QByteArray kEarlierMagic = QByteArrayLiteral("TPB1");

enum class Kind { Text, Integer, Boolean, Double, Bytes, Bag };

// The element of each kind of value.
struct KindElement {
    Kind kind;
    const char* element;
};
constexpr KindElement kKindElements[] = {
    {Kind::Text, "Text"},     {Kind::Integer, "Integer"}, {Kind::Boolean, "Boolean"},
    {Kind::Double, "Double"}, {Kind::Bytes, "Bytes"},     {Kind::Bag, "Bag"},
};

// The kind of each value type a file holds; unsigned types are checked for
// their range when written.
struct TypeKind {
    int typeId;
    Kind kind;
};
constexpr TypeKind kTypeKinds[] = {
    {QMetaType::QString, Kind::Text},       {QMetaType::Int, Kind::Integer},
    {QMetaType::UInt, Kind::Integer},       {QMetaType::LongLong, Kind::Integer},
    {QMetaType::ULongLong, Kind::Integer},  {QMetaType::Short, Kind::Integer},
    {QMetaType::UShort, Kind::Integer},     {QMetaType::Long, Kind::Integer},
    {QMetaType::ULong, Kind::Integer},      {QMetaType::Char, Kind::Integer},
    {QMetaType::SChar, Kind::Integer},      {QMetaType::UChar, Kind::Integer},
    {QMetaType::Bool, Kind::Boolean},       {QMetaType::Double, Kind::Double},
    {QMetaType::Float, Kind::Double},       {QMetaType::QByteArray, Kind::Bytes},
    {QMetaType::QVariantMap, Kind::Bag},
};

// The double values xs:double writes as words.
const QString kPositiveInfinity = QStringLiteral("INF");
const QString kNegativeInfinity = QStringLiteral("-INF");
const QString kNotANumber = QStringLiteral("NaN");

[[noreturn]] void Refuse(const QString& reason)
{
    throw automation::ComError(automation::E_FAIL_, reason, kSource);
}

QString Joined(const QString& path, const QString& name)
{
    return path.isEmpty() ? name : path + QLatin1Char('/') + name;
}

QString ElementName(Kind kind)
{
    for (const KindElement& entry : kKindElements)
        if (entry.kind == kind)
            return QString::fromLatin1(entry.element);
    return QString();
}

std::shared_ptr<const xml::SchemaCache> Schemas()
{
    static QString error;
    static const std::shared_ptr<const xml::SchemaCache> schemas = [] {
        InitFrameSchemaResources();
        return xml::EmbeddedSchemas::Prepare({{QStringLiteral(":/frame/schemas/PropertyBag.xsd"), kNamespace}},
                                             error);
    }();
    if (!schemas)
        Refuse(QStringLiteral("The schema of stored property bags cannot be prepared: ") + error);
    return schemas;
}

// ---- Writing ------------------------------------------------------------------

// XML 1.0 carries tab, line feed, carriage return and the characters from
// U+0020 on, except the surrogates standing alone, U+FFFE and U+FFFF.
void CheckCharacters(const QString& text, const QString& what)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        const bool allowed = (c >= 0x20 || c == 0x09 || c == 0x0A || c == 0x0D) && !QChar::isSurrogate(c)
                          && c != 0xFFFE && c != 0xFFFF;
        if (!allowed)
            Refuse(QStringLiteral("%1 holds the character U+%2, which a stored property bag cannot carry")
                       .arg(what)
                       .arg(static_cast<int>(c), 4, 16, QLatin1Char('0')));
    }
}

Kind KindOf(const QVariant& value, const QString& where)
{
    const int typeId = value.metaType().id();
    for (const TypeKind& entry : kTypeKinds)
        if (entry.typeId == typeId)
            return entry.kind;
    const char* typeName = value.metaType().name();
    Refuse(QStringLiteral("The value %1 is of the type %2, which a stored property bag cannot hold")
               .arg(where, typeName != nullptr ? QString::fromLatin1(typeName) : QStringLiteral("(none)")));
}

QString IntegerText(const QVariant& value, const QString& where)
{
    const int typeId = value.metaType().id();
    if (typeId == QMetaType::ULongLong || typeId == QMetaType::ULong) {
        const qulonglong number = value.toULongLong();
        if (number > static_cast<qulonglong>(std::numeric_limits<qint64>::max()))
            Refuse(QStringLiteral("The integer %1 (%2) is larger than a stored property bag holds")
                       .arg(where)
                       .arg(number));
        return QString::number(number);
    }
    return QString::number(value.toLongLong());
}

QString DoubleText(double number)
{
    if (std::isnan(number))
        return kNotANumber;
    if (std::isinf(number))
        return number > 0 ? kPositiveInfinity : kNegativeInfinity;
    if (number == 0 && std::signbit(number))
        return QStringLiteral("-0"); // QString::number drops the sign of zero
    return QString::number(number, 'g', QLocale::FloatingPointShortest);
}

QString ValueText(Kind kind, const QVariant& value, const QString& where)
{
    switch (kind) {
    case Kind::Text: {
        const QString text = value.toString();
        if (text.size() > kMaxTextLength)
            Refuse(QStringLiteral("The text %1 is longer than the %2 characters a stored property bag holds")
                       .arg(where)
                       .arg(kMaxTextLength));
        CheckCharacters(text, QStringLiteral("The text ") + where);
        return text;
    }
    case Kind::Integer:
        return IntegerText(value, where);
    case Kind::Boolean:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Double:
        return DoubleText(value.toDouble());
    case Kind::Bytes: {
        const QByteArray bytes = value.toByteArray();
        if (bytes.size() > kMaxBytesLength)
            Refuse(QStringLiteral("The bytes %1 are more than the %2 a stored property bag holds")
                       .arg(where)
                       .arg(kMaxBytesLength));
        return QString::fromLatin1(bytes.toBase64());
    }
    case Kind::Bag:
        break;
    }
    return QString();
}

// Each value on a line of its own, indented by its depth, so that a stored
// bag can be read and compared as text.
void WriteValues(xml::XmlDocument& document, xml::XmlNode parent, const QVariantMap& values, const QString& path,
                 int depth)
{
    const QString indent = QStringLiteral("\n") + QString(2 * depth, QLatin1Char(' '));
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString where = Joined(path, it.key());
        if (it.key().isEmpty() || it.key().size() > kMaxNameLength)
            Refuse(QStringLiteral("The name %1 is empty or longer than %2 characters").arg(where).arg(kMaxNameLength));
        CheckCharacters(it.key(), QStringLiteral("The name ") + where);
        const Kind kind = KindOf(it.value(), where);
        parent.AppendChild(document.CreateTextNode(indent));
        xml::XmlNode element = parent.AppendChild(document.CreateElement(ElementName(kind)));
        element.SetAttribute(kNameAttribute, it.key());
        if (kind != Kind::Bag) {
            element.SetText(ValueText(kind, it.value(), where));
            continue;
        }
        if (depth >= kMaxDepth)
            Refuse(QStringLiteral("The bag %1 lies deeper than the %2 levels a stored property bag holds")
                       .arg(where)
                       .arg(kMaxDepth));
        const QVariantMap inner = it.value().toMap();
        WriteValues(document, element, inner, where, depth + 1);
        if (!inner.isEmpty())
            element.AppendChild(document.CreateTextNode(indent));
    }
}

// ---- Reading ------------------------------------------------------------------

QString AtLine(int line)
{
    return line > 0 ? QStringLiteral("line %1: ").arg(line) : QString();
}

[[noreturn]] void RefuseValue(const xml::XmlNode& element, const QString& where, const QString& reason)
{
    Refuse(QStringLiteral("The stored property bag is broken: %1%2 %3").arg(AtLine(element.Line()), where, reason));
}

// White space as XML has it.
bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool IsWhiteSpace(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), IsBlank);
}

QString WithoutWhiteSpace(QString text)
{
    text.removeIf(IsBlank);
    return text;
}

QVariant ReadInteger(const xml::XmlNode& element, const QString& where)
{
    bool ok = false;
    const qlonglong number = element.Text().trimmed().toLongLong(&ok, 10);
    if (!ok)
        RefuseValue(element, where, QStringLiteral("is no 64-bit integer"));
    if (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
        return QVariant(static_cast<int>(number));
    return QVariant(number);
}

QVariant ReadBoolean(const xml::XmlNode& element, const QString& where)
{
    const QString text = element.Text().trimmed();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return QVariant(true);
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return QVariant(false);
    RefuseValue(element, where, QStringLiteral("is no boolean"));
}

QVariant ReadDouble(const xml::XmlNode& element, const QString& where)
{
    const QString text = element.Text().trimmed();
    if (text == kPositiveInfinity)
        return QVariant(std::numeric_limits<double>::infinity());
    if (text == kNegativeInfinity)
        return QVariant(-std::numeric_limits<double>::infinity());
    if (text == kNotANumber)
        return QVariant(std::numeric_limits<double>::quiet_NaN());
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        RefuseValue(element, where, QStringLiteral("is no double"));
    return QVariant(number);
}

QVariant ReadBytes(const xml::XmlNode& element, const QString& where)
{
    const QByteArray text = WithoutWhiteSpace(element.Text()).toLatin1();
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() > kMaxBytesLength)
        RefuseValue(element, where, QStringLiteral("is no base64 text of at most %1 bytes").arg(kMaxBytesLength));
    return QVariant(decoded.decoded);
}

QVariantMap ReadValues(const xml::XmlNode& parent, const QString& path, int depth)
{
    QVariantMap values;
    for (const xml::XmlNode& child : parent.ChildNodes()) {
        switch (child.Type()) {
        case xml::NodeType::Comment:
        case xml::NodeType::ProcessingInstruction:
            continue;
        case xml::NodeType::Text:
        case xml::NodeType::CData:
            if (IsWhiteSpace(child.Text()))
                continue;
            RefuseValue(child, path.isEmpty() ? kRoot : path, QStringLiteral("holds text between its values"));
        case xml::NodeType::Element:
            break;
        default:
            RefuseValue(child, path.isEmpty() ? kRoot : path, QStringLiteral("holds a node that is no value"));
        }
        const QString name = child.Attribute(kNameAttribute);
        const QString where = Joined(path, name);
        if (name.isEmpty() || name.size() > kMaxNameLength)
            RefuseValue(child, where, QStringLiteral("has no name of 1 to %1 characters").arg(kMaxNameLength));
        if (values.contains(name))
            RefuseValue(child, where, QStringLiteral("is named twice"));
        if (child.NamespaceUri() != kNamespace)
            RefuseValue(child, where, QStringLiteral("is not in the namespace %1").arg(kNamespace));
        const QString element = child.LocalName();
        if (element == ElementName(Kind::Text)) {
            values.insert(name, child.Text());
        } else if (element == ElementName(Kind::Integer)) {
            values.insert(name, ReadInteger(child, where));
        } else if (element == ElementName(Kind::Boolean)) {
            values.insert(name, ReadBoolean(child, where));
        } else if (element == ElementName(Kind::Double)) {
            values.insert(name, ReadDouble(child, where));
        } else if (element == ElementName(Kind::Bytes)) {
            values.insert(name, ReadBytes(child, where));
        } else if (element == ElementName(Kind::Bag)) {
            if (depth >= kMaxDepth)
                RefuseValue(child, where, QStringLiteral("lies deeper than %1 levels").arg(kMaxDepth));
            values.insert(name, ReadValues(child, where, depth + 1));
        } else {
            RefuseValue(child, where, QStringLiteral("is a %1, which is no kind of value").arg(element));
        }
    }
    return values;
}

} // namespace

QByteArray ToBytes(const automation::PropertyBag& bag)
{
    QVariantMap values;
    for (const QString& key : bag.Keys())
        values.insert(key, bag.Read(key));
    xml::XmlDocument document;
    document.AppendProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
    xml::XmlNode root = document.AppendChild(document.CreateElement(kRoot));
    root.SetAttribute(QStringLiteral("xmlns"), kNamespace);
    root.SetAttribute(QStringLiteral("version"), kVersion);
    WriteValues(document, root, values, QString(), 1);
    if (!values.isEmpty())
        root.AppendChild(document.CreateTextNode(QStringLiteral("\n")));
    const QByteArray bytes = document.Xml().toUtf8();
    if (bytes.size() > kMaxFileSize)
        Refuse(QStringLiteral("The property bag takes %1 bytes, more than the %2 a stored one may take")
                   .arg(bytes.size())
                   .arg(kMaxFileSize));
    return bytes;
}

void FromBytes(const QByteArray& bytes, automation::PropertyBag& bag)
{
    if (bytes.size() > kMaxFileSize)
        Refuse(QStringLiteral("The data takes %1 bytes, more than the %2 a stored property bag may take")
                   .arg(bytes.size())
                   .arg(kMaxFileSize));
    if (bytes.startsWith(kEarlierMagic))
        Refuse(QStringLiteral("The data is a property bag in the earlier binary form, which is no longer read: "
                              "that form cannot be read safely from a file of unknown origin"));
    const auto schemas = Schemas();
    xml::XmlDocument document;
    document.SetPreserveWhiteSpace(true);
    document.SetValidateOnParse(false);
    if (!document.LoadUtf8(bytes))
        Refuse(QStringLiteral("The data is not a stored property bag: ") + AtLine(document.ParseError().line)
               + document.ParseError().reason.trimmed());
    // A stored bag has no document type: entities could bring in other files
    // or blow a small file up.
    if (document.Raw()->intSubset != nullptr || document.Raw()->extSubset != nullptr)
        Refuse(QStringLiteral("The data is not a stored property bag: it declares a document type (entities)"));
    const xml::XmlNode root = document.DocumentElement();
    if (root.LocalName() != kRoot || root.NamespaceUri() != kNamespace)
        Refuse(QStringLiteral("The data is not a stored property bag: its root is %1 in the namespace '%2'")
                   .arg(root.Name(), root.NamespaceUri()));
    document.SetSchemas(schemas);
    const xml::XmlParseError invalid = document.Validate();
    if (invalid.IsError())
        Refuse(QStringLiteral("The stored property bag does not fit its schema: ") + AtLine(invalid.line)
               + invalid.reason.trimmed());
    const QVariantMap values = ReadValues(root, QString(), 1);
    automation::PropertyBag loaded;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        loaded.Write(it.key(), it.value());
    bag = std::move(loaded);
}

} // namespace frame::PropertyBagFile
