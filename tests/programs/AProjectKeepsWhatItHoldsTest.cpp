// A project as it travels between users and tools: values the DTM does not
// own survive its saves, reading commands leave the file as it was, a second
// writer is refused while the first holds the project, and a stored instance
// or a command line the frame cannot use is refused with its cause in words.
#include "tests/programs/StagedPrograms.h"
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using staged::Bytes;
using staged::Frame;
using staged::ProgramRun;

void Replace(const QString& path, const QByteArray& from, const QByteArray& to)
{
    QByteArray bytes = Bytes(path);
    ASSERT_TRUE(bytes.contains(from)) << from.toStdString();
    bytes.replace(from, to);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class AProject : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registration = staged::Register(); }
    void SetUp() override
    {
        ASSERT_EQ(registration.exitCode, 0) << registration.err.toStdString();
        const ProgramRun run = Frame({QStringLiteral("new"), Project()});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    QString Project() const { return dir.filePath(QStringLiteral("project")); }
    QString Instance() const { return Project() + QStringLiteral("/DTM_1.dtmbag"); }

    static inline ProgramRun registration;
    QTemporaryDir dir;
};

TEST_F(AProject, ReadingCommandsWriteNothingAndForeignValuesSurviveASave)
{
    // A frame's note and a bag of another tool beside the DTM's values.
    const QByteArray foreign = "  <Text name=\"FrameNote\">checked by the night shift</Text>\n"
                               "  <Bag name=\"Planning\">\n    <Integer name=\"Loop\">4711</Integer>\n  </Bag>\n";
    Replace(Instance(), "</PropertyBag>", foreign + "</PropertyBag>");
    const QByteArray stored = Bytes(Instance());
    const QDateTime modified = QFileInfo(Instance()).lastModified();

    for (const QString& command : {QStringLiteral("show"), QStringLiteral("info"), QStringLiteral("functions")}) {
        const ProgramRun run = Frame({command, Project()});
        EXPECT_EQ(run.exitCode, 0) << command.toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(Bytes(Instance()), stored) << command.toStdString();
        EXPECT_EQ(QFileInfo(Instance()).lastModified(), modified) << command.toStdString();
    }

    staged::Simulator device({});
    ASSERT_TRUE(device.Listening());
    const ProgramRun run = Frame({QStringLiteral("upload"), Project(), QStringLiteral("--device"), device.Address()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray uploaded = Bytes(Instance());
    EXPECT_NE(uploaded, stored);
    EXPECT_TRUE(uploaded.contains("<Text name=\"FrameNote\">checked by the night shift</Text>")) << uploaded.toStdString();
    EXPECT_TRUE(uploaded.contains("<Integer name=\"Loop\">4711</Integer>")) << uploaded.toStdString();
}

TEST_F(AProject, ASecondWriterIsRefusedWhileTheFirstHoldsTheProject)
{
    staged::Simulator device({});
    ASSERT_TRUE(device.Listening());
    // The device window holds the project until it is closed.
    QProcess holder;
    holder.start(staged::Program(QStringLiteral("trivex-frame")),
                 {QStringLiteral("invoke"), Project(), QStringLiteral("5"), QStringLiteral("--device"), device.Address()});
    const QString waiting = QStringLiteral("opened a window: waiting until it is closed");
    QString err;
    const QDeadlineTimer hang(staged::kRunMs);
    while (!err.contains(waiting) && holder.state() != QProcess::NotRunning && !hang.hasExpired()) {
        holder.waitForReadyRead(1000);
        err += QString::fromUtf8(holder.readAllStandardError());
    }
    ASSERT_TRUE(err.contains(waiting)) << err.toStdString();

    const QByteArray stored = Bytes(Instance());
    ProgramRun run = Frame({QStringLiteral("upload"), Project(), QStringLiteral("--device"), device.Address()});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("is in use: another frame process that may store its instances holds it"))
        << run.err.toStdString();
    EXPECT_EQ(Bytes(Instance()), stored);
    // Reading goes on meanwhile.
    EXPECT_EQ(Frame({QStringLiteral("show"), Project()}).exitCode, 0);

    // A holder that died holds nothing.
    holder.kill();
    holder.waitForFinished();
    run = Frame({QStringLiteral("upload"), Project(), QStringLiteral("--device"), device.Address()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST_F(AProject, WhatTheFrameCannotUseIsRefusedWithItsCause)
{
    // The hint names what a new instance of this tag needs.
    ProgramRun run = Frame({QStringLiteral("show"), Project(), QStringLiteral("--tag"), QStringLiteral("FT_7")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("create it with: trivex-frame new " + Project() + " --tag FT_7 [--device-type ID]"))
        << run.err.toStdString();

    run = Frame({QStringLiteral("connect"), Project(), QStringLiteral("--device"), QString()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("Invalid device address '': no address given, hart-ip://HOST[:PORT] is expected"))
        << run.err.toStdString();

    run = Frame({QStringLiteral("export"), Project(), dir.filePath(QStringLiteral("missing/export.xml"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Cannot create a new file beside " + dir.filePath(QStringLiteral("missing/export.xml"))
                                 + ": No such file or directory"))
        << run.err.toStdString();

    // A stored dataset that is cut short or gone: the frame says which.
    const QByteArray stored = Bytes(Instance());
    const qsizetype end = stored.indexOf("</Text>");
    ASSERT_GT(end, 0);
    // Cut after an element's end, never inside an escape of the bag's own
    // XML: the bag stays readable, the dataset in it is cut short.
    const qsizetype half = stored.lastIndexOf("&gt;", end / 2) + 4;
    ASSERT_GT(half, 4);
    QFile cut(Instance());
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cut.write(stored.left(half) + stored.mid(end));
    cut.close();
    run = Frame({QStringLiteral("show"), Project()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("The DTM DTM_1 refused its environment: the stored instance's DTM_PARAMETERS is not "
                                 "a whole XML document"))
        << run.err.toStdString();

    // The device description the instance names is too large to be one: the
    // frame says which file and why, without --trace.
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cut.write(stored);
    cut.close();
    const QString description = staged::TrivexHartDescription() + QStringLiteral("Trivex.tdx");
    const QString oversize = dir.filePath(QStringLiteral("Trivex.tdx"));
    ASSERT_TRUE(QFile::copy(description, oversize));
    QFile grown(oversize);
    ASSERT_TRUE(grown.resize(17 * 1024 * 1024));
    Replace(Instance(), description.toUtf8(), oversize.toUtf8());
    run = Frame({QStringLiteral("show"), Project()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("The DTM DTM_1 refused its environment: The device description could not be loaded: "
                                 + oversize + ": the file has 17825792 bytes, more than the 16777216 a description "
                                              "may have"))
        << run.err.toStdString();
    Replace(Instance(), oversize.toUtf8(), description.toUtf8());

    Replace(Instance(), "name=\"DTM_PARAMETERS\"", "name=\"OLD_PARAMETERS\"");
    run = Frame({QStringLiteral("info"), Project()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("the stored instance holds no DTM_PARAMETERS")) << run.err.toStdString();
}

} // namespace
