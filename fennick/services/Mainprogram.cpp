#include "fennick/services/Mainprogram.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Publics.h"
#include "fennick/services/TestCommandLine.h"
#include "fennick/services/XMLHelper.h"
#include "fennick/services/frmTestCommandLine.h"
#include "platform/automation/ComError.h"
#include "platform/automation/UserNotice.h"
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

namespace Mainprogram {

namespace {

const QString kOptionTestLines = QStringLiteral("--test-lines");
const QString kOptionForm = QStringLiteral("--form");
const QString kOptionTrace = QStringLiteral("--trace");
constexpr int16_t kOn = -1;

// The FDT schemas of the installation, so a registration validates the
// catalogue it writes; without them the catalogue is only checked to be
// well-formed.
void LoadInstalledSchemas()
{
    const QString folder = QDir::cleanPath(Publics::ProgramFolder() + QStringLiteral("/../schemas"));
    if (!QFileInfo(folder).isDir()) {
        Debugging::TraceInfo(QStringLiteral("Missing Directory: ") + folder);
        return;
    }
    try {
        XMLHelper::LoadSchemaCache(folder);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
        automation::UserNotice::Once(QStringLiteral("the catalogue is only checked to be well-formed, without the "
                                                    "schemas: ")
                                     + error.description());
    }
}

// The developers' window, until it is closed.
int ShowTestForm()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QTextStream(stderr) << kOptionForm << " needs the program started with a window system\n";
        return 1;
    }
    LoadInstalledSchemas();
    frmTestCommandLine form;
    form.show();
    const int code = QApplication::exec();
    XMLHelper::ReleaseSchemaCache();
    return code;
}

} // namespace

bool WantsWindow(const QStringList& arguments)
{
    return arguments.contains(kOptionForm);
}

QString JoinArguments(const QStringList& arguments)
{
    static const QRegularExpression keyed(QStringLiteral("^([A-Za-z_]+:)(.*)$"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression furtherKey(
        QStringLiteral("\\s(FUNC|DSCR_DIR|FDT_FILE|TDX_FILE|GSD_FILE|DTMINFO_DATE|DTMINFO_VERSION|"
                       "FDTCLASSIFICATIONID):"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList parts;
    for (const QString& argument : arguments) {
        const QRegularExpressionMatch match = keyed.match(argument);
        if (argument.contains(QLatin1Char(' ')) && !argument.contains(QLatin1Char('"'))
            && !furtherKey.match(argument).hasMatch() && match.hasMatch())
            parts.append(match.captured(1) + QLatin1Char('"') + match.captured(2) + QLatin1Char('"'));
        else
            parts.append(argument);
    }
    return parts.join(QLatin1Char(' '));
}

int Main(const QStringList& arguments)
{
    Debugging::ReadTraceOptions();
    if (WantsWindow(arguments))
        return ShowTestForm();
    if (arguments.contains(kOptionTestLines)) {
        QTextStream out(stdout);
        const QStringList lines = TestCommandLine::PreparedCommandLines(Publics::ProgramFolder());
        for (qsizetype i = 0; i < lines.size(); ++i)
            out << "Test " << i << ": " << lines[i].trimmed() << '\n';
        return 0;
    }

    QStringList commandLine = arguments;
    if (commandLine.removeAll(kOptionTrace) > 0) {
        Debugging::Switches().Errors = kOn;
        Debugging::Switches().Info = kOn;
    } else {
        // A registration run reports only its progress lines.
        Debugging::SwitchTracesOff();
    }
    DataTypes::WriteTrace(Debugging::kLevelInfo, QStringLiteral("Running..."));
    LoadInstalledSchemas();
    const bool done = Deployment::ProcessCommandLine(JoinArguments(commandLine));
    XMLHelper::ReleaseSchemaCache();
    return done ? 0 : 1;
}

} // namespace Mainprogram
