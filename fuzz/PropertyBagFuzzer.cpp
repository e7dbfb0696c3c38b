// The project file reader: any bytes are either refused with a ComError or
// read into a bag that is written and read back to the same bytes.
#include "fuzz/FuzzInput.h"
#include "platform/automation/ComError.h"
#include "platform/frame/PropertyBagFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::FuzzInput(data, size).Rest();
    automation::PropertyBag bag;
    try {
        frame::PropertyBagFile::FromBytes(bytes, bag);
    } catch (const automation::ComError&) {
        return 0;
    }
    try {
        const QByteArray written = frame::PropertyBagFile::ToBytes(bag);
        automation::PropertyBag again;
        frame::PropertyBagFile::FromBytes(written, again);
        if (frame::PropertyBagFile::ToBytes(again) != written)
            fuzz::Fail("a bag read back from its own file differs");
    } catch (const automation::ComError&) {
        fuzz::Fail("a bag that was read cannot be stored again");
    }
    return 0;
}
