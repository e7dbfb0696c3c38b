// The reference frame's program as a user runs it: what goes to standard
// output and what to standard error, the commands for the DTM's functions and
// the export, their command-line errors, and connects to simulated devices of
// the served type and of others. The Trivex device type is registered in the
// staged installation first, as an installer would.
#include "platform/comm/hartip/HartIpClient.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"
#include "tests/programs/StagedPrograms.h"
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using staged::Frame;
using staged::kRunMs;
using staged::Program;
using staged::ProgramRun;
using staged::Register;
using staged::Simulator;
using staged::Start;

// The staged FDT schemas, each under its namespace.
std::shared_ptr<xml::SchemaCache> StagedSchemas()
{
    auto cache = std::make_shared<xml::SchemaCache>();
    QDirIterator files(QCoreApplication::applicationDirPath() + QStringLiteral("/../schemas"), {QStringLiteral("*.xml")});
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        cache->Add(QStringLiteral("x-schema:") + file.fileName(), file.absoluteFilePath());
    }
    return cache;
}

QByteArray FolderDigest(const QString& path)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QDirIterator files(path, QDir::Files, QDirIterator::Subdirectories);
    QStringList names;
    while (files.hasNext())
        names << files.next();
    names.sort();
    for (const QString& name : names) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(name.toUtf8() + file.readAll());
    }
    return hash.result();
}

class FrameCommandLine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registration = Register(); }
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(Program(QStringLiteral("trivex-frame"))));
        ASSERT_EQ(registration.exitCode, 0) << registration.err.toStdString();
    }
    QString Project() const { return dir.filePath(QStringLiteral("project")); }
    void NewProject()
    {
        const ProgramRun run = Frame({QStringLiteral("new"), Project()});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    }
    // Starts the frame and reads its standard error until it says until (or
    // ends); what it said so far.
    static QString StartUntil(QProcess& frame, const QStringList& arguments, const QString& until)
    {
        frame.start(Program(QStringLiteral("trivex-frame")), arguments);
        QString err;
        const QDeadlineTimer patience(kRunMs);
        while (!err.contains(until) && frame.state() != QProcess::NotRunning && !patience.hasExpired()) {
            frame.waitForReadyRead(1000);
            err += QString::fromUtf8(frame.readAllStandardError());
        }
        return err;
    }
    // Starts an upload from the device and waits until it runs.
    QString StartUpload(QProcess& upload, const Simulator& device) const
    {
        return StartUntil(upload, {QStringLiteral("upload"), Project(), QStringLiteral("--device"), device.Address()},
                          QStringLiteral("upload requested"));
    }

    static inline ProgramRun registration;
    QTemporaryDir dir;
};

TEST_F(FrameCommandLine, HelpNamesTheFunctionCommands)
{
    const ProgramRun run = Frame({QStringLiteral("--help")});
    ASSERT_EQ(run.exitCode, 0);
    for (const char* text : {"functions PROJECT", "invoke PROJECT ID --device URL", "export PROJECT FILE", "--phase"})
        EXPECT_TRUE(run.out.contains(QLatin1String(text))) << text;
}

