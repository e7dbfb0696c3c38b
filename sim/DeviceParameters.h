#pragma once
// The parameters of the device-dependent commands, as the device description
// declares them. The simulator loads the description at start and answers
// every device-dependent command that has no handler of its own from the
// description's records: the description's records and the device's command
// layouts are one table, so they cannot drift apart. Each value is checked
// against its object (enumeration entries, range) before a write takes it;
// a refused write changes nothing.
#include "platform/applet/Description.h"
#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace sim {

// A device-dependent command answered from the description.
struct DescribedCommand {
    int number = 0;
    QString record;                       // the first record that names it
    QList<applet::FieldLayout> request;
    QList<applet::FieldLayout> response;
    int requestLength = 0;
    int responseLength = 0;
    bool writes = false;                  // its request carries items
};

class DeviceParameters {
public:
    // Loads the description; false with error when it is refused. Commands
    // for which ownHandler is true are answered by handlers of their own and
    // left out.
    bool load(const QString& path, QString& error, const std::function<bool(int)>& ownHandler = {});
    const applet::Description& description() const { return m_description; }
    QString path() const { return m_description.path; }

    const DescribedCommand* command(int number) const;
    const std::map<int, DescribedCommand>& commands() const { return m_commands; }

    // Names of the parameters held (every object a described command carries).
    QStringList names() const;
    QVariant value(const QString& name) const;
    // Sets a value after the checks a write makes; the HART response code
    // (0 when taken) and nothing changed otherwise.
    uint8_t set(const QString& name, const QVariant& value);
    void resetToDefaults();

    // A write request: decoded, checked field by field, then taken as a whole.
    // Returns the response code; on a refusal no value has changed.
    uint8_t write(const DescribedCommand& command, const QByteArray& request);
    // A value that the device measures rather than holds; nullopt: as stored.
    using LiveValue = std::function<std::optional<QVariant>(const QString& name)>;
    // The response data of the command from the values held, and from live
    // for the values it gives.
    QByteArray read(const DescribedCommand& command, const LiveValue& live = {}) const;

    // The non-volatile memory as a text (JSON) and back; restore refuses a
    // text that is not a memory of this device and then changes nothing.
    // The standard commands' configuration travels along as "device".
    QByteArray save(const QJsonObject& device = {}) const;
    bool restore(const QByteArray& text, QString& error, QJsonObject* device = nullptr);

private:
    uint8_t check(const applet::DescObject& object, const QVariant& value) const;
    QVariant defaultOf(const applet::DescObject& object) const;

    applet::Description m_description;
    std::map<int, DescribedCommand> m_commands;
    QHash<QString, QVariant> m_values;    // key: lower-case name
};

// The description the simulator uses unless told otherwise: the staged one
// beside the program, else the one in the source tree.
QString defaultDescriptionPath();

} // namespace sim
