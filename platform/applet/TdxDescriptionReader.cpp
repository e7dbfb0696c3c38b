#include "platform/applet/TdxDescriptionReader.h"
#include "platform/applet/SchemaFiles.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/xml/XmlDocument.h"
#include <QSet>
#include <bit>

namespace applet::TdxDescriptionReader {

namespace {

// The most an item may hold (bytes of octets and packed ASCII, characters of
// text): a description cannot make the applet allocate without bound.
constexpr int kMaxItemSize = 65535;
// Data bytes of a command frame; a response spends two of them on its status.
constexpr int kMaxRequestBytes = comm::kMaxHartDataBytes;
constexpr int kMaxResponseBytes = comm::kMaxHartDataBytes - 2;
// A BCD field is read into a 64-bit word: 16 digits at most.
constexpr int kMaxBcdBytes = 8;

// A reason tied to the line of the element it is about.
struct Failure {
    int line = 0;
    QString reason;
};

class Reader {
public:
    explicit Reader(const QString& path) : m_path(path) {}

    bool Run(const xml::XmlNode& root, Description& d);
    const Failure& Fail() const { return m_failure; }

private:
    bool Refuse(const xml::XmlNode& node, const QString& reason)
    {
        if (m_failure.reason.isEmpty())
            m_failure = Failure{node.Line(), reason};
        return false;
    }
    // Names are unique within their kind and carry no sub-item marker: the
    // applet makes the items with markers itself, one per owner.
    bool Unique(QSet<QString>& names, const xml::XmlNode& node, const QString& name, const char* what)
    {
        const QString key = Description::Key(name);
        if (names.contains(key))
            return Refuse(node, QStringLiteral("%1 '%2' is defined twice").arg(QLatin1String(what), name));
        names.insert(key);
        QString owner;
        if (SubItemName::Parse(name, owner) != SubItemKind::None)
            return Refuse(node, QStringLiteral("%1 '%2' carries a sub-item marker; the applet makes such items itself")
                                    .arg(QLatin1String(what), name));
        return true;
    }
    static int IntAttribute(const xml::XmlNode& node, const QString& name, int fallback)
    {
        return node.HasAttribute(name) ? node.Attribute(name).trimmed().toInt() : fallback;
    }

    bool ReadHeader(const xml::XmlNode& root, Description& d);
    bool ReadViewsAndForms(const xml::XmlNode& root, Description& d);
    bool ReadEnumerations(const xml::XmlNode& root, Description& d);
    bool ReadObjects(const xml::XmlNode& root, Description& d);
    bool ReadMenu(const xml::XmlNode& root, Description& d);
    bool ReadRecords(const xml::XmlNode& root, Description& d);
    bool ReadLayout(const xml::XmlNode& layout, const Description& d, bool request, QList<FieldLayout>& fields,
                    int& length);
    bool ReadSequences(const xml::XmlNode& root, Description& d);

