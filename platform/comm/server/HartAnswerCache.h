#pragma once
// The answers one connection has had to the reads of the device's
// configuration. On a slow loop every transaction counts, and the connect,
// the device identification and the upload each ask the device who it is:
// a read of the configuration is sent once per connection and answered from
// here after that, until something can have changed the answer.
//
// What a command is, by the table kCommandKinds:
// - Configuration: a read whose answer only a write changes; kept and reused.
// - Process: a read of live values or status (measured values, additional
//   status); never kept, and it changes nothing.
// Any other command, and every write or data exchange, may change the
// device's configuration: it forgets every kept answer. So does the first
// answer that says "configuration changed" after one that did not (another
// master or the device itself changed it); while the flag stays set (until
// a master resets it with command 38) it tells nothing new, and answers are
// kept. A new connection starts with an empty cache; only clean answers
// (response code 0) are kept.
#include <QByteArray>
#include <QHash>
#include <cstdint>

namespace comm {

class HartAnswerCache {
public:
    struct Answer {
        uint8_t responseCode = 0;
        uint8_t deviceStatus = 0;
        QByteArray data;
    };
    enum class CommandKind { Configuration, Process, Other };

    static CommandKind KindOf(uint8_t command);

    // The kept answer to the read, or null.
    const Answer* Find(uint8_t command, const QByteArray& requestData) const;
    // A request on its way to the device: a write, or a command that is no
    // read of configuration or process values, forgets everything.
    void Sending(uint8_t command, bool isRead);
    // The device's answer to a read; kept when it is a clean answer to a
    // read of the configuration.
    void Answered(uint8_t command, const QByteArray& requestData, const Answer& answer);
    void Clear()
    {
        m_answers.clear();
        m_configurationChanged = false;
    }
    int Size() const { return static_cast<int>(m_answers.size()); }

private:
    static QByteArray Key(uint8_t command, const QByteArray& requestData);
    QHash<QByteArray, Answer> m_answers;
    // The flag as the last answer of the device showed it.
    bool m_configurationChanged = false;
};

} // namespace comm
