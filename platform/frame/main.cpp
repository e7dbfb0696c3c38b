// trivex-frame: the reference frame's command line.
//   trivex-frame demo   shows tracing, the string tables and an FDT document
//                       being built and validated against the schema cache.
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Language.h"
#include "fennick/services/LoadResource.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/automation/ComError.h"
#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

int RunDemo()
{
    out() << "== Tracing (every switch on for the demo)\n";
    out().flush();
    Debugging::Switches().Errors = -1;
    Debugging::Switches().Info = -1;
    DataTypes::WriteTrace(3, QStringLiteral("Running..."));
    Debugging::TraceHexDump(QByteArray::fromHex("82a6060bc0de0300"), QStringLiteral("Command 3 request:"));
    std::fflush(stderr);

    out() << "\n== Installation\n";
    const QString root = Publics::GetInstallRoot();
    out() << "installation root:     " << root << "\n";
    out() << "description directory: " << Publics::GetTdxDescriptionDir() << "\n";

    out() << "\n== Texts (user language code " << Language::GetLanguageCode() << ")\n";
    for (int16_t id : {5001, 5011, 701, 605})
        out() << id << ": \"" << LoadResource::GetResourceString(id) << "\"\n";

    out() << "\n== FDT document\n";
    const QString schemaDir = QDir(Publics::ProgramFolder()).absoluteFilePath(QStringLiteral("../schemas"));
    try {
        XMLHelper::LoadSchemaCache(schemaDir);
    } catch (const automation::ComError& e) {
        Debugging::TraceRuntimeError(e);
        out() << "schema cache could not be loaded from " << schemaDir << "\n";
        return 1;
    }
    const QString functions = XMLHelper::CreateFunctionsDocument();
    out() << functions << "\n";
    XMLHelper::DocumentPtr document;
    const bool valid = XMLHelper::LoadXmlString(functions, document);
    out() << "validates against DTMFunctionsSchema: " << (valid ? "yes" : "no") << "\n";
    out().flush();

    QString broken = functions;
    broken.replace(QStringLiteral("label=\"-\""), QStringLiteral("colour=\"-\""));
    out() << "\n== The same document with an attribute the schema does not allow\n";
    out().flush();
    const bool rejected = !XMLHelper::LoadXmlString(broken, document);
    std::fflush(stderr);
    out() << "rejected: " << (rejected ? "yes" : "no") << "\n";
    XMLHelper::ReleaseSchemaCache();
    return valid && rejected ? 0 : 1;
}

void Usage()
{
    out() << "usage: trivex-frame demo\n";
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && args[0] == QLatin1String("demo"))
        return RunDemo();
    Usage();
    return args.isEmpty() || args[0] == QLatin1String("--help") ? 0 : 2;
}
