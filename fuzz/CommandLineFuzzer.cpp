// The registration command line of the fennick program: arguments (the
// input cut at zero bytes) joined into one line and parsed. Only the parsing
// runs; nothing is registered.
//
// The parse looks up the description files the line names, under their real
// names whatever the case typed: the files it finds are files, and they are
// the ones the line named, up to the case of their letters; and only a
// registration with both its files found is admitted. "$SCRATCH" in the input
// names a scratch folder of the run's own that holds description files, and
// the seeds name paths inside it: a path through a folder that does not exist
// makes the lookup list the folder above it, and the system's temporary
// folder may be large.
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Mainprogram.h"
#include "fuzz/FuzzInput.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

namespace {

// The scratch folder: "descriptions/" and "with blank/" hold description files.
QString ScratchFolder()
{
    static QTemporaryDir scratch;
    static const QString path = [] {
        if (!scratch.isValid())
            fuzz::Fail("no scratch folder for the command line");
        const QDir folder(scratch.path());
        for (const char* name : {"descriptions/Trivex.tdx", "descriptions/Trivex.fdt", "descriptions/TRVX00A6.gsd",
                                 "with blank/a b.tdx", "with blank/x.fdt"}) {
            const QString file = folder.filePath(QString::fromLatin1(name));
            QFile description(file);
            if (!QDir().mkpath(QFileInfo(file).path()) || !description.open(QIODevice::WriteOnly))
                fuzz::Fail("a description file of the scratch folder cannot be written");
        }
        return scratch.path();
    }();
    return path;
}

// The file the parse found for the key's name, when it found one, is a file
// and the one the line named.
void CheckFound(const QString& found, const QString& line, const QString& directory, const char* key)
{
    if (found.isEmpty())
        return;
    const QString name = Deployment::GetCommandLineParameter(QString::fromLatin1(key), line);
    const QString asked = QDir::cleanPath(QFileInfo(directory + name).absoluteFilePath());
    if (!QFileInfo(found).isFile())
        fuzz::Fail("the parse found a description file that is no file");
    if (found.compare(asked, Qt::CaseInsensitive) != 0)
        fuzz::Fail("the parse found another description file than the line named");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        Debugging::SwitchTracesOff();
        return true;
    }();
    (void)quiet;
    const QString scratch = ScratchFolder();
    const QByteArray bytes = fuzz::FuzzInput(data, size).Rest();
    QStringList arguments;
    for (const QByteArray& argument : bytes.split('\0'))
        arguments.append(QString::fromUtf8(argument).replace(QStringLiteral("$SCRATCH"), scratch));
    QString line = Mainprogram::JoinArguments(arguments);
    Deployment::ParsedCommandLine parsed;
    const bool ok = Deployment::ParseCommandLine(line, parsed);
    if (ok && parsed.function.compare(Deployment::kFunctionRegister, Qt::CaseInsensitive) != 0)
        fuzz::Fail("a command line that asks no registration was admitted as one");
    if (ok && (parsed.tdxFile.isEmpty() || parsed.fdtFile.isEmpty()))
        fuzz::Fail("a registration was admitted without its description files");
    CheckFound(parsed.tdxFile, line, parsed.descriptionDir, "TDX_FILE:");
    CheckFound(parsed.fdtFile, line, parsed.descriptionDir, "FDT_FILE:");
    CheckFound(parsed.gsdFile, line, parsed.descriptionDir, "GSD_FILE:");
    QString classification = Deployment::GetCommandLineParameter(QStringLiteral("fdtclassificationid:"), line);
    Deployment::GetClassificationName(classification);
    // The failures an input leaves are its own: kept across inputs, the list
    // would grow with every one (and each would look like a leak).
    Deployment::ClearFailures();
    return 0;
}
