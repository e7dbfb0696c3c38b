#include "sim/CommandTable.h"

namespace sim {

const CommandSpec* findCommand(uint8_t number)
{
    for (auto table : {universalCommands(), commonPracticeCommands(), deviceSpecificCommands()})
        for (const CommandSpec& spec : table)
            if (spec.number == number)
                return &spec;
    return nullptr;
}

} // namespace sim
