// The simulator's memory file: any bytes are either refused with a reason and
// leave the device as it was, or give a device that answers its commands and
// whose parameters, written again, read back.
#include "fuzz/FuzzInput.h"
#include "sim/SimTransmitter.h"

namespace {

// What a master reads first and what depends on the stored values: the
// identity, the process values in their units, the ranges, the status.
constexpr uint8_t kReadCommands[] = {0, 1, 2, 3, 9, 13, 14, 15, 48};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The description is read once; each input starts from the factory state.
    static const sim::SimTransmitter factory;
    if (!factory.descriptionError().isEmpty())
        fuzz::Fail("the simulator's description is refused");
    const QString path = fuzz::WriteInputFile(fuzz::FuzzInput(data, size).Rest(), QStringLiteral("memory.json"));

    sim::SimTransmitter transmitter = factory;
    QString error;
    if (!transmitter.setMemoryFile(path, error)) {
        if (error.isEmpty())
            fuzz::Fail("a refused memory file has no reason");
        if (transmitter.parameters().save() != factory.parameters().save())
            fuzz::Fail("a refused memory file changed the device");
        return 0;
    }
    for (const uint8_t command : kReadCommands) {
        comm::HartFrame request;
        request.address = comm::HartAddress::polling(0);
        request.command = command;
        if (command == 9)
            request.data = QByteArray::fromHex("00010203");
        transmitter.handleFrame(request);
    }
    sim::DeviceParameters again = factory.parameters();
    if (!again.restore(transmitter.parameters().save(), error))
        fuzz::Fail("parameters the simulator writes are refused when it reads them");
    return 0;
}
