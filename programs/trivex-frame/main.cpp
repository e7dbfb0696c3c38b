// trivex-frame: the reference frame's command line. It keeps DTM instances in
// a project folder and drives the Trivex DTM through the FDT interfaces:
// creates an instance, shows its dataset and the DTM information, connects to
// a device over HART-IP, uploads or downloads the dataset, lists and invokes
// the DTM's functions and exports its data. Standard output carries only
// what a command produces (the document, the information, the functions, the
// device's tag and status); every event the DTM sends to the frame, progress
// and errors go to standard error.
//
// Exit codes: 0 done; 1 the DTM or the device refused or failed, or SIGINT
// or SIGTERM stopped the command (a second one, or one the frame does not get
// on with, ends the program at once, also with 1); 2 the command line is
// wrong; 3 the DTM did not finish within the time allowed.
#include "DeadlineDialogService.h"
#include "StopSignals.h"
#include "TransferProgress.h"
#include "fennick/communication/clsGatewayHART.h"
#include "corvane/frame/CorvaneClasses.h"
#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/global.h"
#include "platform/flowcalc/FlowcalcClasses.h"
#include "fennick/fdt/FennickClasses.h"
#include "fennick/fdt/clsApplicationFunction.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "platform/automation/CheckedFile.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/server/CommServerClasses.h"
#include "platform/dialogs/GuardedApplication.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/frame/FrameClasses.h"
#include "platform/frame/FrameCommunication.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/FrameFileChoice.h"
#include "platform/frame/ProjectLock.h"
#include "platform/frame/ReferenceFrame.h"
#include "platform/loop/TimerService.h"
#include "platform/printview/PrintviewClasses.h"
#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <array>
#include <functional>
#include <unistd.h>

namespace {

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitTimedOut = 3 };

constexpr int kDefaultTimeoutSeconds = 60;
constexpr int kMaxTimeoutSeconds = 3600;
// Steps that need no device (release, saving) get this long.
constexpr int kHousekeepingMs = 15000;
constexpr int kProgressIntervalMs = 1000;

const QString kDefaultTag = QStringLiteral("DTM_1");
const QString kDefaultUserLevel = QStringLiteral("maintenance");
const QString kDefaultPhase = QStringLiteral("commissioning");
// The export every DTM of this system offers, by its fdt:name.
const QString kExportFunctionName = QStringLiteral("&&Menu_State&&Export");
// What the export's error lines say before the reason it did not write its file.
const QString kExportErrorMarker = QStringLiteral("Error Description : ");
// Function ids up to this name FDT applications (StartApplication).
constexpr int32_t kLastApplicationId = 12;
// The FDT applications that work on the device. The DTM connects for them by
// itself when it is not online, and would open its window before it learns
// that the device is of another type: the frame connects first.
constexpr std::array<int32_t, 5> kOnlineApplications{1, 5, 6, 8, 12};

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

// The DTM's error trace lines of this run (the last few): some causes, such
// as why the export could not write its file, reach the frame only there.
QStringList& DtmErrorLines()
{
    static QStringList lines;
    return lines;
}

// The text from the marker on in the DTM's last error line that holds it;
// empty when none does.
QString DtmCause(const QString& marker)
{
    const QStringList& lines = DtmErrorLines();
    for (auto it = lines.crbegin(); it != lines.crend(); ++it)
        if (const qsizetype at = it->indexOf(marker); at >= 0)
            return it->mid(at);
    return QString();
}

int Fail(const QString& text, int code = kExitFailed)
{
    out().flush();
    err() << "trivex-frame: " << text << Qt::endl;
    return code;
}

// Why the DTM finds no device type in the device catalogue, naming the
// file; empty when the catalogue reads.
QString CatalogueProblem()
{
    const QString path = QDir::toNativeSeparators(Deployment::CataloguePath());
    if (automation::CheckedFile::Missing(path))
        return QStringLiteral("there is no device catalogue %1: no device type is registered (fennick "
                              "func:registerdtm ...)")
            .arg(path);
    if (const QString irregular = automation::CheckedFile::Irregular(path); !irregular.isEmpty())
        return QStringLiteral("the device catalogue %1 is %2, not a regular file: it is not read").arg(path, irregular);
    XMLHelper::DocumentPtr document;
    xml::XmlNode deviceTypes;
    QString problem;
    Deployment::LoadDeviceCatalogue(document, deviceTypes, false, &problem);
    if (deviceTypes)
        return QString();
    return QStringLiteral("the device catalogue %1 is refused: %2")
        .arg(path, problem.isEmpty() ? QStringLiteral("it cannot be read") : problem);
}

// The reason of a failed step, with what is wrong with the device catalogue
// when something is.
QString WithCatalogue(const QString& why)
{
    const QString problem = CatalogueProblem();
    return problem.isEmpty() ? why : why + QStringLiteral(": ") + problem;
}

// Set up by main for the whole run.
DeadlineDialogService* g_dialogs = nullptr;
StopSignals* g_stopSignals = nullptr;

// SIGINT or SIGTERM received; 0 while none was.
int StopSignal()
{
    return g_stopSignals ? g_stopSignals->Received() : 0;
}

// True once the function the command waited for last (a connect, a
// transfer, an invoked function, the export) reported its end: its outcome
// is decided, and a stop signal that comes later changes nothing of it.
bool g_functionEnded = false;

// The line of an aborted step; the exit code of a stopped command.
int Stopped(const QString& what)
{
    return Fail(QStringLiteral("stopped by %1: %2 is aborted").arg(StopSignals::Name(StopSignal()), what));
}

