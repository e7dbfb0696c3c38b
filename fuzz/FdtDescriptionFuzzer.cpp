// The FDT file reader.
#include "fuzz/FuzzInput.h"
#include "platform/applet/FdtDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::WriteInputFile(fuzz::FuzzInput(data, size).Rest(), QStringLiteral("input.fdt"));
    applet::FdtDescription description;
    QString error;
    if (!applet::FdtDescription::Read(path, description, error) && error.isEmpty())
        fuzz::Fail("a refused FDT file has no reason");
    return 0;
}
