#include "sim/SimTransmitter.h"

#include "platform/comm/hart/HartStatus.h"
#include "platform/loop/TimerService.h"
#include "sim/CommandTable.h"

namespace sim {

namespace {
// The answer to a frame addressed to this device whose checksum was wrong:
// a communication error with the longitudinal parity bit.
constexpr uint8_t kChecksumErrorStatus = comm::kCommunicationErrorBit | 0x08;
} // namespace

SimTransmitter::SimTransmitter()
    : m_startMs(loop::TimerService::instance().NowMs())
{
    const ProcessValues initial = processValues();
    m_device.lastStatusRead = {m_device.additionalStatus(initial), m_device.additionalStatus(initial)};
}

void SimTransmitter::injectResponseCode(uint8_t code, int count)
{
    m_injectedCode = code;
    m_injectedLeft = qMax(0, count);
}

void SimTransmitter::setBusyResponses(int count)
{
    injectResponseCode(comm::ResponseCode::Busy, count);
}

int64_t SimTransmitter::processTimeMs() const
{
    if (m_frozenTimeMs)
        return *m_frozenTimeMs;
    return loop::TimerService::instance().NowMs() - m_startMs;
}

ProcessValues SimTransmitter::processValues() const
{
    return m_process.at(processTimeMs());
}

comm::HartAddress SimTransmitter::uniqueAddress() const
{
    return comm::HartAddress::unique(m_device.expandedDeviceType, m_device.deviceId);
}

bool SimTransmitter::isAddressedTo(const comm::HartAddress& address, uint8_t command) const
{
    constexpr uint8_t kReadIdentityByTag = 11;
    if (!address.isLong)
        return command == 0 && address.pollingAddress == m_device.pollingAddress;
    if (address.isBroadcast())
        return command == kReadIdentityByTag;
    return address.sameDevice(uniqueAddress());
}

comm::HartFrame SimTransmitter::responseFrame(const comm::HartFrame& request) const
{
    comm::HartFrame response;
    response.type = comm::HartFrameType::Response;
    response.command = request.command;
    if (request.address.isLong)
        response.address = uniqueAddress();
    else
        response.address = comm::HartAddress::polling(m_device.pollingAddress);
    response.address.primaryMaster = request.address.primaryMaster;
    return response;
}

void SimTransmitter::restart()
{
    m_device.coldStart = {true, true};
    m_device.fixedCurrent.reset();
    m_injectedLeft = 0;
}

PduResult SimTransmitter::handlePdu(QByteArrayView pdu)
{
    PduResult result;
    comm::HartDecodeResult decoded = comm::decodeHartFrame(pdu);
    if (decoded.error == comm::HartDecodeError::ChecksumMismatch) {
        // Answer with a communication error when the frame, checksum aside, is for us.
        QByteArray repaired = pdu.toByteArray();
        qsizetype start = 0;
        while (start < repaired.size() && static_cast<uint8_t>(repaired[start]) == comm::kPreamble)
            ++start;
        repaired.back() = static_cast<char>(comm::hartChecksum(QByteArrayView(repaired).sliced(start, repaired.size() - start - 1)));
        const comm::HartDecodeResult again = comm::decodeHartFrame(repaired);
        if (again.ok() && again.frame.type == comm::HartFrameType::Request
            && isAddressedTo(again.frame.address, again.frame.command)) {
            comm::HartFrame response = responseFrame(again.frame);
            response.responseCode = kChecksumErrorStatus;
            response.deviceStatus = 0;
            result.response = comm::encodeHartFrame(response);
            result.command = again.frame.command;
            result.responseCode = kChecksumErrorStatus;
        }
        result.note = decoded.message;
        return result;
    }
    if (!decoded.ok()) {
        result.note = decoded.message;
        return result;
    }
    result.command = decoded.frame.command;
    QString note;
    const std::optional<comm::HartFrame> response = handleFrame(decoded.frame, &note);
    result.note = note;
    if (response) {
        result.responseCode = response->responseCode;
        QString error;
        result.response = comm::encodeHartFrame(*response, 0, &error);
        if (result.response.isEmpty())
            result.note = QStringLiteral("command %1: answer not encodable: %2").arg(decoded.frame.command).arg(error);
    }
    return result;
}

std::optional<comm::HartFrame> SimTransmitter::handleFrame(const comm::HartFrame& request, QString* note)
{
    auto say = [note](const QString& text) {
        if (note)
            *note = text;
    };
    if (request.type != comm::HartFrameType::Request) {
        say(QStringLiteral("ignored a frame that is not a master request"));
        return std::nullopt;
    }
    if (!isAddressedTo(request.address, request.command)) {
        say(QStringLiteral("command %1 to %2 is not for this device").arg(request.command).arg(request.address.toString()));
        return std::nullopt;
    }

    const int master = request.address.primaryMaster ? 1 : 0;
    const ProcessValues values = processValues();
    comm::HartFrame response = responseFrame(request);
    uint8_t code = comm::ResponseCode::Success;
    bool reset = false;
    const CommandEntry* entry = findCommand(request.command);

    if (m_injectedLeft > 0) {
        --m_injectedLeft;
        code = m_injectedCode;
    } else if (!entry) {
        code = comm::ResponseCode::CommandNotImplemented;
    } else if (request.data.size() < entry->requestSize) {
        code = comm::ResponseCode::TooFewDataBytes;
    } else if (entry->access == Access::Write && m_device.writeProtected) {
        code = comm::ResponseCode::WriteProtected;
    } else if (entry->access == Access::Write && m_device.accessRestricted) {
        code = comm::ResponseCode::AccessRestricted;
    } else {
        CommandContext ctx{m_device, m_process, values, request.data, {}, processTimeMs(), master};
        code = entry->handler(ctx);
        if (ctx.silent) {
            say(QStringLiteral("command %1: no answer").arg(request.command));
            return std::nullopt;
        }
        reset = ctx.resetRequested;
        if (comm::responseCodeClass(code) != comm::ResponseCodeClass::Error)
            response.data = ctx.response.take();
    }

    response.responseCode = code;
    response.deviceStatus = m_device.fieldDeviceStatus(master, values);
    m_device.coldStart[master] = false;
    if (reset)
        restart();
    say(QStringLiteral("command %1 (%2): %3")
            .arg(request.command)
            .arg(entry ? QString::fromLatin1(entry->name) : QStringLiteral("unknown"))
            .arg(comm::describeResponseStatus(code, response.deviceStatus, request.command)));
    return response;
}

} // namespace sim