// The usage text of --help; the commands are the program's whole interface.
const char* const kUsage =
    "usage: trivex-frame COMMAND PROJECT [options]\n"
    "\n"
    "PROJECT is a folder that holds the DTM instances (created when missing).\n"
    "\n"
    "commands:\n"
    "  new PROJECT                    create a DTM instance for a registered device type and store it\n"
    "  show PROJECT                   print the instance's dataset document\n"
    "  info PROJECT                   print the DTM information (the device types the DTM serves)\n"
    "  connect PROJECT --device URL   connect to the device, print its tag, descriptor and (when not 0)\n"
    "                                 its status, disconnect; a device of another type is refused\n"
    "  upload PROJECT --device URL    read the dataset from the device into the instance\n"
    "  download PROJECT --device URL  write the instance's dataset to the device\n"
    "  functions PROJECT              print the functions document of the DTM; the functions it offers\n"
    "                                 are listed on standard error\n"
    "  invoke PROJECT ID --device URL run the DTM's function ID (1 to 12: start that FDT application)\n"
    "                                 and wait for its end (a function with a window ends when the\n"
    "                                 window is closed); the device is connected first for an\n"
    "                                 application that works on the device (1, 5, 6, 8, 12) and a\n"
    "                                 function offered only online\n"
    "  export PROJECT FILE            export the instance's parameters and channel data into FILE\n"
    "                                 (\".xml\" is appended to a name without it)\n"
    "\n"
    "options:\n"
    "  --device URL         the device, hart-ip://HOST[:PORT] (port 5094 when omitted)\n"
    "  --tag TAG            the instance's system tag (default DTM_1)\n"
    "  --device-type ID     new: the device type id to create when the DTM serves several\n"
    "  --user-level LEVEL   observer, operator, maintenance (default) or planningEngineer\n"
    "  --phase PHASE        functions, invoke, export: the frame's operation phase, engineering,\n"
    "                       commissioning (default) or runtime\n"
    "  --timeout SECONDS    how long connect, upload, download and invoke may take (default 60;\n"
    "                       a function with a window is not timed unless this is given)\n"
    "  --trace              write the DTM's error and information traces to standard error\n"
    "  -h, --help           show this text\n"
    "\n"
    "Standard output carries what the command produces; frame events, progress and errors go to\n"
    "standard error.\n"
    "\n"
    "exit codes: 0 done, 1 refused, failed or stopped (SIGINT, SIGTERM), 2 wrong command line, 3 time-out\n";

struct Options {
    QString command;
    QString project;
    QString tag = kDefaultTag;
    QString device;
    QString deviceType;
    QString userLevel = kDefaultUserLevel;
    QString phase = kDefaultPhase;
    int32_t functionId = 0; // invoke
    QString file;           // export
    int timeoutMs = kDefaultTimeoutSeconds * 1000;
    bool timeoutGiven = false; // --timeout on the command line
    bool trace = false;
};

// The command line, checked; false with the reason when it is wrong.
bool ParseOptions(const QStringList& arguments, Options& options, QString& error, bool& help)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption deviceOption(QStringLiteral("device"), QString(), QStringLiteral("url"));
    const QCommandLineOption tagOption(QStringLiteral("tag"), QString(), QStringLiteral("tag"));
    const QCommandLineOption typeOption(QStringLiteral("device-type"), QString(), QStringLiteral("id"));
    const QCommandLineOption levelOption(QStringLiteral("user-level"), QString(), QStringLiteral("level"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"), QString(), QStringLiteral("seconds"));
    const QCommandLineOption traceOption(QStringLiteral("trace"));
    const QCommandLineOption phaseOption(QStringLiteral("phase"), QString(), QStringLiteral("phase"));
    parser.addOptions(
        {helpOption, deviceOption, tagOption, typeOption, levelOption, timeoutOption, traceOption, phaseOption});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    help = parser.isSet(helpOption);
    if (help)
        return true;

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        error = QStringLiteral("no command given");
        return false;
    }
    options.command = positional.first();
    static const QStringList kProjectCommands{QStringLiteral("new"),       QStringLiteral("show"),
                                              QStringLiteral("info"),      QStringLiteral("connect"),
                                              QStringLiteral("upload"),    QStringLiteral("download"),
                                              QStringLiteral("functions"), QStringLiteral("invoke"),
                                              QStringLiteral("export")};
    static const QStringList kDeviceCommands{QStringLiteral("connect"), QStringLiteral("upload"),
                                             QStringLiteral("download"), QStringLiteral("invoke")};
    static const QStringList kPhaseCommands{QStringLiteral("functions"), QStringLiteral("invoke"),
                                            QStringLiteral("export")};
    if (!kProjectCommands.contains(options.command)) {
        error = QStringLiteral("unknown command '%1'").arg(options.command);
        return false;
    }
    if (options.command == QLatin1String("invoke")) {
        if (positional.size() != 3 || positional[1].trimmed().isEmpty()) {
            error = QStringLiteral("invoke takes a PROJECT folder and a function ID");
            return false;
        }
        bool numeric = false;
        options.functionId = positional[2].toInt(&numeric);
        if (!numeric || options.functionId < 1) {
            error = QStringLiteral("invalid function ID '%1' (a number from 1 on, as functions lists them)")
                        .arg(positional[2]);
            return false;
        }
    } else if (options.command == QLatin1String("export")) {
        if (positional.size() != 3 || positional[1].trimmed().isEmpty() || positional[2].trimmed().isEmpty()) {
            error = QStringLiteral("export takes a PROJECT folder and a FILE");
            return false;
        }
        options.file = QFileInfo(positional[2]).absoluteFilePath();
        if (QFileInfo(options.file).isDir()) {
            error = QStringLiteral("the export FILE %1 is a folder").arg(positional[2]);
            return false;
        }
    } else if (positional.size() != 2 || positional[1].trimmed().isEmpty()) {
        error = QStringLiteral("%1 takes exactly one PROJECT folder").arg(options.command);
        return false;
    }
    options.project = positional[1];

    if (parser.isSet(tagOption))
        options.tag = parser.value(tagOption);
    if (!frame::ProjectFolder::IsValidSystemTag(options.tag)) {
        error = QStringLiteral("invalid system tag '%1' (1 to 64 letters, digits and _-.{}, no leading dot)")
                    .arg(options.tag);
        return false;
    }
    if (kDeviceCommands.contains(options.command)) {
        if (!parser.isSet(deviceOption)) {
            error = QStringLiteral("%1 needs --device hart-ip://HOST:PORT").arg(options.command);
            return false;
        }
        options.device = parser.value(deviceOption);
        QString host;
        uint16_t port = 0;
        if (!frame::FrameCommunication::ParseAddress(options.device, host, port, &error))
            return false;
    } else if (parser.isSet(deviceOption)) {
        error = QStringLiteral("%1 takes no --device").arg(options.command);
        return false;
    }
    if (parser.isSet(phaseOption)) {
        if (!kPhaseCommands.contains(options.command)) {
            error = QStringLiteral("%1 takes no --phase").arg(options.command);
            return false;
        }
        options.phase = parser.value(phaseOption);
        if (!frame::FrameDocuments::kOperationPhases.contains(options.phase)) {
            error = QStringLiteral("unknown operation phase '%1' (engineering, commissioning or runtime)")
                        .arg(options.phase);
            return false;
        }
    }
    if (parser.isSet(typeOption)) {
        if (options.command != QLatin1String("new")) {
            error = QStringLiteral("--device-type belongs to new");
            return false;
        }
        options.deviceType = parser.value(typeOption);
    }
    if (parser.isSet(levelOption)) {
        options.userLevel = parser.value(levelOption);
        static const QStringList kLevels{QStringLiteral("observer"), QStringLiteral("operator"),
                                         QStringLiteral("maintenance"), QStringLiteral("planningEngineer")};
        if (!kLevels.contains(options.userLevel)) {
            error = QStringLiteral("unknown user level '%1'").arg(options.userLevel);
            return false;
        }
    }
    if (parser.isSet(timeoutOption)) {
        bool ok = false;
        const int seconds = parser.value(timeoutOption).toInt(&ok);
        if (!ok || seconds < 1 || seconds > kMaxTimeoutSeconds) {
            error = QStringLiteral("--timeout takes 1 to %1 seconds").arg(kMaxTimeoutSeconds);
            return false;
        }
        options.timeoutMs = seconds * 1000;
        options.timeoutGiven = true;
    }
    options.trace = parser.isSet(traceOption);
    return true;
}