TEST_F(FrameCommandLine, TraceLinesComeOnlyWithTrace)
{
    // The suite's registration ran without --trace.
    EXPECT_FALSE(registration.err.contains("#TPT")) << registration.err.toStdString();
    const ProgramRun traced = Register({QStringLiteral("--trace")});
    ASSERT_EQ(traced.exitCode, 0) << traced.err.toStdString();
    EXPECT_TRUE(traced.err.contains("#TPT")) << traced.err.toStdString();

    // A HART device type names no GSD file, and that is not worth an error trace.
    const ProgramRun run = Frame({QStringLiteral("new"), Project()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("#TPT")) << run.err.toStdString();
}

TEST_F(FrameCommandLine, ShowWritesOnlyTheDocumentToStandardOutput)
{
    NewProject();
    const ProgramRun run = Frame({QStringLiteral("show"), Project()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // The frame's events went to standard error.
    EXPECT_TRUE(run.err.contains("[frame] ")) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("[frame]")) << run.out.toStdString();
    xml::XmlDocument document;
    document.SetSchemas(StagedSchemas());
    document.SetValidateOnParse(true);
    ASSERT_TRUE(document.LoadXml(run.out)) << document.ParseError().reason.toStdString() << "\n"
                                           << run.out.toStdString();
    EXPECT_EQ(document.DocumentElement().LocalName(), "FDT");

    const ProgramRun info = Frame({QStringLiteral("info"), Project()});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    xml::XmlDocument information;
    EXPECT_TRUE(information.LoadXml(info.out)) << information.ParseError().reason.toStdString();
}

TEST_F(FrameCommandLine, ConnectRefusesADeviceOfAnotherTypeAndWritesNothing)
{
    NewProject();
    const QByteArray stored = FolderDigest(Project());
    const QStringList foreign[] = {{QStringLiteral("--manufacturer"), QStringLiteral("0x26")},
                                   {QStringLiteral("--device-type"), QStringLiteral("0x63A6")}};
    const char* const reported[] = {"manufacturer 0x0026, expanded device type 0x6389",
                                    "manufacturer 0x0063, expanded device type 0x63A6"};
    // The device window (online parameterisation) is refused as connect is, before it opens.
    const QStringList refusing[] = {{QStringLiteral("connect"), Project()},
                                    {QStringLiteral("invoke"), Project(), QStringLiteral("12")}};
    for (int i = 0; i < 4; ++i) {
        Simulator device(foreign[i % 2]);
        ASSERT_TRUE(device.Listening());
        const ProgramRun run = Frame(refusing[i / 2] + QStringList{QStringLiteral("--device"), device.Address(),
                                                                   QStringLiteral("--timeout"), QStringLiteral("30")});
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(reported[i % 2]))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("the DTM instance serves (manufacturer 0x0063, expanded device type 0x6389)"))
            << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("tag:")) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains("finished")) << run.out.toStdString();
        // The device was asked who it is, and nothing else.
        EXPECT_EQ(device.StopAndListCommands(), QList<int>{0});
        EXPECT_EQ(FolderDigest(Project()), stored);
    }

    // The served device connects and shows its status: a fresh device says cold start.
    Simulator device({});
    ASSERT_TRUE(device.Listening());
    const ProgramRun run = Frame({QStringLiteral("connect"), Project(), QStringLiteral("--device"), device.Address(),
                                  QStringLiteral("--timeout"), QStringLiteral("30")});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("status:     Cold Start (0x20)")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("tag:")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("connected to")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("connected to " + device.Address())) << run.err.toStdString();
    // The device components started with the applet and identified the device.
    EXPECT_FALSE(run.err.contains("not created")) << run.err.toStdString();
    const QList<int> commands = device.StopAndListCommands();
    EXPECT_EQ(commands.value(0, -1), 0);
    // The connect identifies the device (command 0); "GetDeviceInfo", which connecting starts, asks
    // command 0 again and gets the connection's answer: the device is asked once.
    EXPECT_EQ(commands.count(0), 1) << run.err.toStdString();
}

TEST_F(FrameCommandLine, ConnectWaitsOutABusyDeviceAndSaysWhyAConnectFailed)
{
    NewProject();
    struct Fault {
        QStringList options;
        const char* cause; // empty: the connect succeeds
    };
    const Fault faults[] = {
        {{QStringLiteral("--busy"), QStringLiteral("3")}, ""},
        {{QStringLiteral("--corrupt-checksum")}, "no valid HART response"},
        {{QStringLiteral("--drop-after"), QStringLiteral("1")}, "connection to the device was lost"},
    };
    for (const Fault& fault : faults) {
        Simulator device(fault.options);
        ASSERT_TRUE(device.Listening());
        const ProgramRun run = Frame({QStringLiteral("connect"), Project(), QStringLiteral("--device"),
                                      device.Address(), QStringLiteral("--timeout"), QStringLiteral("30")});
        const std::string said = fault.options.join(' ').toStdString() + ": " + run.err.toStdString();
        if (*fault.cause == '\0') {
            EXPECT_EQ(run.exitCode, 0) << said;
            // Three busy answers to command 0, then the answer.
            EXPECT_EQ(device.StopAndListCommands().mid(0, 4), (QList<int>{0, 0, 0, 0})) << said;
        } else {
            EXPECT_EQ(run.exitCode, 1) << said;
            EXPECT_TRUE(run.err.contains(QLatin1String(fault.cause))) << said;
        }
    }
}

