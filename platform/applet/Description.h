#pragma once
// A loaded device or protocol description: header keys, objects (the items),
// enumerations, menu entries, records with their byte layouts, sequences and
// the views the host starts. Names are looked up without regard to case.
// The reader (TdxDescriptionReader) fills it; the parser, the item manager and
// the host read it.
#include "platform/applet/ItemValue.h"
#include "platform/applet/ValueEncoding.h"
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace applet {

// Whether an object is a parameter of the device (a dataset value and a value
// read from the device, persisted in the instance-data store) or a working
// item of the applet (one value).
enum class ObjectScope { Device, Applet };

struct DescObject {
    QString name;
    QString text;            // label
    ItemType type = ItemType::Text;
    int32_t size = 0;
    QString defaultText;     // empty: the type's default
    QString enumeration;     // name of its enumeration, or empty
    ObjectScope scope = ObjectScope::Device;
    bool persistent = true;
    std::optional<double> minimum;   // the range a device accepts, where one is given
    std::optional<double> maximum;
    bool dateText = false;           // a text that holds a date, "yyyy-MM-dd" (or nothing)

    // A float item holds single precision: a value typed as a bound arrives
    // a little off it, so both are compared at that precision.
    bool InRange(double value) const
    {
        if (type == ItemType::Float) {
            const auto single = static_cast<float>(value);
            return (!minimum || single >= static_cast<float>(*minimum))
                   && (!maximum || single <= static_cast<float>(*maximum));
        }
        return (!minimum || value >= *minimum) && (!maximum || value <= *maximum);
    }
};

// An entry's text in English and, where the description gives one, in
// German; the stored value is always the entry's code.
struct DescEnumEntry {
    int32_t value = 0;
    QString text;
    QString germanText;

    // The text for the user of the country code (49 German, else English);
    // the English text where the entry has no German one.
    QString Text(int32_t countryCode) const
    {
        return countryCode == 49 && !germanText.isEmpty() ? germanText : text;
    }
};

struct DescEnumeration {
    QString name;
    QString text;
    QList<DescEnumEntry> entries;
};

struct DescMenuEntry {
    QString name;
    QString label;
    QString help;
    QString command;         // keyword, optionally a blank and an argument
    int32_t number = 0;
    int32_t state = 3;       // initial menu state: 1 visible, 2 enabled, 4 checked
};

enum class RecordKind { Read, Write, Exchange };

struct DescRecord {
    QString name;
    QString text;
    int32_t command = 0;
    RecordKind kind = RecordKind::Read;
    QList<FieldLayout> request;
    QList<FieldLayout> response;
    int requestLength = 0;   // data bytes of the request
    int responseLength = 0;  // data bytes the response must hold at least
};

enum class SequenceKind { Read, Write };

struct DescSequence {
    QString name;
    QString text;
    SequenceKind kind = SequenceKind::Read;
    QStringList records;
};

struct DescForm {
    QString name;
    QString progId;
};

struct DescHeaderKey {
    QString name;
    QString value;
};

class Description {
public:
    QString path;
    int32_t kind = 0;                 // 1 device, 2 protocol (TdxFileParser kinds)
    QList<DescHeaderKey> header;
    QStringList startViews;           // ProgIDs started with every applet
    QList<DescForm> forms;
    QList<DescObject> objects;
    QList<DescEnumeration> enumerations;
    QList<DescMenuEntry> menu;
    QList<DescRecord> records;
    QList<DescSequence> sequences;

    // Builds the name indexes; call after filling the lists.
    void Index();

    // Each returns null when the name is unknown.
    const QString* HeaderValue(const QString& key) const;
    const DescObject* FindObject(const QString& name) const;
    const DescEnumeration* FindEnumeration(const QString& name) const;
    const DescRecord* FindRecord(const QString& name) const;
    const DescSequence* FindSequence(const QString& name) const;
    const DescMenuEntry* FindMenuEntry(const QString& name) const;
    const DescForm* FindForm(const QString& name) const;

    static QString Key(const QString& name) { return name.toLower(); }

    // The field that carries the item in the records (the first one that
    // does); null when no record carries it.
    const FieldLayout* WireField(const QString& name) const;

private:
    QHash<QString, int> m_objects;
    QHash<QString, int> m_enumerations;
    QHash<QString, int> m_records;
    QHash<QString, int> m_sequences;
    QHash<QString, int> m_menu;
    QHash<QString, int> m_forms;
    QHash<QString, FieldLayout> m_wire;
};

} // namespace applet