// An XML text indented for reading, names and prefixes as they were; the
// text itself when it does not parse.
QString Indented(const QString& text)
{
    QString result;
    QXmlStreamReader reader(text);
    reader.setNamespaceProcessing(false);
    QXmlStreamWriter writer(&result);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            writer.writeStartDocument();
            break;
        case QXmlStreamReader::StartElement:
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            break;
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace())
                writer.writeCharacters(reader.text().toString());
            break;
        case QXmlStreamReader::Comment:
            writer.writeComment(reader.text().toString());
            break;
        default:
            break;
        }
    }
    return reader.hasError() ? text : result.trimmed();
}

// An event as the command line shows it: long arguments (documents)
// shortened, a frame error whole (its cause is what the user needs).
QString EventLine(const frame::FrameEvent& event)
{
    constexpr int kShownCharacters = 60;
    QStringList arguments;
    for (const QString& argument : event.arguments)
        arguments << (argument.size() <= kShownCharacters || event.name == QLatin1String("FrameError")
                          ? argument
                          : QStringLiteral("%1... (%2 characters)")
                                .arg(argument.left(kShownCharacters).simplified())
                                .arg(argument.size()));
    return frame::FrameEvent{event.systemTag, event.name, arguments}.Text();
}

// One DTM instance of the project, driven step by step.
class FrameSession {
public:
    explicit FrameSession(const Options& options) : m_options(options), m_frame(options.project)
    {
        m_frame.Events().SetObserver([](const frame::FrameEvent& event) {
            err() << "  [frame] " << EventLine(event) << Qt::endl;
        });
        // A time-out or a stop signal ended the function: its device's open answer is not waited for.
        m_frame.SetCommandDeadline([] { return StopSignal() != 0 || (g_dialogs && g_dialogs->Expired()); });
    }
    ~FrameSession()
    {
        // Whatever ended the session, the DTM is let go of in order.
        if (m_frame.HasDtm(m_options.tag))
            Release();
    }
    FrameSession(const FrameSession&) = delete;
    FrameSession& operator=(const FrameSession&) = delete;

    frame::ReferenceFrame& Frame() { return m_frame; }
    QString Tag() const { return m_options.tag; }
    QString Error() const { return m_frame.LastError(); }
    std::shared_ptr<clsTkDispatcher> Dtm() const { return m_frame.Dtm<clsTkDispatcher>(m_options.tag); }
    int32_t Status() const
    {
        const auto dtm = Dtm();
        return dtm ? dtm->GetDtmStatus() : DtmStatus::Inoperable;
    }

    bool Create()
    {
        if (!m_frame.CreateDtm(m_options.tag))
            return false;
        // A command that only reads stores nothing, whatever the DTM asks;
        // new stores the instance itself, once it is complete.
        if (IsReadOnly(m_options.command) || m_options.command == QLatin1String("new"))
            m_frame.Container(m_options.tag)->SetSaveAnswer(frame::FrameContainer::SaveAnswer::Refuse);
        ApplyTraceSwitches();
        return true;
    }
    // The commands that only read the project; every other one may store
    // its instance and holds the project while it runs.
    static bool IsReadOnly(const QString& command)
    {
        static const QStringList kReading{QStringLiteral("show"), QStringLiteral("info"),
                                          QStringLiteral("functions"), QStringLiteral("export"),
                                          QStringLiteral("connect")};
        return kReading.contains(command);
    }
    // Takes the project for a command that may store an instance.
    bool Hold()
    {
        QString error;
        return IsReadOnly(m_options.command) || m_lock.Take(&error) || Refuse(error);
    }
    // The stored instance, loaded and configured (as a frame always does).
    bool Open()
    {
        QString irregular;
        if (!m_frame.Project().CheckInstanceFile(m_options.tag, &irregular))
            return Refuse(irregular);
        if (!m_frame.Project().HasInstance(m_options.tag))
            return Refuse(QStringLiteral("the project %1 holds no instance %2 (create it with: trivex-frame new %1 "
                                         "--tag %2 [--device-type ID])")
                              .arg(m_options.project, m_options.tag));
        if (!Hold() || !Create())
            return false;
        if (!m_frame.LoadInstance(m_options.tag))
            return Refuse(WithCatalogue(Why()));
        return Configure();
    }
    bool Configure() { return m_frame.Configure(m_options.tag, m_options.userLevel); }
    // The stored instance opened, its communication set to the device.
    bool OpenLinked()
    {
        if (!Open() || !m_frame.SetCommunication(m_options.tag, m_options.device))
            return false;
        err() << "communication set: " << m_options.device << Qt::endl;
        return true;
    }

    // What a wait is for: the steps around a function get their time
    // however the function ended; the function's own wait ends early at a
    // stop signal, and its time-out also answers a question the DTM has open.
    enum class Wait { Housekeeping, Function };