TEST_F(FrameCommandLine, ConnectAndTransferFailuresNameTheirCause)
{
    NewProject();
    const QStringList connectTo = {QStringLiteral("connect"), Project(), QStringLiteral("--device")};
    const QStringList timeout = {QStringLiteral("--timeout"), QStringLiteral("30")};

    // A device that serves one session, held by another master.
    {
        Simulator device({QStringLiteral("--sessions"), QStringLiteral("1")});
        ASSERT_TRUE(device.Listening());
        comm::HartIpClient other;
        ASSERT_TRUE(other.connectToServer(QStringLiteral("127.0.0.1"), device.Address().section(':', -1).toUShort()));
        const QDeadlineTimer patience(kRunMs);
        while (!other.isReady() && other.state() != comm::HartIpClient::State::Unconnected && !patience.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        ASSERT_TRUE(other.isReady()) << other.lastError().toStdString();
        const ProgramRun run = Frame(connectTo + QStringList{device.Address()} + timeout);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("could not connect to " + device.Address())) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("All sessions in use")) << run.err.toStdString();
    }

    // Nobody listens at the port.
    const ProgramRun closed = Frame(connectTo + QStringList{QStringLiteral("hart-ip://127.0.0.1:1")} + timeout);
    EXPECT_EQ(closed.exitCode, 1) << closed.err.toStdString();
    EXPECT_TRUE(closed.err.contains("refused", Qt::CaseInsensitive)) << closed.err.toStdString();

    // The connection drops in the middle of an upload: the cause, not only the record.
    Simulator dropping({QStringLiteral("--drop-after"), QStringLiteral("12")});
    ASSERT_TRUE(dropping.Listening());
    const ProgramRun upload = Frame({QStringLiteral("upload"), Project(), QStringLiteral("--device"),
                                     dropping.Address(), QStringLiteral("--timeout"), QStringLiteral("60")});
    EXPECT_EQ(upload.exitCode, 1) << upload.err.toStdString();
    const QString failed = upload.err.section(QStringLiteral("upload failed: "), 1).section('\n', 0, 0);
    EXPECT_TRUE(failed.contains("The connection to the device was lost")) << upload.err.toStdString();

    // The device stops answering (stopped) in the middle of an upload that
    // its slow answers make long.
    Simulator stopping({QStringLiteral("--delay"), QStringLiteral("200")});
    ASSERT_TRUE(stopping.Listening());
    QProcess stopped;
    QString err = StartUpload(stopped, stopping);
    stopping.Signal(SIGSTOP);
    const bool ended = stopped.waitForFinished(kRunMs);
    stopping.Signal(SIGCONT);
    ASSERT_TRUE(ended);
    err += QString::fromUtf8(stopped.readAllStandardError());
    EXPECT_EQ(stopped.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.section(QStringLiteral("upload failed: "), 1).contains("did not answer")) << err.toStdString();
}

