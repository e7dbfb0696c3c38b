#pragma once
// The command table of the simulated transmitter: one small handler per HART
// command, declared next to its request and response layout. The dispatcher
// checks what every command shares (enough request bytes, write protection,
// access restriction) before it calls the handler; the handler parses the
// rest, answers with a response code and fills the response data.
#include "platform/comm/hart/HartBytes.h"
#include "sim/DeviceState.h"
#include "sim/ProcessModel.h"
#include <QByteArrayView>
#include <cstdint>
#include <span>

namespace sim {

enum class Access {
    Read,    // reads only
    Write,   // changes the configuration: refused while write protected or locked
    Action,  // acts on the device (fixed current, self test, reset) without changing the configuration
};

struct CommandContext {
    DeviceState& device;
    ProcessModel& process;
    const ProcessValues& values;   // the process as the request found it
    QByteArrayView request;
    comm::HartDataWriter response;
    int64_t processTimeMs = 0;
    int master = 1;                // 1 primary, 0 secondary
    bool silent = false;           // the device does not answer at all
    bool resetRequested = false;   // the device restarts after answering
};

using CommandHandler = uint8_t (*)(CommandContext& ctx);

struct CommandEntry {
    uint8_t number;
    const char* name;
    int requestSize;        // fewer request bytes answer "too few data bytes"
    Access access;
    CommandHandler handler;
};

std::span<const CommandEntry> universalCommands();
std::span<const CommandEntry> commonPracticeCommands();
// Device-specific commands (128 and up).
std::span<const CommandEntry> deviceSpecificCommands();

// The command with that number from the three tables, or null.
const CommandEntry* findCommand(uint8_t number);

// The identity block shared by commands 0 and 11.
void writeIdentity(CommandContext& ctx);
// A text as packed ASCII in that many bytes.
void writePacked(CommandContext& ctx, const QString& text, int bytes);

} // namespace sim
