#include "tests/common/TraceCapture.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"

struct TraceCapture::Saved {
    Debugging::TraceSwitches switches;
};

TraceCapture::TraceCapture(bool allSwitchesOn) : m_saved(new Saved{Debugging::Switches()})
{
    if (allSwitchesOn) {
        Debugging::Switches().Errors = -1;
        Debugging::Switches().Info = -1;
        Debugging::Switches().InfoDB = -1;
    }
    DataTypes::SetTraceSink([this](const QString& line) { m_lines.append(line); });
}

TraceCapture::~TraceCapture()
{
    DataTypes::SetTraceSink(nullptr);
    Debugging::Switches() = m_saved->switches;
    delete m_saved;
}

QStringList TraceCapture::messages() const
{
    QStringList result;
    for (const QString& line : m_lines) {
        const int at = line.indexOf(QLatin1String("  #M: "));
        result.append(at < 0 ? line : line.mid(at + 6));
    }
    return result;
}

bool TraceCapture::contains(const QString& messagePart) const
{
    for (const QString& m : messages())
        if (m.contains(messagePart))
            return true;
    return false;
}
