#include "platform/comm/server/HartAnswerCache.h"
#include "platform/comm/hart/HartStatus.h"

namespace comm {

namespace {

struct CommandRow {
    uint8_t command;
    HartAnswerCache::CommandKind kind;
};

using Kind = HartAnswerCache::CommandKind;

// Universal and common-practice reads, and the device's own reads of its
// configuration (128 configuration, 129 sensor limits, 132 static pressure
// range, 134 ADC time constants, 200 configuration summary).
constexpr CommandRow kCommandKinds[] = {
    {0, Kind::Configuration},   // identity
    {1, Kind::Process},         // primary variable
    {2, Kind::Process},         // loop current and percent of range
    {3, Kind::Process},         // dynamic variables and loop current
    {7, Kind::Configuration},   // loop configuration
    {8, Kind::Configuration},   // dynamic variable classifications
    {9, Kind::Process},         // device variables with status
    {11, Kind::Configuration},  // identity by tag
    {12, Kind::Configuration},  // message
    {13, Kind::Configuration},  // tag, descriptor, date
    {14, Kind::Configuration},  // primary variable transducer information
    {15, Kind::Configuration},  // output information
    {16, Kind::Configuration},  // final assembly number
    {20, Kind::Configuration},  // long tag
    {33, Kind::Process},        // device variables
    {48, Kind::Process},        // additional device status
    {128, Kind::Configuration},
    {129, Kind::Configuration},
    {132, Kind::Configuration},
    {134, Kind::Configuration},
    {200, Kind::Configuration},
};

} // namespace

HartAnswerCache::CommandKind HartAnswerCache::KindOf(uint8_t command)
{
    for (const CommandRow& row : kCommandKinds)
        if (row.command == command)
            return row.kind;
    return Kind::Other;
}

QByteArray HartAnswerCache::Key(uint8_t command, const QByteArray& requestData)
{
    return QByteArray(1, static_cast<char>(command)) + requestData;
}

const HartAnswerCache::Answer* HartAnswerCache::Find(uint8_t command, const QByteArray& requestData) const
{
    if (KindOf(command) != Kind::Configuration)
        return nullptr;
    const auto it = m_answers.constFind(Key(command, requestData));
    return it == m_answers.constEnd() ? nullptr : &it.value();
}

void HartAnswerCache::Sending(uint8_t command, bool isRead)
{
    if (!isRead || KindOf(command) == Kind::Other)
        m_answers.clear();
}

void HartAnswerCache::Answered(uint8_t command, const QByteArray& requestData, const Answer& answer)
{
    // The flag stays set until a master resets it (command 38), so only its
    // coming tells of a change: another master or the device itself changed
    // the configuration since the last answer, and what was kept may be old.
    // The answer that tells it was read after the change and is kept.
    if (!isCommunicationError(answer.responseCode)) {
        const bool changed = (answer.deviceStatus & DeviceStatus::ConfigurationChanged) != 0;
        if (changed && !m_configurationChanged)
            m_answers.clear();
        m_configurationChanged = changed;
    }
    if (KindOf(command) == Kind::Configuration && answer.responseCode == ResponseCode::Success)
        m_answers.insert(Key(command, requestData), answer);
}

} // namespace comm
