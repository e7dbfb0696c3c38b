// The debug switch follows the marker file in the home folder.
#include "mvtrivexhelper/clsDebugInfo.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class DebugSwitchTest : public ::testing::Test {
protected:
    DebugSwitchTest() : m_savedHome(qgetenv("HOME")) { qputenv("HOME", home.path().toUtf8()); }
    ~DebugSwitchTest() override { qputenv("HOME", m_savedHome); }

    QString Marker() const { return home.filePath(clsDebugInfo::kMarkerFileName); }
    void WriteMarker(const QByteArray& content)
    {
        QFile file(Marker());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir home;
    clsDebugInfo debug;

private:
    QByteArray m_savedHome;
};

TEST_F(DebugSwitchTest, OffWithoutTheMarkerFile)
{
    EXPECT_FALSE(debug.InDebugMode().isValid());
}

TEST_F(DebugSwitchTest, OnWhileTheMarkerFileExistsWhateverItHolds)
{
    WriteMarker(QByteArray());
    EXPECT_EQ(debug.InDebugMode(), QVariant(true));
    WriteMarker("0");
    EXPECT_EQ(debug.InDebugMode(), QVariant(true));
    ASSERT_TRUE(QFile::remove(Marker()));
    EXPECT_FALSE(debug.InDebugMode().isValid());
}

TEST_F(DebugSwitchTest, OffWhenTheMarkerCannotBeOpenedAndTheUserIsToldOnce)
{
    ASSERT_TRUE(QDir(home.path()).mkdir(clsDebugInfo::kMarkerFileName)); // a folder of that name
    // Standard error, for the time of the asks, goes to a file.
    const QString told = home.filePath("stderr.txt");
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int file = ::open(QFile::encodeName(told).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, 2);
    const bool first = debug.InDebugMode().isValid();
    const bool second = debug.InDebugMode().isValid();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(file);
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    QFile text(told);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(text.readAll());
    EXPECT_EQ(lines.count('\n'), 1) << lines.toStdString();
    EXPECT_TRUE(lines.contains("debug mode stays off: the debug marker " + Marker() + ": is a folder"))
        << lines.toStdString();
}

TEST_F(DebugSwitchTest, OffWhenTheMarkerIsNotReadable)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser reads every file";
    WriteMarker("x");
    ASSERT_TRUE(QFile::setPermissions(Marker(), QFileDevice::WriteOwner));
    EXPECT_FALSE(debug.InDebugMode().isValid());
}

TEST_F(DebugSwitchTest, OffWhenTheMarkerIsAFifoOrADeviceAndNothingWaitsOnIt)
{
    ::alarm(120); // a FIFO opened for reading would wait for a writer for ever
    ASSERT_EQ(::mkfifo(QFile::encodeName(Marker()).constData(), 0600), 0);
    EXPECT_FALSE(debug.InDebugMode().isValid());
    ASSERT_TRUE(QFile::remove(Marker()));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), Marker()));
    EXPECT_FALSE(debug.InDebugMode().isValid());
    ::alarm(0);
}

} // namespace
