// Files that are not what a file should be, as a user may leave them: a FIFO
// or a link to a device where a settings file is expected ends no
// program in a hang and is named, a link in the place of the per-user trace
// switches is neither followed nor written, and a command that only reads
// makes no folder in the project. An alarm ends the test program should one
// of them hang again, so that a regression fails instead of blocking CI.
#include "tests/programs/StagedPrograms.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using staged::Bytes;
using staged::Frame;
using staged::ProgramRun;

// Far above what the runs below take on a loaded machine, far below a CI limit.
constexpr unsigned kAlarmSeconds = 600;

class NoFileHangs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registration = staged::Register(); }
    void SetUp() override
    {
        ::alarm(kAlarmSeconds);
        ASSERT_EQ(registration.exitCode, 0) << registration.err.toStdString();
        ASSERT_TRUE(QDir().mkpath(config));
        ProgramRun run = Frame({QStringLiteral("new"), project});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    void TearDown() override
    {
        for (const QString& path : {switches, categories})
            QFile::remove(path);
        ::alarm(0);
    }
    static void MakeFifo(const QString& path)
    {
        QFile::remove(path);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
    }
    static void MakeLink(const QString& target, const QString& path)
    {
        QFile::remove(path);
        ASSERT_TRUE(QFile::link(target, path)) << path.toStdString();
    }

    static inline ProgramRun registration;
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("project"));
    // Where the programs keep a user's settings: the test's own home (test_main).
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Trivex");
    const QString switches = config + QStringLiteral("/Fennick.ini");
    const QString categories = config + QStringLiteral("/ComponentCategories.ini");
};

TEST_F(NoFileHangs, AFifoOrADeviceWhereASettingsFileIsExpectedIsNamedAndTheProgramEnds)
{
    const ProgramRun plain = Frame({QStringLiteral("show"), project});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();

    // The switches are a developer's: their file is named in the trace.
    MakeFifo(switches);
    ProgramRun run = Frame({QStringLiteral("show"), project, QStringLiteral("--trace")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, plain.out) << "what the project holds is shown as ever";
    EXPECT_TRUE(run.err.contains(switches + QStringLiteral(": is a FIFO"))) << run.err.toStdString();

    MakeLink(QStringLiteral("/dev/zero"), switches);
    run = Frame({QStringLiteral("show"), project, QStringLiteral("--trace")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, plain.out);
    EXPECT_TRUE(run.err.contains(switches + QStringLiteral(": is a device"))) << run.err.toStdString();
    QFile::remove(switches);

    // The registration reads the category store before it writes it.
    MakeFifo(categories);
    const ProgramRun refused = staged::Register();
    EXPECT_NE(refused.exitCode, 0) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(categories + QStringLiteral(": is a FIFO"))) << refused.err.toStdString();
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(categories).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was not replaced";
    QFile::remove(categories);
    const ProgramRun again = staged::Register();
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
}

TEST_F(NoFileHangs, ReadingTheTraceSwitchesWritesNothingAndALinkInTheirPlaceIsNotFollowed)
{
    // No file: none is made.
    QFile::remove(switches);
    ProgramRun run = Frame({QStringLiteral("show"), project});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(switches)) << "reading a switch writes nothing";

    // A link to the user's notes: the notes stay as they were.
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    {
        QFile file(notes);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("my notes\n");
    }
    MakeLink(notes, switches);
    run = Frame({QStringLiteral("show"), project});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Bytes(notes), QByteArray("my notes\n"));
    EXPECT_TRUE(QFileInfo(switches).isSymLink());
}

TEST_F(NoFileHangs, ShowMakesNoFolderInTheProject)
{
    QDir(project + QStringLiteral("/BulkData")).removeRecursively();
    const QStringList before = QDir(project).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& command : {QStringLiteral("show"), QStringLiteral("info")}) {
        const ProgramRun run = Frame({command, project});
        EXPECT_EQ(run.exitCode, 0) << command.toStdString() << ": " << run.err.toStdString();
    }
    EXPECT_EQ(QDir(project).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("/BulkData")));
}

} // namespace