    // Runs the event loop until the condition holds or the time is up (a
    // negative time: no limit); every second tick() (when given) may report
    // progress. False also when a function's wait was stopped by a signal.
    bool WaitFor(const std::function<bool()>& condition, int timeoutMs, const std::function<void(int)>& tick = {},
                 Wait wait = Wait::Housekeeping)
    {
        const bool function = wait == Wait::Function;
        // A question runs its own event loop inside this one: only a timer
        // reaches it.
        loop::SingleShotHandle expiry;
        if (function && timeoutMs >= 0 && g_dialogs)
            expiry = loop::TimerService::instance().SingleShot(timeoutMs,
                                                               [] { g_dialogs->Expire(QStringLiteral("time-out")); });
        QDeadlineTimer deadline(timeoutMs);
        QDeadlineTimer nextTick(kProgressIntervalMs);
        int seconds = 0;
        const bool signalledBefore = StopSignal() != 0;
        if (function) {
            g_functionEnded = false;
            StopSignals::SetOutcomeDecided(false);
        }
        while (!condition()) {
            if (deadline.hasExpired() || (function && StopSignal() != 0)) {
                expiry.Cancel();
                // Whatever the function asks while it is ended (whether to
                // keep a changed dataset as its window closes) gets the safe
                // answer too: nobody is there to give another.
                if (function && g_dialogs && StopSignal() == 0 && !g_dialogs->Expired())
                    g_dialogs->Expire(QStringLiteral("time-out"));
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            if (tick && nextTick.hasExpired()) {
                tick(++seconds);
                nextTick.setRemainingTime(kProgressIntervalMs);
            }
        }
        expiry.Cancel();
        if (function) {
            g_functionEnded = !signalledBefore;
            StopSignals::SetOutcomeDecided(g_functionEnded);
        }
        // The end came just as the time ran out: later questions wait for their user again.
        if (function && g_dialogs && StopSignal() == 0)
            g_dialogs->Resume();
        return true;
    }
    bool WaitForEvent(const QString& name, int before, int timeoutMs)
    {
        return WaitFor([&] { return m_frame.Events().Count(name) > before; }, timeoutMs);
    }
    // Waits until the DTM has left the dataset lock a function or transfer
    // took; false when it still holds it after the housekeeping time.
    bool WaitForUnlock()
    {
        const auto dtm = Dtm();
        return !dtm || WaitFor([&] { return dtm->LockCounter() <= 0; }, kHousekeepingMs);
    }

    // Online, offline again and the communication released, when it was set.
    bool GoOffline()
    {
        if (!Dtm() || Status() == DtmStatus::Configured)
            return true;
        const int before = m_frame.Events().Count(QStringLiteral("OnPreparedToReleaseCommunication"));
        if (!m_frame.PrepareToReleaseCommunication(m_options.tag))
            return false;
        if (!WaitForEvent(QStringLiteral("OnPreparedToReleaseCommunication"), before, kHousekeepingMs))
            return Refuse(QStringLiteral("the DTM did not go offline"));
        return m_frame.ReleaseCommunication(m_options.tag);
    }

    // Releases the DTM; it stores a changed dataset first (the frame saves
    // on the DTM's request).
    bool Release()
    {
        if (!m_frame.HasDtm(m_options.tag))
            return true;
        // A transfer that is still ending leaves the write lock first.
        WaitForUnlock();
        if (DtmGate::IsConfiguredStatus(Status()) && Status() != DtmStatus::Configured && !GoOffline())
            return false;
        if (!m_frame.ReleaseInstance(m_options.tag))
            return false;
        if (!WaitFor([&] { return !m_frame.HasDtm(m_options.tag); }, kHousekeepingMs))
            return Refuse(QStringLiteral("the DTM did not release"));
        return true;
    }

    // Why the communication server refused the device at the last connect;
    // empty when it did not.
    QString DeviceRefusal() const
    {
        comm::HartConnectReport report;
        return m_frame.LastConnect(m_options.tag, report) && report.refused ? report.refusal : QString();
    }
    // Why the last connect or its session failed, in words; empty when none did.
    QString ConnectionFailure() const
    {
        comm::HartConnectReport report;
        return m_frame.LastConnect(m_options.tag, report) ? report.failure : QString();
    }

    bool Refuse(const QString& why)
    {
        m_refusal = why;
        return false;
    }
    // The reason of the last failed step.
    QString Why() const { return m_refusal.isEmpty() ? m_frame.LastError() : m_refusal; }

private:
    void ApplyTraceSwitches()
    {
        // The DTM reads the switches when it is created; its lines reach
        // standard error only with --trace (see main).
        Debugging::Switches().Errors = -1;
        if (m_options.trace)
            Debugging::Switches().Info = -1;
    }

    Options m_options;
    frame::ProjectLock m_lock{m_options.project};
    frame::ReferenceFrame m_frame;
    QString m_refusal;
};

// Why a store of the instance failed, whole; empty when none did.
QString FailedStore(FrameSession& session)
{
    const QStringList failed = session.Frame().FailedSaves();
    return failed.isEmpty() ? QString()
                            : QStringLiteral("the instance could not be stored: ") + failed.join(QStringLiteral("; "));
}

// Lets the session's DTM go; the exit code, or that of the failed release
// or of a store of the instance that failed on the way.
int Released(FrameSession& session, int code)
{
    if (!session.Release())
        return Fail(session.Why());
    if (const QString failed = FailedStore(session); !failed.isEmpty())
        return Fail(failed);
    return code;
}

// The folders a `new` that failed created and left empty: its instance's bulk
// data folder, and the project folder when there was none before. rmdir
// takes only empty folders, so nothing anybody stored goes with them.
class NewProjectFolders {
public:
    NewProjectFolders(const QString& project, const QString& tag)
        : m_project(QDir(project).absolutePath()), m_tag(tag), m_existed(QFileInfo::exists(project))
    {
    }
    ~NewProjectFolders()
    {
        if (m_created)
            return;
        const QString bulkData = m_project + QLatin1Char('/') + frame::ProjectFolder::kBulkDataFolder;
        QDir().rmdir(bulkData + QLatin1Char('/') + m_tag);
        QDir().rmdir(bulkData);
        if (!m_existed)
            QDir().rmdir(m_project);
    }
    NewProjectFolders(const NewProjectFolders&) = delete;
    NewProjectFolders& operator=(const NewProjectFolders&) = delete;
    void Created() { m_created = true; }

private:
    QString m_project;
    QString m_tag;
    bool m_existed;
    bool m_created = false;
};

// Holds the project for new (made when it is missing) and checks that the
// instance's place in it is free; kExitOk, or the exit code of the refusal
// (told).
int ClaimNewInstance(FrameSession& session, const Options& options)
{
    frame::ReferenceFrame& frame = session.Frame();
    QString error;
    if (!frame.Project().Ensure(&error) || !session.Hold())
        return Fail(error.isEmpty() ? session.Why() : error);
    if (!frame.Project().CheckInstanceFile(options.tag, &error))
        return Fail(error);
    if (frame.Project().HasInstance(options.tag))
        return Fail(QStringLiteral("the project %1 already holds an instance %2").arg(options.project, options.tag));
    return kExitOk;
}

int RunNew(const Options& options)
{
    const QFileInfo project(options.project);
    if (project.exists() && !project.isDir())
        return Fail(QStringLiteral("the project %1 is no folder").arg(options.project));
    NewProjectFolders folders(options.project, options.tag);
    FrameSession session(options);
    frame::ReferenceFrame& frame = session.Frame();
    // An existing project is held from the start. A missing one is made only
    // once its instance is whole, just before it is stored: a new that fails
    // or is killed on the way leaves no folder behind.
    const bool existed = project.exists();
    if (existed) {
        if (const int code = ClaimNewInstance(session, options); code != kExitOk)
            return code;
    }
    if (!session.Create() || !frame.PrepareNewInstance(options.tag))
        return Fail(session.Why());

    QString error;
    QString information;
    if (!frame.GetInformation(options.tag, information))
        return Fail(WithCatalogue(session.Why()));
    QList<frame::FrameDocuments::DeviceType> types;
    if (!frame::FrameDocuments::DeviceTypes(information, types, &error))
        return Fail(WithCatalogue(error));
    const frame::FrameDocuments::DeviceType* chosen = nullptr;
    if (!options.deviceType.isEmpty()) {
        for (const auto& type : types)
            if (type.deviceTypeId == options.deviceType)
                chosen = &type;
        if (!chosen)
            return Fail(QStringLiteral("the DTM serves no device type %1").arg(options.deviceType));
    } else if (types.size() == 1) {
        chosen = &types.first();
    } else {
        QStringList ids;
        for (const auto& type : types)
            ids << type.deviceTypeId + QStringLiteral(" (") + type.name + QLatin1Char(')');
        return Fail(QStringLiteral("the DTM serves several device types, choose one with --device-type: ")
                        + ids.join(QStringLiteral(", ")),
                    kExitUsage);
    }
    err() << "device type: " << chosen->name << " by " << chosen->vendor << ", version " << chosen->version
          << " (manufacturer " << chosen->manufacturerId << ", device type " << chosen->deviceTypeId << ")"
          << Qt::endl;

    if (!frame.InitNew(options.tag, chosen->initDocument) || !session.Configure())
        return Fail(session.Why());
    if (!existed) {
        if (const int code = ClaimNewInstance(session, options); code != kExitOk)
            return code;
    }
    if (!frame.SaveInstance(options.tag))
        return Fail(session.Why());
    folders.Created();
    out() << "created " << options.tag << " in " << QDir(options.project).absolutePath() << ": "
          << frame.Project().InstanceFile(options.tag) << Qt::endl;
    return Released(session, kExitOk);
}

int RunShow(const Options& options, bool information)
{
    FrameSession session(options);
    if (!session.Open())
        return Fail(session.Why());
    QString text;
    const bool ok = information ? session.Frame().GetInformation(options.tag, text)
                                : session.Frame().GetParameters(options.tag, text);
    if (!ok)
        return Fail(information ? WithCatalogue(session.Why()) : session.Why());
    out() << Indented(text) << Qt::endl;
    return Released(session, kExitOk);
}

// Connects the DTM, whose communication is set, to its device through the
// DTM's own connect object and waits until it is online. kExitOk, or the
// exit code of the failure (reported).
int GoOnline(FrameSession& session, const Options& options)
{
    const auto dtm = session.Dtm();
    if (!dtm || !dtm->ConnectObject())
        return Fail(QStringLiteral("the DTM has no communication to connect through"));
    int32_t result = 0;
    try {
        result = dtm->ConnectObject()->Connect();
    } catch (const automation::ComError& error) {
        return Fail(QStringLiteral("connect failed: ") + error.description());
    }
    if (result != 0)
        return Fail(QStringLiteral("the DTM refused to connect (0x%1)").arg(static_cast<uint32_t>(result), 8, 16,
                                                                            QLatin1Char('0')));
    bool left = false;
    const bool settled = session.WaitFor(
        [&] {
            left = left || session.Status() != DtmStatus::CommunicationSet;
            return session.Status() == DtmStatus::Online || (left && session.Status() == DtmStatus::CommunicationSet);
        },
        options.timeoutMs, {}, FrameSession::Wait::Function);
    if (!settled && StopSignal() != 0)
        return Stopped(QStringLiteral("the connect to %1").arg(options.device));
    if (!settled)
        return Fail(QStringLiteral("time-out: no connection to %1 within %2 s")
                        .arg(options.device)
                        .arg(options.timeoutMs / 1000),
                    kExitTimedOut);
    if (session.Status() != DtmStatus::Online) {
        if (const QString refusal = session.DeviceRefusal(); !refusal.isEmpty())
            return Fail(refusal);
        const QString cause = session.ConnectionFailure();
        return Fail(QStringLiteral("could not connect to %1").arg(options.device)
                    + (cause.isEmpty() ? QString() : QStringLiteral(": ") + cause));
    }
    return kExitOk;
}

int RunConnect(const Options& options)
{
    FrameSession session(options);
    if (!session.OpenLinked())
        return Fail(session.Why());
    if (const int code = GoOnline(session, options); code != kExitOk)
        return code;

    const auto dtm = session.Dtm();
    const auto view = dtm->Gateway() ? dtm->Gateway()->View() : nullptr;
    err() << "connected to " << options.device << Qt::endl;
    out() << "tag:        " << (view ? view->TagName() : QString()) << Qt::endl;
    out() << "descriptor: " << (view ? view->Descriptor() : QString()) << Qt::endl;
    comm::HartConnectReport report;
    if (session.Frame().LastConnect(options.tag, report) && report.deviceStatus != 0) {
        out() << "status:     " << comm::deviceStatusNames(report.deviceStatus).join(QStringLiteral(", "))
              << QStringLiteral(" (0x%1)").arg(report.deviceStatus, 2, 16, QLatin1Char('0')) << Qt::endl;
        for (const QString& line : report.additionalStatus)
            out() << "            " << line << Qt::endl;
    }
    if (!session.GoOffline())
        return Fail(session.Why());
    err() << "disconnected" << Qt::endl;
    return Released(session, kExitOk);
}

int RunTransfer(const Options& options, bool upload)
{
    const QString what = upload ? QStringLiteral("upload") : QStringLiteral("download");
    const QString finishedEvent = upload ? QStringLiteral("OnUploadFinished") : QStringLiteral("OnDownloadFinished");
    const QString invokeId = what + QStringLiteral("-1");
    FrameSession session(options);
    if (!session.OpenLinked())
        return Fail(session.Why());

    const bool accepted = upload ? session.Frame().UploadRequest(options.tag, invokeId)
                                 : session.Frame().DownloadRequest(options.tag, invokeId);
    if (!accepted)
        return Fail(session.Why());
    err() << what << " requested (" << invokeId << ")" << Qt::endl;

    // The sequence and record that run, as the device application reports them.
    const auto progress = std::make_shared<TransferProgress>(err(), isatty(STDERR_FILENO) != 0, what);
    progress->Attach();
    const frame::FrameEventLog& events = session.Frame().Events();
    auto finished = [&] { return events.Count(finishedEvent) > 0; };
    const bool ended = session.WaitFor(
        finished, options.timeoutMs,
        [&](int seconds) {
            if (!progress->Attached() && !progress->Attach())
                err() << "  " << what << " running, " << seconds << " s, DTM status "
                      << DtmGate::StatusName(session.Status()) << Qt::endl;
        },
        FrameSession::Wait::Function);
    progress->Finish();
    const QStringList notices = progress->Notices();
    progress->Detach();
    if (!ended && StopSignal() != 0) {
        // Cancelled and released as at a time-out: the DTM goes offline,
        // which closes the device's session.
        const int code = Stopped(QStringLiteral("the ") + what);
        session.Frame().CancelAction(options.tag, invokeId);
        session.Release();
        return code;
    }
    if (!ended) {
        err() << "trivex-frame: time-out: the " << what << " did not report its end within "
              << options.timeoutMs / 1000
              << " s (the device application reports the end of a transfer chain); it is cancelled" << Qt::endl;
        session.Frame().CancelAction(options.tag, invokeId);
        session.Release();
        return kExitTimedOut;
    }
    const bool success = events.Texts(finishedEvent).last().endsWith(QStringLiteral("True)"));
    // After the transfer the DTM leaves the write lock: offline again and,
    // after an upload, the frame stores the instance on the DTM's request.
    if (!session.WaitForUnlock())
        return Fail(QStringLiteral("the DTM did not release its dataset lock"));
    QString reason;
    if (!success) {
        reason = progress->FailureReason(session.ConnectionFailure());
        if (const QString refusal = session.DeviceRefusal(); !refusal.isEmpty())
            reason = refusal;
        if (reason.isEmpty())
            reason = session.ConnectionFailure();
        if (reason.isEmpty())
            reason = QStringLiteral("the device application reported the transfer as failed (stopped, aborted "
                                    "or the connection lost)");
    }
    // An upload has succeeded only once what it read is stored: the store
    // the DTM asked for has run by the end of the release.
    if (!session.Release())
        return Fail(session.Why());
    // The outcome is decided: a signal from now on changes nothing of it.
    StopSignals::Settle();
    const QString failed = FailedStore(session);
    if (!success) {
        err() << what << " failed: " << reason << Qt::endl;
        if (!failed.isEmpty())
            Fail(failed);
        return kExitFailed;
    }
    for (const QString& notice : notices)
        err() << what << ": " << notice << Qt::endl;
    if (failed.isEmpty()) {
        err() << what << " finished: success" << Qt::endl;
        return kExitOk;
    }
    // A download has reached the device even when the instance could not be
    // stored afterwards; an upload whose result is not stored has failed.
    if (upload)
        err() << what << " failed: " << failed << Qt::endl;
    else
        err() << what << " finished: the device holds the new values, but the project was not stored: "
              << session.Frame().FailedSaves().join(QStringLiteral("; ")) << Qt::endl;
    return kExitFailed;
}

// One line per offered function: id, label (or application), and its state.
QString FunctionLine(const frame::FrameDocuments::OfferedFunction& function)
{
    QStringList notes;
    if (function.standard)
        notes << QStringLiteral("FDT application");
    if (function.hasGui)
        notes << QStringLiteral("opens a window");
    if (function.hidden)
        notes << QStringLiteral("hidden");
    notes << (function.enabled ? QStringLiteral("enabled") : QStringLiteral("disabled"));
    if (function.checked)
        notes << QStringLiteral("running");
    const QString title = function.standard ? function.applicationId : function.label;
    return QStringLiteral("%1  %2  (%3)").arg(function.functionId, 5).arg(title, notes.join(QStringLiteral(", ")));
}

// The functions the DTM offers in the phase; false with the reason given.
bool OfferedFunctions(FrameSession& session, const Options& options,
                      QList<frame::FrameDocuments::OfferedFunction>& functions, QString* documentText = nullptr)
{
    QString document;
    if (!session.Frame().GetFunctions(options.tag, options.phase, document))
        return session.Refuse(session.Why());
    QString error;
    if (!frame::FrameDocuments::Functions(document, functions, &error))
        return session.Refuse(error);
    if (documentText)
        *documentText = document;
    return true;
}

// The first of the events from index `before` on that is one of `names` and
// names the invoke id first; nullptr while there is none.
const frame::FrameEvent* EndEvent(const frame::FrameEventLog& events, size_t before, const QString& invokeId,
                                  const QStringList& names)
{
    for (size_t i = before; i < events.Events().size(); ++i) {
        const frame::FrameEvent& event = events.Events()[i];
        if (names.contains(event.name) && !event.arguments.isEmpty() && event.arguments.first() == invokeId)
            return &event;
    }
    return nullptr;
}

// The offered, enabled function of the id; false when there is none.
bool FindEnabled(const QList<frame::FrameDocuments::OfferedFunction>& functions, int32_t functionId,
                 frame::FrameDocuments::OfferedFunction& found)
{
    for (const auto& function : functions) {
        if (function.functionId == functionId && function.enabled && !function.hidden) {
            found = function;
            return true;
        }
    }
    return false;
}

int RunFunctions(const Options& options)
{
    FrameSession session(options);
    if (!session.Open())
        return Fail(session.Why());
    QList<frame::FrameDocuments::OfferedFunction> functions;
    QString document;
    if (!OfferedFunctions(session, options, functions, &document))
        return Fail(session.Why());
    // The document alone is the command's output; the list is for the reader.
    out() << Indented(document) << Qt::endl;
    err() << "functions offered in the phase " << options.phase << " (" << DtmGate::StatusName(session.Status())
          << ", user level " << options.userLevel << "): " << functions.size() << Qt::endl;
    for (const auto& function : functions)
        err() << FunctionLine(function) << Qt::endl;
    return Released(session, kExitOk);
}

// How long invoke waits for the end of a function: without a --timeout, a
// function with a window runs until its window is closed (-1: no limit).
int InvokeWaitMs(const Options& options, bool window)
{
    return window && !options.timeoutGiven ? -1 : options.timeoutMs;
}

int RunInvoke(const Options& options)
{
    FrameSession session(options);
    if (!session.OpenLinked())
        return Fail(session.Why());

    QList<frame::FrameDocuments::OfferedFunction> functions;
    frame::FrameDocuments::OfferedFunction function;
    if (!OfferedFunctions(session, options, functions))
        return Fail(session.Why());
    bool online = false;
    // Connected, as connect, upload and download are: a device of another
    // type is refused before anything else; the functions offered online.
    const auto goOnline = [&] {
        if (const int code = GoOnline(session, options); code != kExitOk)
            return code;
        online = true;
        err() << "connected to " << options.device << Qt::endl;
        return OfferedFunctions(session, options, functions) ? kExitOk : Fail(session.Why());
    };
    const bool onlineApplication = std::find(kOnlineApplications.begin(), kOnlineApplications.end(),
                                             options.functionId) != kOnlineApplications.end();
    if (onlineApplication && session.Status() != DtmStatus::Online) {
        if (const int code = goOnline(); code != kExitOk)
            return code;
    }
    if (!FindEnabled(functions, options.functionId, function)) {
        // Functions that work on the device are offered once it is connected.
        if (!online) {
            if (const int code = goOnline(); code != kExitOk)
                return code;
        }
        if (!FindEnabled(functions, options.functionId, function)) {
            QStringList offered;
            for (const auto& candidate : functions)
                if (candidate.enabled && !candidate.hidden)
                    offered << QString::number(candidate.functionId);
            return Fail(QStringLiteral("the DTM offers no function %1 in the phase %2 (offered: %3)")
                            .arg(options.functionId)
                            .arg(options.phase, offered.isEmpty() ? QStringLiteral("none")
                                                                   : offered.join(QStringLiteral(", "))));
        }
    }

    // The export asks where to write, which only the export command answers.
    if (!function.standard && function.name == kExportFunctionName)
        return Fail(QStringLiteral("function %1 is the export, which asks for a file: use trivex-frame export "
                                   "PROJECT FILE")
                        .arg(options.functionId),
                    kExitUsage);
    const QString invokeId = QStringLiteral("invoke-%1").arg(options.functionId);
    const bool application = options.functionId <= kLastApplicationId;
    err() << (application ? "starting " : "invoking ") << FunctionLine(function).trimmed() << " as " << invokeId
          << Qt::endl;
    frame::FrameEventLog& events = session.Frame().Events();
    const size_t before = events.Events().size();
    const bool accepted =
        application ? session.Frame().StartApplication(options.tag, invokeId, options.functionId, options.phase)
                    : session.Frame().InvokeFunctionRequest(options.tag, invokeId, options.functionId, options.phase);
    if (!accepted)
        return Fail(session.Why());

    // A window stays open as long as its user works in it: only a --timeout
    // given on the command line limits it.
    const bool window = application || function.hasGui;
    const int waitMs = InvokeWaitMs(options, window);
    if (waitMs < 0)
        err() << invokeId << " opened a window: waiting until it is closed" << Qt::endl;
    else
        err() << invokeId << ": waiting at most " << waitMs / 1000 << " s for its end" << Qt::endl;

    // The end: OnInvokedFunctionFinished for a function without a window,
    // OnApplicationClosed when the window of a function or application closes.
    const frame::FrameEvent* end = nullptr;
    auto ended = [&] {
        end = EndEvent(events, before, invokeId,
                       {QStringLiteral("OnInvokedFunctionFinished"), QStringLiteral("OnApplicationClosed")});
        return end != nullptr;
    };
    if (!session.WaitFor(ended, waitMs, {}, FrameSession::Wait::Function)) {
        // A window is asked to close; any other function ends with the release.
        const bool stopped = StopSignal() != 0;
        const int code = stopped ? Stopped(invokeId) : kExitTimedOut;
        if (!stopped) {
            err() << "trivex-frame: time-out: " << invokeId << " did not report its end within "
                  << options.timeoutMs / 1000 << " s; "
                  << (window ? "its window is asked to close" : "it ends with the release of the DTM") << Qt::endl;
        }
        if (window)
            session.Frame().ExitApplication(options.tag, invokeId);
        session.Release();
        return code;
    }
    const bool success = end->name == QLatin1String("OnApplicationClosed")
                         || (end->arguments.size() > 1 && end->arguments[1] == frame::BoolText(true));
    const QString endText = end->Text();
    // The DTM leaves the dataset lock the function took.
    session.WaitForUnlock();
    out() << invokeId << (success ? " finished: " : " failed: ") << endText << Qt::endl;
    return Released(session, success ? kExitOk : kExitFailed);
}

int RunExport(const Options& options)
{
    FrameSession session(options);
    if (!session.Open())
        return Fail(session.Why());
    QList<frame::FrameDocuments::OfferedFunction> functions;
    if (!OfferedFunctions(session, options, functions))
        return Fail(session.Why());
    const frame::FrameDocuments::OfferedFunction* exportFunction = nullptr;
    for (const auto& function : functions)
        if (!function.standard && function.name == kExportFunctionName && function.enabled && !function.hidden)
            exportFunction = &function;
    if (!exportFunction)
        return Fail(QStringLiteral("the DTM offers no export in the phase %1").arg(options.phase));

    // The DTM asks where to write; the file of the command line is the answer.
    frame::FrameFileChoice choice(options.file);
    // Only this export's causes count.
    DtmErrorLines().clear();
    const QString invokeId = QStringLiteral("export-%1").arg(exportFunction->functionId);
    const frame::FrameEventLog& events = session.Frame().Events();
    const size_t before = events.Events().size();
    if (!session.Frame().InvokeFunctionRequest(options.tag, invokeId, exportFunction->functionId, options.phase))
        return Fail(session.Why());
    const frame::FrameEvent* end = nullptr;
    auto finished = [&] {
        end = EndEvent(events, before, invokeId, {QStringLiteral("OnInvokedFunctionFinished")});
        return end != nullptr;
    };
    const bool done = session.WaitFor(finished, options.timeoutMs, {}, FrameSession::Wait::Function);
    if (!done && StopSignal() != 0)
        return Stopped(QStringLiteral("the export"));
    if (!done)
        return Fail(QStringLiteral("time-out: the export did not report its end within %1 s")
                        .arg(options.timeoutMs / 1000),
                    kExitTimedOut);
    const QString endText = end->Text();
    session.WaitForUnlock();

    // The DTM's result says whether it wrote; a file that stands at the name
    // may be an older one. Whatever kept the export from writing (no data, a
    // write that failed, with its cause) is the DTM's error line about it;
    // without one, a failed export has written its file all the same.
    const bool success = endText.endsWith(QStringLiteral("True)"));
    const QString writeFailure = DtmCause(kExportErrorMarker).mid(kExportErrorMarker.size());
    if (!session.Release())
        return Fail(session.Why());
    StopSignals::Settle();
    if (choice.Answered().isEmpty())
        return Fail(QStringLiteral("the DTM did not ask where to export (%1)").arg(endText));
    // The name the export gives its file.
    const QString written = clsApplicationFunction::AddXmlExtension(options.file);
    if (!success && (!writeFailure.isEmpty() || !QFileInfo(written).isFile()))
        return Fail(QStringLiteral("the DTM wrote no export file at %1: %2 (%3)")
                        .arg(written, writeFailure.isEmpty() ? QStringLiteral("the DTM gave no cause") : writeFailure,
                             endText));
    out() << "exported to " << written << Qt::endl;
    if (!success)
        return Fail(QStringLiteral("the DTM reported the export as failed: the applet's data could not be saved "
                                   "first, so the file may hold older data (%1)")
                        .arg(endText));
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    // Without a usable display the frame's windows (the DTM's progress and
    // wait windows) go to the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen");
        else if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
        else
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // An error no handler caught is traced and told; the windows and their data stay.
    dialogs::GuardedApplication app(argc, argv, [](const QString& what) {
        err() << "trivex-frame: an error left an event handler: " << what << Qt::endl;
        // "The function ended with an internal error; ..."
        dialogs::DialogService::instance().Critical(global::kProductTitle, global::LoadLocalizedText(3941));
    });
    // Every question of the DTM ends with the function's time-out or a stop signal.
    DeadlineDialogService dialogs([](const QString& line) { err() << "trivex-frame: " << line << Qt::endl; });
    dialogs::ScopedDialogService dialogsInstalled(dialogs);
    g_dialogs = &dialogs;
    StopSignals stopSignals([&dialogs](int signal) { dialogs.Expire(QStringLiteral("stopped by ") + StopSignals::Name(signal)); });
    g_stopSignals = &stopSignals;
    if (!stopSignals.Error().isEmpty())
        err() << "trivex-frame: " << stopSignals.Error() << Qt::endl;

    Options options;
    QString error;
    bool help = false;
    if (!ParseOptions(app.arguments(), options, error, help)) {
        Fail(error, kExitUsage);
        err() << "(trivex-frame --help shows the commands)" << Qt::endl;
        return kExitUsage;
    }
    if (help) {
        out() << kUsage;
        return kExitOk;
    }
    // The DTM's trace lines are for its developers: only --trace shows them.
    // The frame reports every failure in its own words all the same.
    DataTypes::SetTraceSink([trace = options.trace](const QString& line) {
        constexpr qsizetype kKeptLines = 50;
        if (line.contains(QStringLiteral("#L: 1 "))) {
            DtmErrorLines() << line;
            if (DtmErrorLines().size() > kKeptLines)
                DtmErrorLines().removeFirst();
        }
        if (trace)
            err() << line << Qt::endl;
    });
    if (!options.trace) {
        // The applet and the device window trace alike.
        applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
    }

    fennick::RegisterClasses();
    corvane::RegisterClasses(); // the device components every device applet starts
    merrow::RegisterClasses(); // the device user interface
    flowcalc::RegisterFlowcalcClasses(); // the engine of the flow-coefficient calculation
    comm::RegisterCommServerClasses();
    frame::RegisterClasses();
    printview::RegisterClasses(); // the viewer of the device report

    int code = kExitOk;
    if (options.command == QLatin1String("new"))
        code = RunNew(options);
    else if (options.command == QLatin1String("show"))
        code = RunShow(options, false);
    else if (options.command == QLatin1String("info"))
        code = RunShow(options, true);
    else if (options.command == QLatin1String("connect"))
        code = RunConnect(options);
    else if (options.command == QLatin1String("functions"))
        code = RunFunctions(options);
    else if (options.command == QLatin1String("invoke"))
        code = RunInvoke(options);
    else if (options.command == QLatin1String("export"))
        code = RunExport(options);
    else
        code = RunTransfer(options, options.command == QLatin1String("upload"));
    StopSignals::Settle();
    // A signal that came while the command was ending (after its time-out too)
    // still stops it; one that came after its function had ended does not.
    if (code != kExitFailed && StopSignal() != 0 && !g_functionEnded)
        code = Fail(QStringLiteral("stopped by %1").arg(StopSignals::Name(StopSignal())));
    g_stopSignals = nullptr;
    g_dialogs = nullptr;
    out().flush();
    return code;
}
