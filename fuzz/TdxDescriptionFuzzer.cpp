// The TDX description reader, for both kinds of description.
#include "fuzz/FuzzInput.h"
#include "platform/applet/TdxDescriptionReader.h"
#include "platform/applet/TdxFileParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::WriteInputFile(fuzz::FuzzInput(data, size).Rest(), QStringLiteral("input.tdx"));
    for (const int32_t kind : {applet::kTdxKindDevice, applet::kTdxKindProtocol}) {
        applet::Description description;
        QString error;
        if (!applet::TdxDescriptionReader::Read(path, kind, description, error) && error.isEmpty())
            fuzz::Fail("a refused description has no reason");
    }
    return 0;
}
