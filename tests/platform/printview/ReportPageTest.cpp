// The print viewer's reading of the report: placeholders filled with escaped
// values and unknown names kept and listed, the unit table's rows checked,
// and the page found by name preference, the newest where both folders hold it.
#include "platform/printview/ReportPage.h"
#include "tests/platform/printview/TestHome.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using printview::FillPlaceholders;

std::optional<QString> Lookup(const QString& name)
{
    if (name == QLatin1String("tag"))
        return QStringLiteral("<FT&101>");
    if (name == QLatin1String("UserCurveX_00"))
        return QStringLiteral("12.5");
    return std::nullopt;
}

TEST(ReportPage, PlaceholdersAreFilledEscapedAndUnknownNamesStay)
{
    QStringList unfilled;
    const QString page = QStringLiteral("<TD BGCOLOR=\"#C0C0C0\">#tag#</TD><TD>#UserCurveX_00# %</TD>#nothing# # #");
    EXPECT_EQ(FillPlaceholders(page, &Lookup, &unfilled),
              QStringLiteral("<TD BGCOLOR=\"#C0C0C0\">&lt;FT&amp;101&gt;</TD><TD>12.5 %</TD>#nothing# # #"));
    EXPECT_EQ(unfilled, QStringList({QStringLiteral("nothing")}));
    EXPECT_EQ(printview::Placeholders(page),
              QStringList({QStringLiteral("tag"), QStringLiteral("UserCurveX_00"), QStringLiteral("nothing")}));
}

TEST(ReportPage, UnitTableTakesUnitSymbolAndTextRowsAndRefusesOthers)
{
    const printview::UnitTable table = printview::ParseUnitTable(
        QStringLiteral("# comment\nptrbScaleIn0\t@ptrbScaleInUnit\nlowAlarmCurr\tmA\n\nbroken\nnoUnit\t@\n"
                       "a\tb\tc\n"
                       "@symbol\tdegC\t°C\n@symbol\tm3/h\n"
                       "@text\tptrbModulType\t20\tDifferential\tDifferenz\n@text\tptrbModulType\tx\tA\tB\n"
                       "@text\tptrbModulType\t23\tAbsolute\n"));
    EXPECT_EQ(table.units.size(), 2);
    EXPECT_EQ(table.units.value(QStringLiteral("ptrbscalein0")), QStringLiteral("@ptrbScaleInUnit"));
    EXPECT_EQ(table.units.value(QStringLiteral("lowalarmcurr")), QStringLiteral("mA"));
    EXPECT_EQ(table.symbols, (QHash<QString, QString>{{QStringLiteral("degC"), QStringLiteral("°C")}}));
    EXPECT_EQ(table.texts.value(QStringLiteral("ptrbmodultype")).value(20),
              QStringList({QStringLiteral("Differential"), QStringLiteral("Differenz")}));
    EXPECT_EQ(table.texts.value(QStringLiteral("ptrbmodultype")).size(), 1);
    EXPECT_EQ(table.errors.size(), 6) << table.errors.join('\n').toStdString();
}

TEST(ReportPage, PageIsFoundByPreferenceAndTheNewestCopyWins)
{
    const TestHome home;
    QTemporaryDir description;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    ASSERT_TRUE(QDir().mkpath(cache));
    const auto write = [](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("page");
    };
    EXPECT_TRUE(printview::FindReportPage(description.path(), 49).isEmpty());
    write(description.filePath(QStringLiteral("prt_001.htm")));
    EXPECT_EQ(printview::FindReportPage(description.path(), 49), description.filePath(QStringLiteral("prt_001.htm")));
    write(description.filePath(QStringLiteral("prt_.htm")));
    EXPECT_EQ(printview::FindReportPage(description.path(), 49), description.filePath(QStringLiteral("prt_.htm")));
    write(description.filePath(QStringLiteral("prt_049.htm")));
    EXPECT_EQ(printview::FindReportPage(description.path(), 49), description.filePath(QStringLiteral("prt_049.htm")));

    // A newer page of the same name in the cache folder is the one of the last build.
    const QString cached = QDir(cache).filePath(QStringLiteral("prt_049.htm"));
    write(cached);
    QFile older(description.filePath(QStringLiteral("prt_049.htm")));
    ASSERT_TRUE(older.open(QIODevice::ReadWrite));
    ASSERT_TRUE(older.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    older.close();
    EXPECT_EQ(printview::FindReportPage(description.path(), 49), cached);
}

} // namespace
