// HART frame decoding: never reads past the bytes; a decoded frame encodes
// into bytes that decode to the same frame.
#include "fuzz/FuzzInput.h"
#include "platform/comm/hart/HartFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::FuzzInput(data, size).Rest();
    const comm::HartDecodeResult result = comm::decodeHartFrame(bytes);
    if (!result.ok()) {
        if (result.message.isEmpty())
            fuzz::Fail("a refused frame has no reason");
        return 0;
    }
    QString error;
    const QByteArray encoded = comm::encodeHartFrame(result.frame, 0, &error);
    if (encoded.isEmpty())
        fuzz::Fail("a decoded frame cannot be encoded");
    const comm::HartDecodeResult again = comm::decodeHartFrame(encoded);
    if (!again.ok() || again.frame.command != result.frame.command || again.frame.data != result.frame.data
        || again.frame.type != result.frame.type || !again.frame.address.sameDevice(result.frame.address))
        fuzz::Fail("an encoded frame does not decode to itself");
    return 0;
}
