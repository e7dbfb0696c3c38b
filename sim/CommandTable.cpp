#include "sim/CommandTable.h"

namespace sim {

const CommandEntry* findCommand(uint8_t number)
{
    for (auto table : {universalCommands(), commonPracticeCommands(), deviceSpecificCommands()})
        for (const CommandEntry& entry : table)
            if (entry.number == number)
                return &entry;
    return nullptr;
}

} // namespace sim
