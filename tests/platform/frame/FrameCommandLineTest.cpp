// The reference frame's program as a user runs it: the commands for the
// DTM's functions and the export, and their command-line errors. The Trivex
// device type is registered in the staged installation first, as an
// installer would.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kRunMs = 120000;

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QString Program(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

ProgramRun Start(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(kRunMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not end: " << arguments.join(' ').toStdString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

ProgramRun Frame(const QStringList& arguments)
{
    return Start(Program(QStringLiteral("trivex-frame")), arguments);
}

class FrameCommandLine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString description =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../../TDXDESC/COM_HART/_0063/_0_0089"))
            + QLatin1Char('/');
        registration = Start(Program(QStringLiteral("fennick")),
                             {QStringLiteral("func:registerdtm"), QStringLiteral("dscr_dir:") + description,
                              QStringLiteral("tdx_file:Trivex.tdx"), QStringLiteral("fdt_file:Trivex.fdt"),
                              QStringLiteral("dtminfo_date:2024-05-15"), QStringLiteral("fdtclassificationid:1")});
    }
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

TEST_F(FrameCommandLine, FunctionsPrintsTheDocumentAndTheOfferedFunctions)
{
    NewProject();
    ProgramRun run = Frame({QStringLiteral("functions"), Project()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\"")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("fdt:name=\"&amp;&amp;Menu_State&amp;&amp;Export\"")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("functions offered in the phase commissioning (CONFIGURED, user level maintenance): 1"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("   22  Export  (enabled)")) << run.out.toStdString();

    // A planning engineer in the engineering phase may configure the device.
    run = Frame({QStringLiteral("functions"), Project(), QStringLiteral("--phase"), QStringLiteral("engineering"),
                 QStringLiteral("--user-level"), QStringLiteral("planningEngineer")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("    4  fdtConfiguration  (FDT application, enabled)")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("Export  (")) << run.out.toStdString();

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

TEST_F(FrameCommandLine, InvokeWithoutADeviceFailsCleanly)
{
    NewProject();
    // Nobody listens on port 1: the connect is refused, not waited for.
    const ProgramRun run = Frame({QStringLiteral("invoke"), Project(), QStringLiteral("15"), QStringLiteral("--device"),
                           QStringLiteral("hart-ip://127.0.0.1:1"), QStringLiteral("--timeout"), QStringLiteral("20")});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("communication set: hart-ip://127.0.0.1:1")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("could not connect to hart-ip://127.0.0.1:1")) << run.err.toStdString();

    // The export is offered without the device, but its file is named by the export command.
    const ProgramRun exportRun = Frame({QStringLiteral("invoke"), Project(), QStringLiteral("22"),
                                        QStringLiteral("--device"), QStringLiteral("hart-ip://127.0.0.1:1")});
    EXPECT_EQ(exportRun.exitCode, 2) << exportRun.err.toStdString();
    EXPECT_TRUE(exportRun.err.contains("use trivex-frame export PROJECT FILE")) << exportRun.err.toStdString();
}

} // namespace
