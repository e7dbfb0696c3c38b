// What a frame that was killed leaves, and what stands where an instance's
// file belongs: the next write removes the temporaries of writers that are
// gone and keeps those of a live one; a new that is killed while it builds
// its instance has made no folder yet; a FIFO or a folder at the instance's
// file is named, never waited on and never replaced.
#include "tests/programs/StagedPrograms.h"
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using staged::Frame;
using staged::ProgramRun;

class NothingIsLeftBehind : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registration = staged::Register(); }
    void SetUp() override { ASSERT_EQ(registration.exitCode, 0) << registration.err.toStdString(); }
    QString Project() const { return dir.filePath(QStringLiteral("project")); }
    QString Instance(const QString& tag = QStringLiteral("DTM_1")) const
    {
        return Project() + QLatin1Char('/') + tag + QStringLiteral(".dtmbag");
    }
    // A temporary as a writer of the process leaves it beside target.
    static QString Temporary(const QString& target, qint64 writer, const char* unique)
    {
        const QFileInfo info(target);
        const QString path = QStringLiteral("%1/.%2.%3.%4").arg(info.absolutePath(), info.fileName()).arg(writer).arg(
            QString::fromLatin1(unique));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write("half of a file");
        return path;
    }
    // The id of a process that has ended.
    static qint64 EndedProcess()
    {
        QProcess process;
        process.start(QStringLiteral("true"), QStringList{});
        EXPECT_TRUE(process.waitForStarted());
        const qint64 pid = process.processId();
        EXPECT_TRUE(process.waitForFinished());
        return pid;
    }

    static inline ProgramRun registration;
    QTemporaryDir dir;
};

TEST_F(NothingIsLeftBehind, AWriteRemovesTheTemporariesOfWritersThatAreGoneAndKeepsThoseOfLiveOnes)
{
    ProgramRun run = Frame({QStringLiteral("new"), Project()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const qint64 gone = EndedProcess();
    const QString stale = Temporary(Instance(QStringLiteral("DTM_2")), gone, "aB3dE6");
    // A writer whose id this machine does not know (another machine's) but
    // that holds its temporary, and a writer that runs.
    const QString locked = Temporary(Instance(QStringLiteral("DTM_2")), gone, "gH7jK8");
    const int lock = ::open(QFile::encodeName(locked).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const QString running = Temporary(Instance(QStringLiteral("DTM_2")), ::getpid(), "mN1pQ2");
    // Another instance's temporary is not this write's.
    const QString other = Temporary(Instance(QStringLiteral("DTM_3")), gone, "rS4tU5");

    run = Frame({QStringLiteral("new"), Project(), QStringLiteral("--tag"), QStringLiteral("DTM_2")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(locked));
    EXPECT_TRUE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(other));
    ::close(lock);

    // The export's writer alike, beside the file it exports to.
    const QString exported = dir.filePath(QStringLiteral("out.xml"));
    const QString staleExport = Temporary(exported, gone, "vW6xY7");
    run = Frame({QStringLiteral("export"), Project(), exported});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(exported).isFile());
    EXPECT_FALSE(QFileInfo::exists(staleExport));
}

TEST_F(NothingIsLeftBehind, ANewKilledWhileItBuildsItsInstanceHasMadeNoFolder)
{
    const QString plant = dir.filePath(QStringLiteral("plant"));
    const QString project = plant + QStringLiteral("/project");
    const QString instance = project + QStringLiteral("/DTM_1.dtmbag");
    // Nothing, or the whole instance: never a folder without one.
    const auto whole = [&] { return !QFileInfo::exists(plant) || QFileInfo(instance).isFile(); };
    QProcess frame;
    frame.setReadChannel(QProcess::StandardError);
    frame.start(staged::Program(QStringLiteral("trivex-frame")), {QStringLiteral("new"), project});
    QString err;
    const QDeadlineTimer patience(staged::kRunMs);
    // The first event of the new DTM: it is being built.
    while (!err.contains("[frame] ") && frame.state() != QProcess::NotRunning && !patience.hasExpired()) {
        frame.waitForReadyRead(1000);
        err += QString::fromUtf8(frame.readAllStandardError());
    }
    ASSERT_TRUE(err.contains("[frame] ")) << err.toStdString();
    ::kill(static_cast<pid_t>(frame.processId()), SIGSTOP);
    EXPECT_TRUE(whole()) << "a folder before the instance is whole";
    frame.kill();
    ASSERT_TRUE(frame.waitForFinished(staged::kRunMs));
    EXPECT_TRUE(whole());
}

TEST_F(NothingIsLeftBehind, AFifoOrAFolderAtTheInstanceFileIsNamedAndNeitherReadNorReplaced)
{
    ASSERT_TRUE(QDir().mkpath(Project()));
    const QByteArray instance = QFile::encodeName(Instance());
    struct Case {
        const char* kind;
        std::function<bool()> make;
        std::function<bool(mode_t)> stays;
    };
    const Case cases[] = {
        {"a FIFO", [&] { return ::mkfifo(instance.constData(), 0600) == 0; }, [](mode_t mode) { return S_ISFIFO(mode); }},
        {"a folder", [&] { return ::mkdir(instance.constData(), 0700) == 0; }, [](mode_t mode) { return S_ISDIR(mode); }},
    };
    for (const Case& place : cases) {
        ASSERT_TRUE(place.make()) << place.kind;
        const QString named = Instance() + QStringLiteral(" is ") + QString::fromLatin1(place.kind)
                            + QStringLiteral(", not a stored instance: it is neither read nor replaced");
        for (const QString& command : {QStringLiteral("show"), QStringLiteral("new")}) {
            const ProgramRun run = Frame({command, Project()});
            EXPECT_EQ(run.exitCode, 1) << place.kind << ' ' << command.toStdString() << ": " << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(named)) << place.kind << ' ' << command.toStdString() << ": "
                                                 << run.err.toStdString();
            EXPECT_FALSE(run.err.contains("holds no instance")) << run.err.toStdString();
            EXPECT_FALSE(run.out.contains("created")) << run.out.toStdString();
            struct stat info {};
            ASSERT_EQ(::lstat(instance.constData(), &info), 0) << place.kind;
            EXPECT_TRUE(place.stays(info.st_mode)) << place.kind << " replaced by " << command.toStdString();
        }
        ASSERT_EQ(::remove(instance.constData()), 0);
    }
}

} // namespace
