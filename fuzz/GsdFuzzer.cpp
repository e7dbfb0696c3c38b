// The GSD file parser on any text.
#include "fuzz/FuzzInput.h"
#include "platform/gsd/GsdParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::FuzzInput(data, size).Rest();
    gsd::GsdParser parser;
    const bool loaded = parser.LoadText(QString::fromLatin1(bytes));
    if (loaded != parser.IsLoaded() || loaded != parser.ErrorText().isEmpty())
        fuzz::Fail("the load result disagrees with the parser's state");
    if (!loaded && (!parser.Modules().empty() || parser.Keyword(QStringLiteral("GSD_Revision"))))
        fuzz::Fail("a refused file left keywords or modules");
    return 0;
}