    QString m_path;
    Failure m_failure;
};

xml::XmlNodeList Children(const xml::XmlNode& parent, const QString& section, const QString& element)
{
    const xml::XmlNode holder = parent.FirstChildElement(section);
    if (holder.IsNull())
        return {};
    xml::XmlNodeList result;
    for (const xml::XmlNode& child : holder.ChildElements())
        if (element.isEmpty() || child.LocalName() == element)
            result.append(child);
    return result;
}

bool Reader::ReadHeader(const xml::XmlNode& root, Description& d)
{
    QSet<QString> names;
    for (const xml::XmlNode& key : Children(root, QStringLiteral("Header"), QStringLiteral("Key"))) {
        const QString name = key.Attribute(QStringLiteral("name"));
        if (!Unique(names, key, name, "Header key"))
            return false;
        d.header.append(DescHeaderKey{name, key.Attribute(QStringLiteral("value"))});
    }
    return true;
}

bool Reader::ReadViewsAndForms(const xml::XmlNode& root, Description& d)
{
    for (const xml::XmlNode& view : Children(root, QStringLiteral("StartViews"), QStringLiteral("View")))
        d.startViews.append(view.Attribute(QStringLiteral("progId")));
    QSet<QString> names;
    for (const xml::XmlNode& form : Children(root, QStringLiteral("Forms"), QStringLiteral("Form"))) {
        const QString name = form.Attribute(QStringLiteral("name"));
        if (!Unique(names, form, name, "Form"))
            return false;
        d.forms.append(DescForm{name, form.Attribute(QStringLiteral("progId"))});
    }
    return true;
}

bool Reader::ReadEnumerations(const xml::XmlNode& root, Description& d)
{
    QSet<QString> names;
    for (const xml::XmlNode& node : Children(root, QStringLiteral("Enumerations"), QStringLiteral("Enumeration"))) {
        DescEnumeration enumeration;
        enumeration.name = node.Attribute(QStringLiteral("name"));
        enumeration.text = node.Attribute(QStringLiteral("text"));
        if (!Unique(names, node, enumeration.name, "Enumeration"))
            return false;
        QSet<int32_t> values;
        for (const xml::XmlNode& entry : node.ChildElements()) {
            const int32_t value = IntAttribute(entry, QStringLiteral("value"), 0);
            if (values.contains(value))
                return Refuse(entry, QStringLiteral("Enumeration '%1' holds the value %2 twice")
                                         .arg(enumeration.name)
                                         .arg(value));
            values.insert(value);
            enumeration.entries.append(DescEnumEntry{value, entry.Attribute(QStringLiteral("text")),
                                                     entry.Attribute(QStringLiteral("textDe"))});
        }
        d.enumerations.append(enumeration);
    }
    return true;
}

bool Reader::ReadObjects(const xml::XmlNode& root, Description& d)
{
    QSet<QString> names;
    for (const xml::XmlNode& node : Children(root, QStringLiteral("Objects"), QStringLiteral("Object"))) {
        DescObject object;
        object.name = node.Attribute(QStringLiteral("name"));
        object.text = node.Attribute(QStringLiteral("text"));
        object.defaultText = node.Attribute(QStringLiteral("default"));
        object.enumeration = node.Attribute(QStringLiteral("enumeration"));
        if (!Unique(names, node, object.name, "Object"))
            return false;
        ItemValue::TypeFromName(node.Attribute(QStringLiteral("type")), object.type);
        object.scope = node.Attribute(QStringLiteral("scope")) == QLatin1String("applet") ? ObjectScope::Applet
                                                                                           : ObjectScope::Device;
        const QString persistent = node.Attribute(QStringLiteral("persistent"));
        object.persistent = persistent.isEmpty() ? object.scope == ObjectScope::Device
                                                 : (persistent == QLatin1String("true") || persistent == QLatin1String("1"));
        const bool hasSize = node.HasAttribute(QStringLiteral("size"));
        const int size = IntAttribute(node, QStringLiteral("size"), 0);
        switch (object.type) {
        case ItemType::Int:
        case ItemType::Unsigned:
        case ItemType::Enumerated:
            object.size = hasSize ? size : 32;
            if (object.size < 1 || object.size > 32)
                return Refuse(node, QStringLiteral("Object '%1': a number has 1 to 32 bits, not %2").arg(object.name).arg(size));
            break;
        case ItemType::Float:
            object.size = 32;
            break;
        case ItemType::Boolean:
            object.size = 1;
            break;
        case ItemType::HartDate:
            object.size = 3;
            break;
        case ItemType::PackedAscii:
            object.size = size;
            if (size < 3 || size % 3 != 0)
                return Refuse(node, QStringLiteral("Object '%1': packed ASCII needs a size in bytes that is a multiple of 3")
                                        .arg(object.name));
            break;
        case ItemType::Octets:
        case ItemType::Text:
            object.size = size;
            if (size < 0)
                return Refuse(node, QStringLiteral("Object '%1': negative size").arg(object.name));
            break;
        }
        if (object.size > kMaxItemSize)
            return Refuse(node, QStringLiteral("Object '%1': size %2 is above the largest item size, %3")
                                    .arg(object.name)
                                    .arg(object.size)
                                    .arg(kMaxItemSize));
        if (!object.enumeration.isEmpty()) {
            if (!d.FindEnumeration(object.enumeration))
                return Refuse(node, QStringLiteral("Object '%1' names the unknown enumeration '%2'")
                                        .arg(object.name, object.enumeration));
            if (object.type != ItemType::Enumerated && object.type != ItemType::Unsigned)
                return Refuse(node, QStringLiteral("Object '%1': only unsigned and enumerated objects take an enumeration")
                                        .arg(object.name));
        } else if (object.type == ItemType::Enumerated) {
            return Refuse(node, QStringLiteral("Object '%1' is enumerated but names no enumeration").arg(object.name));
        }
        if (!object.defaultText.isEmpty()) {
            QVariant value;
            QString why;
            if (!ItemValue::FromText(object.type, object.size, object.defaultText, value, &why))
                return Refuse(node, QStringLiteral("Object '%1': default '%2' does not fit: %3")
                                        .arg(object.name, object.defaultText, why));
        }
        object.dateText = node.Attribute(QStringLiteral("form")) == QLatin1String("date");
        if (object.dateText && object.type != ItemType::Text)
            return Refuse(node, QStringLiteral("Object '%1': only a text holds a date as text").arg(object.name));
        for (auto [attribute, bound] : {std::pair{"min", &object.minimum}, std::pair{"max", &object.maximum}})
            if (node.HasAttribute(QLatin1String(attribute)))
                *bound = node.Attribute(QLatin1String(attribute)).toDouble();
        if (object.minimum || object.maximum) {
            if (object.type != ItemType::Float && object.type != ItemType::Int && object.type != ItemType::Unsigned)
                return Refuse(node, QStringLiteral("Object '%1': only numbers take a range").arg(object.name));
            if (object.minimum && object.maximum && *object.minimum > *object.maximum)
                return Refuse(node, QStringLiteral("Object '%1': min %2 is above max %3")
                                        .arg(object.name)
                                        .arg(*object.minimum)
                                        .arg(*object.maximum));
            const double fallback = object.minimum.value_or(object.maximum.value_or(0));
            const double start = object.defaultText.isEmpty() ? fallback : object.defaultText.toDouble();
            if (!object.InRange(start))
                return Refuse(node, QStringLiteral("Object '%1': default %2 is outside its range").arg(object.name).arg(start));
        }
        d.objects.append(object);
    }
    return true;
}

bool Reader::ReadMenu(const xml::XmlNode& root, Description& d)
{
    QSet<QString> names;
    for (const xml::XmlNode& node : Children(root, QStringLiteral("Menu"), QStringLiteral("Entry"))) {
        DescMenuEntry entry;
        entry.name = node.Attribute(QStringLiteral("name"));
        entry.label = node.Attribute(QStringLiteral("label"));
        entry.help = node.Attribute(QStringLiteral("help"));
        entry.command = node.Attribute(QStringLiteral("command"));
        entry.number = IntAttribute(node, QStringLiteral("number"), 0);
        entry.state = IntAttribute(node, QStringLiteral("state"), 3);
        if (!Unique(names, node, entry.name, "Menu entry"))
            return false;
        d.menu.append(entry);
    }
    return true;
}

// The bits a field's value occupies, for the check against its item.
int FieldBits(const FieldLayout& field)
{
    if (ValueEncoding::IsUnsigned(field.encoding) && field.mask != 0xFFFFFFFFu)
        return static_cast<int>(std::bit_width(field.mask));
    if (field.encoding == Encoding::Bcd)
        return 0; // decimal digits; checked when read
    return field.length * 8;
}

bool Reader::ReadLayout(const xml::XmlNode& layout, const Description& d, bool request, QList<FieldLayout>& fields,
                        int& length)
{
    int cursor = 0;
    length = 0;
    for (const xml::XmlNode& node : layout.ChildElements()) {
        FieldLayout field;
        const QString element = node.LocalName();
        const bool hasBytes = node.HasAttribute(QStringLiteral("bytes"));
        const int bytes = IntAttribute(node, QStringLiteral("bytes"), 0);
        if (element == QLatin1String("Skip")) {
            field.encoding = Encoding::Skip;
            field.length = bytes;
        } else if (element == QLatin1String("Const")) {
            if (!request)
                return Refuse(node, QStringLiteral("A response layout holds no constants"));
            field.encoding = Encoding::Constant;
            field.length = hasBytes ? bytes : 1;
            field.constant = node.Attribute(QStringLiteral("value")).toULongLong();
            if (field.length < 8 && field.constant >> (8 * field.length) != 0)
                return Refuse(node, QStringLiteral("Constant %1 does not fit %2 bytes").arg(field.constant).arg(field.length));
        } else {
            field.item = node.Attribute(QStringLiteral("item"));
            ValueEncoding::FromName(node.Attribute(QStringLiteral("encoding")), field.encoding);
            const int fixed = ValueEncoding::FixedLength(field.encoding);
            if (fixed > 0) {
                if (hasBytes && bytes != fixed)
                    return Refuse(node, QStringLiteral("Encoding %1 has %2 bytes, not %3")
                                            .arg(ValueEncoding::Name(field.encoding))
                                            .arg(fixed)
                                            .arg(bytes));
                field.length = fixed;
            } else {
                if (!hasBytes)
                    return Refuse(node, QStringLiteral("Encoding %1 needs the attribute bytes")
                                            .arg(ValueEncoding::Name(field.encoding)));
                field.length = bytes;
            }
            const bool bitField = node.HasAttribute(QStringLiteral("shift")) || node.HasAttribute(QStringLiteral("mask"));
            if (bitField) {
                if (!ValueEncoding::IsUnsigned(field.encoding))
                    return Refuse(node, QStringLiteral("Only unsigned encodings take shift and mask"));
                field.shift = IntAttribute(node, QStringLiteral("shift"), 0);
                if (field.shift >= field.length * 8)
                    return Refuse(node, QStringLiteral("Shift %1 outside %2 bytes").arg(field.shift).arg(field.length));
                field.mask = node.HasAttribute(QStringLiteral("mask"))
                                 ? node.Attribute(QStringLiteral("mask")).toUInt()
                                 : static_cast<uint32_t>((uint64_t(1) << (field.length * 8 - field.shift)) - 1);
                if (field.mask == 0 || field.shift + static_cast<int>(std::bit_width(field.mask)) > field.length * 8)
                    return Refuse(node, QStringLiteral("Bit field (shift %1, mask %2) outside %3 bytes")
                                            .arg(field.shift)
                                            .arg(field.mask)
                                            .arg(field.length));
            }
            const DescObject* object = d.FindObject(field.item);
            if (!object)
                return Refuse(node, QStringLiteral("Field names the unknown object '%1'").arg(field.item));
            if (!ValueEncoding::Fits(field.encoding, object->type))
                return Refuse(node, QStringLiteral("Object '%1' of type %2 cannot travel as %3")
                                        .arg(object->name, ItemValue::TypeName(object->type),
                                             ValueEncoding::Name(field.encoding)));
            const bool numeric = object->type == ItemType::Int || object->type == ItemType::Unsigned
                || object->type == ItemType::Enumerated;
            if (numeric && FieldBits(field) > object->size)
                return Refuse(node, QStringLiteral("Object '%1' has %2 bits; the field carries %3")
                                        .arg(object->name)
                                        .arg(object->size)
                                        .arg(FieldBits(field)));
            // A byte item of fixed size travels whole: neither cut nor padded.
            const int itemBytes = object->type == ItemType::HartDate || object->type == ItemType::PackedAscii
                                          || object->type == ItemType::Octets
                                      ? object->size
                                      : 0;
            if (itemBytes > 0 && (field.encoding == Encoding::Octets || field.encoding == Encoding::PackedAscii)
                && itemBytes != field.length)
                return Refuse(node, QStringLiteral("Object '%1' holds %2 bytes; the field carries %3")
                                        .arg(object->name)
                                        .arg(itemBytes)
                                        .arg(field.length));
            if (field.encoding == Encoding::Bcd && field.length > kMaxBcdBytes)
                return Refuse(node, QStringLiteral("A BCD field has %1 bytes at most, not %2").arg(kMaxBcdBytes).arg(field.length));
        }
        field.offset = node.HasAttribute(QStringLiteral("offset")) ? IntAttribute(node, QStringLiteral("offset"), 0)
                                                                   : cursor;
        const int frameBytes = request ? kMaxRequestBytes : kMaxResponseBytes;
        if (field.offset + field.length > frameBytes)
            return Refuse(node, QStringLiteral("The field ends after the %1 data bytes a %2 holds")
                                    .arg(frameBytes)
                                    .arg(request ? QStringLiteral("request") : QStringLiteral("response")));
        cursor = field.offset + field.length;
        length = std::max(length, cursor);
        fields.append(field);
    }
    return true;
}

bool Reader::ReadRecords(const xml::XmlNode& root, Description& d)
{
    QSet<QString> names;
    for (const xml::XmlNode& node : Children(root, QStringLiteral("Records"), QStringLiteral("Record"))) {
        DescRecord record;
        record.name = node.Attribute(QStringLiteral("name"));
        record.text = node.Attribute(QStringLiteral("text"));
        record.command = IntAttribute(node, QStringLiteral("command"), 0);
        const QString kind = node.Attribute(QStringLiteral("kind"));
        record.kind = kind == QLatin1String("write")      ? RecordKind::Write
                      : kind == QLatin1String("exchange") ? RecordKind::Exchange
                                                          : RecordKind::Read;
        if (!Unique(names, node, record.name, "Record"))
            return false;
        const xml::XmlNode request = node.FirstChildElement(QStringLiteral("Request"));
        if (!request.IsNull() && !ReadLayout(request, d, true, record.request, record.requestLength))
            return false;
        const xml::XmlNode response = node.FirstChildElement(QStringLiteral("Response"));
        if (!response.IsNull() && !ReadLayout(response, d, false, record.response, record.responseLength))
            return false;
        d.records.append(record);
    }
    return true;
}

bool Reader::ReadSequences(const xml::XmlNode& root, Description& d)
{
    QSet<QString> names;
    for (const xml::XmlNode& node : Children(root, QStringLiteral("Sequences"), QStringLiteral("Sequence"))) {
        DescSequence sequence;
        sequence.name = node.Attribute(QStringLiteral("name"));
        sequence.text = node.Attribute(QStringLiteral("text"));
        sequence.kind = node.Attribute(QStringLiteral("kind")) == QLatin1String("write") ? SequenceKind::Write
                                                                                          : SequenceKind::Read;
        if (!Unique(names, node, sequence.name, "Sequence"))
            return false;
        for (const xml::XmlNode& step : node.ChildElements()) {
            const QString record = step.Attribute(QStringLiteral("record"));
            const DescRecord* found = d.FindRecord(record);
            if (!found)
                return Refuse(step, QStringLiteral("Sequence '%1' names the unknown record '%2'").arg(sequence.name, record));
            sequence.records.append(found->name);
        }
        d.sequences.append(sequence);
    }
    return true;
}

bool Reader::Run(const xml::XmlNode& root, Description& d)
{
    // Each step indexes what the next ones look up.
    if (!ReadHeader(root, d) || !ReadViewsAndForms(root, d) || !ReadEnumerations(root, d))
        return false;
    d.Index();
    if (!ReadObjects(root, d))
        return false;
    d.Index();
    if (!ReadMenu(root, d) || !ReadRecords(root, d))
        return false;
    d.Index();
    if (!ReadSequences(root, d))
        return false;
    d.Index();
    return true;
}

} // namespace

bool Read(const QString& path, int32_t kind, Description& description, QString& error)
{
    auto refuse = [&](int line, const QString& reason) {
        error = SchemaFiles::FileError(path, line, reason);
        return false;
    };
    xml::XmlDocument document;
    if (!SchemaFiles::Load(path, SchemaFiles::kTdxNamespace, QStringLiteral("TdxDescription"), document, error))
        return false;
    const xml::XmlNode root = document.DocumentElement();
    const QString rootKind = root.Attribute(QStringLiteral("kind"));
    const int32_t fileKind = rootKind == QLatin1String("protocol") ? kTdxKindProtocol : kTdxKindDevice;
    if (kind != fileKind)
        return refuse(root.Line(), QStringLiteral("a %1 description where a %2 description was asked for")
                                       .arg(rootKind, kind == kTdxKindProtocol ? QStringLiteral("protocol")
                                                                              : QStringLiteral("device")));
    Description d;
    d.path = path;
    d.kind = fileKind;
    Reader reader(path);
    if (!reader.Run(root, d))
        return refuse(reader.Fail().line, reader.Fail().reason);
    description = std::move(d);
    description.Index();
    return true;
}

} // namespace applet::TdxDescriptionReader
