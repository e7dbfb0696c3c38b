// Saving the print-out as PDF where the disk is full or read-only leaves an
// older print-out of the same name as it was, and says that it failed.
#include "platform/printview/PrintViewWindow.h"
#include "tests/common/SmallTmpfs.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(APrintOutOnAFullDisk, KeepsTheOldFileAndSaysSo)
{
    QTemporaryDir home;
    SmallTmpfs disk(home.path() + QStringLiteral("/disk"), 256);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();

    printview::PrintViewWindow window;
    window.SetPage(QStringLiteral("<h1>Trivex</h1><p>%1</p>").arg(QString(4000, QLatin1Char('x'))), home.path());
    const QString path = disk.Folder() + QStringLiteral("/report.pdf");
    ASSERT_TRUE(window.SaveAsPdf(path));
    const QByteArray before = Contents(path);
    ASSERT_TRUE(before.startsWith("%PDF"));

    window.SetPage(QStringLiteral("<h1>Trivex</h1><p>another page %1</p>").arg(QString(4000, QLatin1Char('y'))), home.path());
    ASSERT_TRUE(disk.Fill(1)); // room for the start of a PDF, not for all of it
    EXPECT_FALSE(window.SaveAsPdf(path));
    EXPECT_EQ(Contents(path), before);

    ASSERT_TRUE(disk.SetReadOnly(true));
    EXPECT_FALSE(window.SaveAsPdf(path));
    EXPECT_EQ(Contents(path), before);
    EXPECT_EQ(QDir(disk.Folder()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("report")),
              QStringList{QStringLiteral("report.pdf")});
}

} // namespace
