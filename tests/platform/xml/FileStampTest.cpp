// A file's stamp tells its changed content from the earlier one, also when
// the change keeps the size and comes within the file system's clock tick,
// and keeps the earlier digest for a file that has not changed since.
#include "platform/xml/FileStamp.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/time.h>

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
