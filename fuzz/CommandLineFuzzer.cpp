// The registration command line of the fennick program: arguments (the
// input cut at zero bytes) joined into one line and parsed. Only the parsing
// runs; nothing is registered.
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Mainprogram.h"
#include "fuzz/FuzzInput.h"
#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        Debugging::SwitchTracesOff();
        return true;
    }();
    (void)quiet;
    const QByteArray bytes = fuzz::FuzzInput(data, size).Rest();
    QStringList arguments;
    for (const QByteArray& argument : bytes.split('\0'))
        arguments.append(QString::fromUtf8(argument));
    QString line = Mainprogram::JoinArguments(arguments);
    Deployment::ParsedCommandLine parsed;
    const bool ok = Deployment::ParseCommandLine(line, parsed);
    if (ok && (parsed.tdxFile.isEmpty() || parsed.fdtFile.isEmpty()))
        fuzz::Fail("a registration was admitted without its description files");
    QString classification = Deployment::GetCommandLineParameter(QStringLiteral("fdtclassificationid:"), line);
    Deployment::GetClassificationName(classification);
    // The failures an input leaves are its own: kept across inputs, the list
    // would grow with every one (and each would look like a leak).
    Deployment::ClearFailures();
    return 0;
}
