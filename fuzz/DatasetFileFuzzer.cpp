// The dataset file reader: any bytes are either refused with a reason or read
// into contents that are written and read back to the same contents.
#include "fuzz/FuzzInput.h"
#include "platform/applet/DatasetFile.h"

namespace {

bool Same(const applet::DatasetFile::Contents& a, const applet::DatasetFile::Contents& b)
{
    if (a.deviceType.interfaceName != b.deviceType.interfaceName || a.deviceType.vendorId != b.deviceType.vendorId
        || a.deviceType.deviceId != b.deviceType.deviceId || a.deviceType.name != b.deviceType.name
        || a.softwareRevision != b.softwareRevision || a.hardwareRevision != b.hardwareRevision
        || a.values.size() != b.values.size())
        return false;
    for (qsizetype i = 0; i < a.values.size(); ++i)
        if (a.values[i].name != b.values[i].name || a.values[i].type != b.values[i].type
            || a.values[i].text != b.values[i].text)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::WriteInputFile(fuzz::FuzzInput(data, size).Rest(), QStringLiteral("input.tds"));
    applet::DatasetFile::Contents contents;
    QString error;
    if (!applet::DatasetFile::Read(path, contents, error)) {
        if (error.isEmpty())
            fuzz::Fail("a refused dataset file has no reason");
        return 0;
    }
    const QString again = fuzz::WriteInputFile(QByteArray(), QStringLiteral("again.tds"));
    if (!applet::DatasetFile::Write(again, contents, error))
        return 0; // written with its indentation, a file near the size limit may grow past it
    applet::DatasetFile::Contents reread;
    if (!applet::DatasetFile::Read(again, reread, error))
        fuzz::Fail("a dataset file written from a read one is refused");
    if (!Same(contents, reread))
        fuzz::Fail("a dataset read back from its own file differs");
    return 0;
}
