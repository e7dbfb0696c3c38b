// HART-IP messages: the stream is cut into messages in slices of any size;
// the header, the session parameters and the HART frames inside are decoded.
#include "fuzz/FuzzInput.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hartip/HartIpMessage.h"
#include "platform/comm/hartip/HartIpReassembler.h"
#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput input(data, size);
    const int slice = 1 + input.TakeByte() % 64;
    const QByteArray stream = input.Rest();

    comm::HartIpHeader header;
    comm::decodeHartIpHeader(stream, header);

    comm::HartIpReassembler reassembler;
    for (qsizetype at = 0; at < stream.size(); at += slice) {
        if (!reassembler.feed(QByteArrayView(stream).sliced(at, std::min<qsizetype>(slice, stream.size() - at)))) {
            if (reassembler.error().isEmpty())
                fuzz::Fail("a broken stream has no reason");
            break;
        }
        while (auto message = reassembler.next()) {
            if (message->body.size() + comm::kHartIpHeaderSize != message->header.byteCount)
                fuzz::Fail("a message's body does not match its byte count");
            comm::HartIpSessionParameters parameters;
            comm::HartIpSessionParameters::decode(message->body, parameters);
            comm::decodeHartFrame(message->body);
        }
    }
    return 0;
}
