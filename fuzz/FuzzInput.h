#pragma once
// What the fuzz targets share: the input as Qt bytes, small numbers taken off
// its front, and a file to hand to the readers that take a path.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size)
        : m_bytes(QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)))
    {
    }

    // The next byte (0 once the input is used up) and what is left after it.
    uint8_t TakeByte();
    QByteArray Rest() const { return m_bytes.mid(m_at); }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

// Writes the bytes to a file of the given name in a folder of the process's
// own and returns its path. Aborts when the file cannot be written: a fuzz
// run that reads nothing must not pass.
QString WriteInputFile(const QByteArray& bytes, const QString& name);

// Makes the process's application object at the first call: an offscreen
// QApplication where windows may be made, a QCoreApplication otherwise.
void StartApplication(bool windows);

// Runs the event loop until condition holds; the run stops as a crash that
// names what when it does not hold within limitMs (only a hang waits that long).
void RunEventsUntil(const std::function<bool()>& condition, int limitMs, const char* what);
// Runs what an input left to the event loop (posted calls, deferred
// deletions), so that none of it reaches the next input.
void DrainEvents();

// Stops the run as a crash; for a property the target checks itself.
[[noreturn]] void Fail(const char* what);

} // namespace fuzz
