// The simulator's memory file, as "trivex-sim --revision R --mv on|off
// --memory FILE" starts from it (the first byte chooses the variant, the rest
// is the file): any bytes are either refused with a reason and leave the
// device as it was, or give a device that answers what a master reads, the
// flow computer's values among them. The device then takes an unchanged
// write and keeps it in the file; a second device started from that file
// must take it and answer every read alike.
#include "fuzz/FuzzInput.h"
#include "platform/comm/hart/HartIdentity.h"
#include "platform/comm/hart/HartStatus.h"
#include "sim/CommandTable.h"
#include "sim/SimOptions.h"
#include "sim/SimTransmitter.h"
#include <QList>
#include <iterator>
#include <cstdio>
#include <optional>
#include <utility>

namespace {

// The revisions on both sides of the flow block's unit changes.
constexpr uint8_t kRevisions[] = {19, 20, 21, 22};
constexpr uint8_t kFunctionOffBit = 0x04;
constexpr uint8_t kReadDeviceVariables = 9;
constexpr uint8_t kReadMessage = 12;
constexpr uint8_t kWriteMessage = 17;
// The additional status tells what goes on now (the data save the write
// started runs on), not what the memory keeps: answered, not compared.
constexpr uint8_t kReadAdditionalStatus = 48;

using Request = std::pair<uint8_t, QByteArray>;

std::optional<comm::HartFrame> Ask(sim::SimTransmitter& device, const comm::HartAddress& address, uint8_t command,
                                   const QByteArray& data = {})
{
    comm::HartFrame request;
    request.address = address;
    request.command = command;
    request.data = data;
    return device.handleFrame(request);
}

// The device's answer, or a finding when it keeps silent or refuses.
QByteArray Read(sim::SimTransmitter& device, const comm::HartAddress& address, const Request& request)
{
    const std::optional<comm::HartFrame> answer = Ask(device, address, request.first, request.second);
    if (!answer) {
        std::fprintf(stderr, "command %d: no answer\n", request.first);
        fuzz::Fail("a read addressed to the device is not answered");
    }
    if (comm::responseCodeClass(answer->responseCode) == comm::ResponseCodeClass::Error) {
        std::fprintf(stderr, "command %d: response code %d\n", request.first, answer->responseCode);
        fuzz::Fail("a read is refused");
    }
    return answer->data;
}

// What a master reads: every read command of the three tables and of the
// description that takes no request data (the flow block's values, the
// totaliser, tag, ranges and trims among them), and the device variables
// with status, the flow included.
QList<Request> Reads(const sim::SimTransmitter& device)
{
    QList<Request> reads;
    for (const auto& table : {sim::universalCommands(), sim::commonPracticeCommands(), sim::deviceSpecificCommands()})
        for (const sim::CommandEntry& entry : table)
            if (entry.access == sim::Access::Read && entry.requestSize == 0)
                reads.append(Request{entry.number, {}});
    reads.append(Request{kReadDeviceVariables, QByteArray::fromHex("00010203")});
    for (const auto& [number, command] : device.parameters().commands())
        if (!command.writes && command.requestLength == 0 && !command.response.isEmpty()
            && !command.record.startsWith(QLatin1String("Write_"))
            && !command.record.startsWith(QLatin1String("Read_Write_")))
            reads.append(Request{static_cast<uint8_t>(number), {}});
    return reads;
}

QList<QByteArray> ReadAll(sim::SimTransmitter& device, const comm::HartAddress& address,
                          const QList<Request>& reads)
{
    QList<QByteArray> answers;
    for (const Request& request : reads)
        answers.append(Read(device, address, request));
    return answers;
}

// The device's unique address, from its answer to command 0 at its polling
// address, as a frame finds it.
comm::HartAddress Identify(sim::SimTransmitter& device)
{
    const QByteArray identity = Read(device, comm::HartAddress::polling(device.device().pollingAddress), {0, {}});
    comm::HartIdentity decoded;
    if (!comm::HartIdentity::decode(identity, decoded))
        fuzz::Fail("the device's identity cannot be read");
    return decoded.uniqueAddress();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The description is read once; each input starts from the factory state.
    static const sim::SimTransmitter factory;
    if (!factory.descriptionError().isEmpty())
        fuzz::Fail("the simulator's description is refused");
    fuzz::FuzzInput input(data, size);
    const uint8_t variant = input.TakeByte();
    sim::VariantOptions options;
    options.revision = kRevisions[variant % std::size(kRevisions)];
    options.multivariable = (variant & kFunctionOffBit) == 0;
    options.memory = fuzz::WriteInputFile(input.Rest(), QStringLiteral("memory.json"));

    sim::SimTransmitter transmitter = factory;
    transmitter.freezeProcessTime(0);
    QString error;
    if (!sim::applyVariant(transmitter, options, error)) {
        if (error.isEmpty())
            fuzz::Fail("a refused memory file has no reason");
        if (transmitter.parameters().save() != factory.parameters().save())
            fuzz::Fail("a refused memory file changed the device");
        return 0;
    }
    const comm::HartAddress address = Identify(transmitter);
    const QList<Request> reads = Reads(transmitter);
    ReadAll(transmitter, address, reads);

    // The message written back as read: the device keeps it in its memory,
    // unless its write lock refuses the write (the file then stays as it was).
    const QByteArray message = Read(transmitter, address, {kReadMessage, {}});
    const std::optional<comm::HartFrame> written = Ask(transmitter, address, kWriteMessage, message);
    if (!written
        || (written->responseCode != comm::ResponseCode::Success
            && written->responseCode != comm::ResponseCode::WriteProtected))
        fuzz::Fail("an unchanged message is refused");
    const QList<QByteArray> answers = ReadAll(transmitter, address, reads);

    sim::SimTransmitter restarted = factory;
    restarted.freezeProcessTime(0);
    if (!sim::applyVariant(restarted, options, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        fuzz::Fail("the memory the simulator wrote is refused at its next start");
    }
    const QList<QByteArray> again = ReadAll(restarted, Identify(restarted), reads);
    for (qsizetype i = 0; i < reads.size(); ++i)
        if (reads[i].first != kReadAdditionalStatus && answers[i] != again[i]) {
            std::fprintf(stderr, "command %d: %s, after the restart %s\n", reads[i].first,
                         answers[i].toHex().constData(), again[i].toHex().constData());
            fuzz::Fail("the restarted device answers otherwise than the device that wrote its memory");
        }
    return 0;
}
