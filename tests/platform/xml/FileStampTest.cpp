// A file's stamp tells its changed content from the earlier one, also when
// the change keeps the size and comes within the file system's clock tick,
// and keeps the earlier digest for a file that has not changed since.
#include "platform/xml/FileStamp.h"
#include "platform/automation/CheckedFile.h"
#include "platform/xml/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

void Write(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(content), content.size());
}

// Dates the file's last change an hour back, as a description installed long ago.
void AgeByAnHour(const QString& path)
{
    timeval times[2] {};
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    ASSERT_EQ(utimes(QFile::encodeName(path).constData(), times), 0);
}

} // namespace

TEST(FileStamp, AChangedContentShowsWhateverItsSizeAndTime)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trivex.tdx"));
    EXPECT_FALSE(xml::FileStamp::Of(path).exists);

    // Just written: the same size written again at once is a new content.
    Write(path, "<a>1</a>");
    const xml::FileStamp fresh = xml::FileStamp::Of(path);
    ASSERT_TRUE(fresh.exists);
    EXPECT_FALSE(fresh.settled);
    Write(path, "<a>2</a>");
    EXPECT_FALSE(xml::FileStamp::Of(path, &fresh) == fresh);

    // Settled and untouched: the earlier stamp holds; a write since, of the same size, does not.
    AgeByAnHour(path);
    const xml::FileStamp settled = xml::FileStamp::Of(path);
    ASSERT_TRUE(settled.settled);
    EXPECT_TRUE(xml::FileStamp::Of(path, &settled) == settled);
    Write(path, "<a>3</a>");
    AgeByAnHour(path);
    EXPECT_FALSE(xml::FileStamp::Of(path, &settled) == settled);

    QFile::remove(path);
    EXPECT_FALSE(xml::FileStamp::Of(path, &settled).exists);
}

// A FIFO would block the open until a writer comes, a link to /dev/zero read
// without end: neither is stamped or read, and the reader names the file.
// The alarm ends the test program should either hang again.
TEST(FileStamp, AFifoOrALinkToADeviceIsNoFileAndNothingWaitsOnIt)
{
    ::alarm(120);
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("Trivex.tdx"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("Trivex.fdt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString large = dir.filePath(QStringLiteral("large.xml"));
    Write(large, QByteArray(2048, ' '));
    for (const auto& [path, why] : {std::pair{fifo, "is a FIFO"}, std::pair{zero, "is a device"}}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(xml::FileStamp::Of(path).exists);
        xml::XmlDocument document;
        EXPECT_FALSE(document.Load(path));
        EXPECT_TRUE(document.ParseError().reason.contains(path + QStringLiteral(": ") + QLatin1String(why)))
            << document.ParseError().reason.toStdString();
    }
    QByteArray bytes;
    QString error;
    EXPECT_FALSE(automation::CheckedFile::Read(large, 1024, bytes, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("has 2048 bytes, more than the 1024"))) << error.toStdString();
    EXPECT_FALSE(automation::CheckedFile::Read(dir.path(), 1024, bytes, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("is a folder"))) << error.toStdString();
    EXPECT_TRUE(automation::CheckedFile::Read(large, 2048, bytes, &error)) << error.toStdString();
    EXPECT_EQ(bytes.size(), 2048);
    ::alarm(0);
}