TEST_F(FrameCommandLine, AStopSignalAbortsTheTransferAndClosesTheSession)
{
    NewProject();
    const QByteArray stored = FolderDigest(Project());
    // Slow answers: the upload is still running when the signal comes.
    Simulator device({QStringLiteral("--delay"), QStringLiteral("300")});
    ASSERT_TRUE(device.Listening());
    QProcess upload;
    QString err = StartUpload(upload, device);
    ASSERT_TRUE(err.contains("upload requested")) << err.toStdString();
    upload.terminate();
    ASSERT_TRUE(upload.waitForFinished(kRunMs));
    err += QString::fromUtf8(upload.readAllStandardError());
    EXPECT_EQ(upload.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(upload.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("stopped by SIGTERM: the upload is aborted")) << err.toStdString();
    EXPECT_FALSE(err.contains("finished: success")) << err.toStdString();
    EXPECT_EQ(FolderDigest(Project()), stored);
    // The device's slot was freed at once, not held until the inactivity close time.
    const QString log = device.StopAndLog();
    EXPECT_TRUE(log.contains("session close from")) << log.toStdString();
}

TEST_F(FrameCommandLine, ASignalAfterTheTransferEndedChangesNeitherItsOutcomeNorTheExitCode)
{
    NewProject();
    Simulator device({});
    ASSERT_TRUE(device.Listening());
    QProcess upload;
    // The line is read as soon as it comes.
    upload.setReadChannel(QProcess::StandardError);
    QString err = StartUntil(upload, {QStringLiteral("upload"), Project(), QStringLiteral("--device"), device.Address()},
                             QStringLiteral("OnUploadFinished"));
    ASSERT_TRUE(err.contains("OnUploadFinished")) << err.toStdString();
    // The frame still stores the upload and goes offline; the signal comes
    // then (or, should it have ended already, not at all: the outcome is the same).
    if (upload.state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(upload.processId()), SIGINT);
    // Once the outcome is told, signal after signal until the process has
    // ended: none of them ends it.
    const QDeadlineTimer patience(kRunMs);
    while (!err.contains("upload finished: ") && upload.state() != QProcess::NotRunning && !patience.hasExpired()) {
        upload.waitForReadyRead(1000);
        err += QString::fromUtf8(upload.readAllStandardError());
    }
    while (upload.state() != QProcess::NotRunning && !patience.hasExpired()) {
        ::kill(static_cast<pid_t>(upload.processId()), SIGINT);
        upload.waitForFinished(5);
    }
    ASSERT_EQ(upload.state(), QProcess::NotRunning);
    err += QString::fromUtf8(upload.readAllStandardError());
    EXPECT_EQ(upload.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(upload.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("upload finished: success")) << err.toStdString();
    EXPECT_FALSE(err.contains("stopped by")) << err.toStdString();
}

TEST_F(FrameCommandLine, AStopSignalEndsTheCommandAlsoWhileItsOutputIsNotRead)
{
    NewProject();
    // Standard error (the trace lines) into a small pipe that nobody reads:
    // the frame waits in a write in the middle of loading the instance,
    // not in its event loop.
    const QString fifo = dir.filePath(QStringLiteral("err"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    const int capacity = ::fcntl(reader, F_SETPIPE_SZ, 4096);
    ASSERT_GT(capacity, 0);
    QProcess show;
    show.setStandardErrorFile(fifo);
    show.start(Program(QStringLiteral("trivex-frame")), {QStringLiteral("show"), Project(), QStringLiteral("--trace")});
    ASSERT_TRUE(show.waitForStarted());
    // The frame's thread waits in its write to standard error.
    const QString syscall = QStringLiteral("/proc/%1/syscall").arg(show.processId());
    const QString blocked = QStringLiteral("%1 0x2 ").arg(SYS_write);
    const auto waits = [&] { return QString::fromLatin1(staged::Bytes(syscall)).startsWith(blocked); };
    const QDeadlineTimer patience(kRunMs);
    while (!waits() && show.state() != QProcess::NotRunning && !patience.hasExpired())
        show.waitForFinished(20);
    ASSERT_TRUE(waits()) << "the trace fills the pipe";

    ::kill(static_cast<pid_t>(show.processId()), SIGTERM);
    const bool ended = show.waitForFinished(kRunMs);
    ::close(reader);
    ASSERT_TRUE(ended) << "the signal did not end the command";
    EXPECT_EQ(show.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(show.exitCode(), 1);
    EXPECT_TRUE(show.readAllStandardOutput().isEmpty()) << "no document of a stopped show";
}

TEST_F(FrameCommandLine, ASecondSignalEndsTheProgramAtOnceAsAStoppedCommand)
{
    NewProject();
    Simulator device({QStringLiteral("--delay"), QStringLiteral("300")});
    ASSERT_TRUE(device.Listening());
    QProcess upload;
    upload.setReadChannel(QProcess::StandardError);
    QString err = StartUpload(upload, device);
    ASSERT_TRUE(err.contains("upload requested")) << err.toStdString();
    upload.terminate();
    // The frame has taken up the first and closes the device's session: the
    // second does not wait for that.
    const QDeadlineTimer patience(kRunMs);
    while (!err.contains("stopped by SIGTERM") && upload.state() != QProcess::NotRunning && !patience.hasExpired()) {
        upload.waitForReadyRead(1000);
        err += QString::fromUtf8(upload.readAllStandardError());
    }
    ASSERT_TRUE(err.contains("stopped by SIGTERM: the upload is aborted")) << err.toStdString();
    upload.terminate();
    ASSERT_TRUE(upload.state() == QProcess::NotRunning || upload.waitForFinished(kRunMs));
    err += QString::fromUtf8(upload.readAllStandardError());
    EXPECT_EQ(upload.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(upload.exitCode(), 1) << err.toStdString();
}

TEST_F(FrameCommandLine, AnUploadAsksTheDeviceForItsIdentityAndConfigurationOnce)
{
    NewProject();
    Simulator device({});
    ASSERT_TRUE(device.Listening());
    const ProgramRun run = Frame({QStringLiteral("upload"), Project(), QStringLiteral("--device"), device.Address(),
                                  QStringLiteral("--timeout"), QStringLiteral("60")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // The connect, the device identification and the upload each want command 0 and the
    // configuration (13, 200); the connection asks the device once and answers the rest itself.
    const QList<int> commands = device.StopAndListCommands();
    const std::string all = run.err.toStdString();
    for (const int command : {0, 13, 200})
        EXPECT_EQ(commands.count(command), 1) << "command " << command << ": " << all;
    for (const int command : {128, 129, 134})
        EXPECT_EQ(commands.count(command), 0) << "command " << command << ": " << all;
}

TEST_F(FrameCommandLine, SimulatorOptionsAreChecked)
{
    // A wrong command line, not a failed device: exit code 2.
    for (const QStringList& wrong : {QStringList{"--no-such-option"}, QStringList{"--port", "0", "extra"},
                                     QStringList{"--sessions", "0"}, QStringList{"--sessions", "x"}}) {
        const ProgramRun run = Start(Program(QStringLiteral("trivex-sim")), wrong);
        EXPECT_EQ(run.exitCode, 2) << wrong.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith("trivex-sim: ")) << run.err.toStdString();
    }
    for (const QStringList& wrong : {QStringList{"--manufacturer", "0x10000"}, QStringList{"--device-type", "x"},
                                     QStringList{"--manufacturer", "-1"}, QStringList{"--device-type", "0x"}}) {
        const ProgramRun run = Start(Program(QStringLiteral("trivex-sim")), wrong);
        EXPECT_EQ(run.exitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(wrong.first() == "--manufacturer" ? "invalid manufacturer id"
                                                                       : "invalid device type"))
            << run.err.toStdString();
    }
}

TEST_F(FrameCommandLine, WrongCommandLinesAreRefusedWithTheReason)
{
    const std::pair<QStringList, const char*> wrong[] = {
        {{"invoke", "p", "13"}, "invoke needs --device"},
        {{"invoke", "p", "--device", "hart-ip://127.0.0.1:5094"}, "invoke takes a PROJECT folder and a function ID"},
        {{"invoke", "p", "x13", "--device", "hart-ip://127.0.0.1:5094"}, "invalid function ID 'x13'"},
        {{"invoke", "p", "0", "--device", "hart-ip://127.0.0.1:5094"}, "invalid function ID '0'"},
        {{"invoke", "p", "13", "--device", "tcp://127.0.0.1"}, ""},
        {{"export", "p"}, "export takes a PROJECT folder and a FILE"},
        {{"export", "p", "f", "--device", "hart-ip://127.0.0.1:5094"}, "export takes no --device"},
        {{"functions", "p", "--phase", "testing"}, "unknown operation phase 'testing'"},
        {{"functions", "p", "extra"}, "functions takes exactly one PROJECT folder"},
        {{"show", "p", "--phase", "runtime"}, "show takes no --phase"},
        {{"demo"}, "unknown command 'demo'"},
    };
    for (const auto& [arguments, reason] : wrong) {
        const ProgramRun run = Frame(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(reason))) << run.err.toStdString();
    }
    // The export file may not be a folder.
    const ProgramRun run = Frame({QStringLiteral("export"), Project(), dir.path()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("is a folder")) << run.err.toStdString();
}

TEST_F(FrameCommandLine, FunctionsPrintsOnlyTheDocumentAndListsTheOfferedFunctionsOnStandardError)
{
    NewProject();
    ProgramRun run = Frame({QStringLiteral("functions"), Project()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\"")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("fdt:name=\"&amp;&amp;Menu_State&amp;&amp;Export\"")) << run.out.toStdString();
    // Standard output is the document and nothing else.
    xml::XmlDocument document;
    ASSERT_TRUE(document.LoadXml(run.out)) << document.ParseError().reason.toStdString() << "\n"
                                           << run.out.toStdString();
    EXPECT_TRUE(run.out.trimmed().endsWith("</FDT>")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("functions offered in the phase commissioning (CONFIGURED, user level maintenance): 1"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("   22  Export  (enabled)")) << run.err.toStdString();

    // A planning engineer in the engineering phase may configure the device.
    run = Frame({QStringLiteral("functions"), Project(), QStringLiteral("--phase"), QStringLiteral("engineering"),
                 QStringLiteral("--user-level"), QStringLiteral("planningEngineer")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("    4  fdtConfiguration  (FDT application, enabled)")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("Export  (")) << run.err.toStdString();

    run = Frame({QStringLiteral("functions"), dir.filePath(QStringLiteral("none"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("holds no instance")) << run.err.toStdString();
}

TEST_F(FrameCommandLine, ExportWritesTheFileAndSaysWhere)
{
    NewProject();
    const QString file = dir.filePath(QStringLiteral("exported"));
    ProgramRun run = Frame({QStringLiteral("export"), Project(), file});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("exported to " + file + ".xml")) << run.out.toStdString();
    QFile written(file + QStringLiteral(".xml"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.contains("<DTMExportSchema>")) << text.toStdString();
    EXPECT_TRUE(text.contains("<DTMParameter>&lt;")) << text.toStdString(); // the dataset as text

    // Not offered in the engineering phase.
    run = Frame({QStringLiteral("export"), Project(), file, QStringLiteral("--phase"), QStringLiteral("engineering")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("the DTM offers no export in the phase engineering")) << run.err.toStdString();
}

TEST_F(FrameCommandLine, AnInvokedWindowIsNotTimedWithoutTimeout)
{
    NewProject();
    Simulator device({});
    ASSERT_TRUE(device.Listening());
    QProcess invoke;
    invoke.setReadChannel(QProcess::StandardError);
    invoke.start(Program(QStringLiteral("trivex-frame")),
                 {QStringLiteral("invoke"), Project(), QStringLiteral("5"), QStringLiteral("--device"), device.Address()});
    // The window stays until its user closes it, however long that is.
    const QString waiting = QStringLiteral("invoke-5 opened a window: waiting until it is closed");
    QString err;
    const QDeadlineTimer hang(kRunMs);
    while (!err.contains(waiting) && invoke.state() != QProcess::NotRunning && !hang.hasExpired()) {
        invoke.waitForReadyRead(1000);
        err += QString::fromUtf8(invoke.readAllStandardError());
    }
    EXPECT_TRUE(err.contains(waiting)) << err.toStdString();
    EXPECT_FALSE(err.contains("time-out")) << err.toStdString();
    EXPECT_EQ(invoke.state(), QProcess::Running);
    invoke.kill();
    invoke.waitForFinished();
}

TEST_F(FrameCommandLine, TheDeviceWindowClosesWithoutALeakReport)
{
    // The device's own dataset first, so the window opens without asking about it.
    NewProject();
    Simulator device({});
    ASSERT_TRUE(device.Listening());
    ProgramRun run = Frame({QStringLiteral("upload"), Project(), QStringLiteral("--device"), device.Address()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    // The window stays open until the frame asks it to close after the time-out;
    // the program then ends with the frame's code for that, not with a leak report.
    run = Frame({QStringLiteral("invoke"), Project(), QStringLiteral("5"), QStringLiteral("--device"), device.Address(),
                 QStringLiteral("--timeout"), QStringLiteral("5")});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("its window is asked to close")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("LeakSanitizer")) << run.err.toStdString();
    // Without --trace the frame writes no trace line of the DTM or its window.
    EXPECT_FALSE(run.err.contains("PioApplet:")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("#TPT:")) << run.err.toStdString();
}

TEST_F(FrameCommandLine, TheTimeOutAnswersAQuestionTheWindowHasOpen)
{
    // A new project does not hold the device's dataset: the window opens with
    // the question whether to read it from the device, and nobody answers.
    NewProject();
    const QByteArray stored = FolderDigest(Project());
    Simulator device({});
    ASSERT_TRUE(device.Listening());
    QProcess invoke;
    QString err = StartUntil(invoke,
                             {QStringLiteral("invoke"), Project(), QStringLiteral("12"), QStringLiteral("--device"),
                              device.Address(), QStringLiteral("--timeout"), QStringLiteral("5")},
                             QStringLiteral("its window is asked to close"));
    ASSERT_TRUE(err.contains("its window is asked to close")) << err.toStdString();
    // The question got the answer that reads and writes nothing, and the frame said so.
    const QString answered = err.section(QStringLiteral("time-out: the message"), 1).section('\n', 0, 0);
    EXPECT_TRUE(answered.endsWith("answered No")) << err.toStdString();

    // The command ends by itself: whether to keep what the window holds,
    // asked as it closes, gets No as well, and the project stays as it was.
    ASSERT_TRUE(invoke.state() == QProcess::NotRunning || invoke.waitForFinished(kRunMs)); // it may have ended already
    err += QString::fromUtf8(invoke.readAllStandardError());
    EXPECT_EQ(invoke.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(invoke.exitCode(), 3) << err.toStdString();
    EXPECT_FALSE(err.contains("stopped by")) << err.toStdString();
    EXPECT_EQ(FolderDigest(Project()), stored);
}

TEST_F(FrameCommandLine, InvokeWithoutADeviceFailsCleanly)
{
    NewProject();
    // Nobody listens on port 1: the connect is refused, not waited for.
    const ProgramRun run = Frame({QStringLiteral("invoke"), Project(), QStringLiteral("15"), QStringLiteral("--device"),
                           QStringLiteral("hart-ip://127.0.0.1:1"), QStringLiteral("--timeout"), QStringLiteral("20")});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("communication set: hart-ip://127.0.0.1:1")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("could not connect to hart-ip://127.0.0.1:1")) << run.err.toStdString();

    // The export is offered without the device, but its file is named by the export command.
    const ProgramRun exportRun = Frame({QStringLiteral("invoke"), Project(), QStringLiteral("22"),
                                        QStringLiteral("--device"), QStringLiteral("hart-ip://127.0.0.1:1")});
    EXPECT_EQ(exportRun.exitCode, 2) << exportRun.err.toStdString();
    EXPECT_TRUE(exportRun.err.contains("use trivex-frame export PROJECT FILE")) << exportRun.err.toStdString();
}

} // namespace

namespace {

// The values a project shows of the named parameters, "name=value" a line.
std::string Shown(const QString& document, const QStringList& names)
{
    QStringList values;
    for (const QString& name : names) {
        const QRegularExpression value(QStringLiteral("<fdt:DtmVariable name=\"%1\">\\s*<fdt:Value>\\s*"
                                                      "<fdt:Display string=\"([^\"]*)\"")
                                           .arg(QRegularExpression::escape(name)));
        values << name + QLatin1Char('=') + value.match(document).captured(1);
    }
    return values.join(QLatin1Char('\n')).toStdString();
}

} // namespace

TEST_F(FrameCommandLine, AnOlderFlowTransmitterKeepsItsStaticPressureAndReferenceThroughARoundTrip)
{
    // Each command loads the project anew, as the frame does between an upload and a download.
    Simulator device({QStringLiteral("--revision"), QStringLiteral("19"), QStringLiteral("--mv"), QStringLiteral("on")});
    ASSERT_TRUE(device.Listening());
    const QStringList names = {"ptrbStaticPressureScaleIn0", "ptrbStaticPressureScaleIn100",
                               "ptrbStaticPressureScaleInUnit", "mvInPUnit", "aiPOutScaleUnit", "aiPOutScale0",
                               "aiPOutScale100", "mvPr", "mvTr"};
    NewProject();
    const QStringList transfer = {Project(), QStringLiteral("--device"), device.Address(), QStringLiteral("--timeout"),
                                  QStringLiteral("120")};
    ProgramRun run = Frame(QStringList{QStringLiteral("upload")} + transfer);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::string uploaded = Shown(Frame({QStringLiteral("show"), Project()}).out, names);
    // A flow block of revision 19 takes the static pressure in mbar; the reference pressure stays in bar.
    EXPECT_NE(uploaded.find("ptrbStaticPressureScaleIn100=1e+05\nptrbStaticPressureScaleInUnit=8\n"), std::string::npos)
        << uploaded;
    EXPECT_NE(uploaded.find("mvPr=1.01325\n"), std::string::npos) << uploaded;

    run = Frame(QStringList{QStringLiteral("download")} + transfer);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Shown(Frame({QStringLiteral("show"), Project()}).out, names), uploaded) << "the project after the download";
    const ProgramRun fresh = Frame({QStringLiteral("new"), dir.filePath(QStringLiteral("again"))});
    ASSERT_EQ(fresh.exitCode, 0) << fresh.err.toStdString();
    run = Frame({QStringLiteral("upload"), dir.filePath(QStringLiteral("again")), QStringLiteral("--device"),
                 device.Address(), QStringLiteral("--timeout"), QStringLiteral("120")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Shown(Frame({QStringLiteral("show"), dir.filePath(QStringLiteral("again"))}).out, names), uploaded)
        << "the device after the download";
}
