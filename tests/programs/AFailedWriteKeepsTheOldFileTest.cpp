// Files on a full or read-only disk, as a user meets one: the frame keeps
// the stored instance as it was, says why and exits 1; a command that only
// reads writes nothing; an export that cannot write is no export, whatever
// file stands at its name; the simulator refuses at its start a memory file it
// could not keep.
#include "tests/common/SmallTmpfs.h"
#include "tests/programs/StagedPrograms.h"
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {

using staged::Bytes;
using staged::Frame;
using staged::ProgramRun;

class AFailedWrite : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registration = staged::Register(); }
    void SetUp() override
    {
        ASSERT_EQ(registration.exitCode, 0) << registration.err.toStdString();
        disk = std::make_unique<SmallTmpfs>(dir.filePath(QStringLiteral("disk")));
        if (!disk->Mounted())
            GTEST_SKIP() << disk->Why().toStdString();
    }
    QString OnDisk(const QString& name) const { return disk->Folder() + QLatin1Char('/') + name; }
    // A new instance in a project on the small disk; its file.
    QString NewInstanceOnDisk() const
    {
        const ProgramRun run = Frame({QStringLiteral("new"), OnDisk(QStringLiteral("project"))});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return OnDisk(QStringLiteral("project/DTM_1.dtmbag"));
    }

    static inline ProgramRun registration;
    QTemporaryDir dir;
    std::unique_ptr<SmallTmpfs> disk;
};

TEST_F(AFailedWrite, OnAFullDiskTheFrameKeepsTheInstanceSaysWhyAndExits1)
{
    const QString project = OnDisk(QStringLiteral("project"));
    const QString instance = NewInstanceOnDisk();
    const QByteArray stored = Bytes(instance);
    ASSERT_FALSE(stored.isEmpty());
    staged::Simulator device({});
    ASSERT_TRUE(device.Listening());
    ASSERT_TRUE(disk->Fill());

    // A new instance that cannot be written is not "created", and leaves no file.
    ProgramRun run = Frame({QStringLiteral("new"), project, QStringLiteral("--tag"), QStringLiteral("DTM_2")});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("created")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("No space left on device")) << run.err.toStdString();
    EXPECT_EQ(QDir(project).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("DTM_1.dtmbag")});
    EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("/BulkData/DTM_2"))) << "nothing of the failed instance stays";

    // Reading commands write nothing, so the full disk does not touch them.
    for (const QString& command : {QStringLiteral("info"), QStringLiteral("show"), QStringLiteral("functions")}) {
        run = Frame({command, project});
        EXPECT_EQ(run.exitCode, 0) << command.toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(Bytes(instance), stored) << command.toStdString();
    }

    // An upload whose result cannot be stored has failed, with the whole cause.
    run = Frame({QStringLiteral("upload"), project, QStringLiteral("--device"), device.Address()});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("finished: success")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("upload failed: the instance could not be stored: Cannot write " + instance
                                 + ": No space left on device"))
        << run.err.toStdString();
    EXPECT_EQ(Bytes(instance), stored);
    EXPECT_EQ(QDir(project).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("DTM_1.dtmbag")});
}

TEST_F(AFailedWrite, ADownloadWhoseProjectCannotBeStoredSaysTheDeviceHoldsTheNewValues)
{
    const QString instance = NewInstanceOnDisk();
    const QByteArray stored = Bytes(instance);
    ASSERT_FALSE(stored.isEmpty());
    staged::Simulator device({});
    ASSERT_TRUE(device.Listening());
    ASSERT_TRUE(disk->SetReadOnly(true));

    const ProgramRun run = Frame({QStringLiteral("download"), OnDisk(QStringLiteral("project")), QStringLiteral("--device"), device.Address()});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("finished: success")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("download finished: the device holds the new values, but the project was not "
                                 "stored: Cannot create a new file beside "
                                 + instance + ": Read-only file system"))
        << run.err.toStdString();
    EXPECT_EQ(Bytes(instance), stored);
}

TEST_F(AFailedWrite, AnExportIntoAReadOnlyFolderIsNoExportAndSaysWhy)
{
    const QString project = dir.filePath(QStringLiteral("project"));
    ProgramRun run = Frame({QStringLiteral("new"), project});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString file = OnDisk(QStringLiteral("export.xml"));
    run = Frame({QStringLiteral("export"), project, file});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_TRUE(run.out.contains("exported to " + file)) << run.out.toStdString();
    // The old export looks as new as one this run could write.
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime));
    old.close();
    const QByteArray exported = Bytes(file);
    ASSERT_TRUE(disk->SetReadOnly(true));

    run = Frame({QStringLiteral("export"), project, file});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("exported")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("the DTM wrote no export file at " + file + ": Unable to write " + file))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Read-only file system")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("could not be saved first")) << run.err.toStdString();
    EXPECT_EQ(Bytes(file), exported);
}

TEST_F(AFailedWrite, TheSimulatorRefusesAMemoryItCouldNotKeep)
{
    const auto refused = [](const QString& memory, const char* why) {
        QProcess sim;
        sim.start(staged::Program(QStringLiteral("trivex-sim")),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--memory"), memory});
        // Refused before it listens: it ends by itself.
        ASSERT_TRUE(sim.waitForFinished(staged::kRunMs)) << why;
        const QString err = QString::fromUtf8(sim.readAllStandardError());
        EXPECT_EQ(sim.exitCode(), 2) << why << ": " << err.toStdString();
        EXPECT_TRUE(err.contains("memory refused: " + memory)) << why << ": " << err.toStdString();
        EXPECT_FALSE(QString::fromUtf8(sim.readAllStandardOutput()).contains("listening")) << why;
    };
    refused(OnDisk(QStringLiteral("missing/memory.json")), "a missing folder");
    const QString fifo = OnDisk(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    refused(fifo, "a FIFO");
    ASSERT_TRUE(disk->SetReadOnly(true));
    refused(OnDisk(QStringLiteral("memory.json")), "a read-only folder");
}

} // namespace
