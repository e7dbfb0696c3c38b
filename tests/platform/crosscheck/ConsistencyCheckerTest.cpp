#include "platform/applet/clsFdtFileParser.h"
#include "platform/applet/clsTdxFileParser.h"
#include "platform/crosscheck/CrosscheckClasses.h"
#include "platform/crosscheck/clsCategoryManager.h"
#include "platform/crosscheck/clsConsistencyChecker.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kHartDir = QStringLiteral(TRIVEX_SOURCE_DIR "/descriptions/TDXDESC/COM_HART/_0063/_0_0089/");

void LoadTdx(applet::clsTdxFileParser& parser, const QString& path)
{
    QString error;
    int32_t status = -1;
    parser.Load(applet::kTdxKindDevice, path, 1, error, status);
    EXPECT_EQ(status, 0) << error.toStdString();
}

QString WriteFdt(const QTemporaryDir& dir, const QString& parameters)
{
    const QString path = dir.filePath(QStringLiteral("Test.fdt"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<FdtDescription xmlns=\"urn:trivex:fdt-description:1\"><Parameters>"
                + parameters + "</Parameters></FdtDescription>\n")
                   .toUtf8());
    return path;
}

struct Check {
    bool ok = false;
    QString report;
};

Check RunCheck(const QString& fdtPath)
{
    applet::clsFdtFileParser fdt;
    QString error;
    fdt.Load(fdtPath, error);
    applet::clsTdxFileParser tdx;
    LoadTdx(tdx, kHartDir + "Trivex.tdx");
    Check check;
    QTextStream report(&check.report);
    crosscheck::clsConsistencyChecker().CheckConsistency(fdt, tdx, report, check.ok);
    return check;
}

} // namespace

TEST(ConsistencyChecker, TheTrivexFilesAreConsistent)
{
    const Check check = RunCheck(kHartDir + "Trivex.fdt");
    EXPECT_TRUE(check.ok);
    EXPECT_EQ(check.report, "FDT file and TDX file are consistent.\n");
}

TEST(ConsistencyChecker, ReportsUnknownObjectsUnfittingTypesAndDanglingListEntries)
{
    QTemporaryDir dir;
    const QString fdt = WriteFdt(dir,
                                 "<AppletItem name=\"tag\" object=\"_tagHart\"/>"
                                 "<AppletItem name=\"ghost\" object=\"noSuchObject\"/>"
                                 "<AppletItem name=\"unit\" object=\"ptrbScaleInUnit\" typeCode=\"2005\"/>"
                                 "<AppletItem name=\"upper\" object=\"ptrbScaleInUnit\" typeCode=\"2006\"/>"
                                 "<FixedItem name=\"fixed\" valueType=\"8\" typeCode=\"2014\" value=\"x\"/>"
                                 "<Channel name=\"PV\"><Entry name=\"UNIT\"/><Entry name=\"fixed\"/>"
                                 "<Entry name=\"missing\"/></Channel>"
                                 "<Module name=\"M1\"><Entry name=\"pv\"/><Entry name=\"nothing\"/></Module>");
    const Check check = RunCheck(fdt);
    EXPECT_FALSE(check.ok);
    const QStringList lines = check.report.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << check.report.toStdString();
    EXPECT_EQ(lines[0], "FDT parameter >>ghost<<: object >>noSuchObject<< not found in the TDX file");
    EXPECT_EQ(lines[1], "FDT parameter >>upper<<: object >>ptrbScaleInUnit<< is of type enumerated, which does "
                        "not fit description type code 2006 (upper range: int, unsigned, float)");
    EXPECT_EQ(lines[2], "Channel >>PV<<: entry >>missing<< is no FDT parameter of the file");
    EXPECT_EQ(lines[3], "Module >>M1<<: entry >>nothing<< is neither an FDT parameter nor a channel of the file");
    EXPECT_EQ(lines[4], "4 inconsistencies found.");
}

TEST(ConsistencyChecker, RefusesToCheckAgainstAnUnloadedDescription)
{
    QTemporaryDir dir;
    applet::clsFdtFileParser fdt;
    QString error;
    fdt.Load(WriteFdt(dir, "<AppletItem name=\"tag\" object=\"_tagHart\"/>"), error);
    applet::clsTdxFileParser unloaded;
    QString report;
    QTextStream stream(&report);
    bool ok = true;
    EXPECT_THROW(crosscheck::clsConsistencyChecker().CheckConsistency(fdt, unloaded, stream, ok),
                 automation::ComError);
    EXPECT_FALSE(ok);
}

TEST(CategoryManager, MarksRegisteredClassesByProgIdAndRefusesUnknownOnes)
{
    QTemporaryDir dir;
    const QString store = dir.filePath("cats.ini");
    crosscheck::RegisterClasses(store);
    auto& registry = automation::ClassRegistry::instance();
    registry.Register("Test.Dtm", "{11111111-2222-3333-4444-555555555555}",
                      [] { return std::make_shared<automation::ComObject>(); });
    auto manager = registry.Create<crosscheck::CategoryManager>(crosscheck::kCategoryManagerClassId);
    manager->RegisterCategory("FDT DTM", "{036D1490-387B-11D4-86E1-00E0987270B9}");
    manager->RegisterImplementedCategory("Test.Dtm", "{036D1490-387B-11D4-86E1-00E0987270B9}");
    manager->RegisterImplementedCategory("Test.Dtm", "{036D1498-387B-11D4-86E1-00E0987270B9}");
    manager->UnregisterImplementedCategory("Test.Dtm", "{036D1490-387B-11D4-86E1-00E0987270B9}");

    const automation::CategoryRegistry categories(store);
    EXPECT_EQ(categories.CategoriesOfClass("11111111-2222-3333-4444-555555555555"),
              QStringList{"036D1498-387B-11D4-86E1-00E0987270B9"});
    EXPECT_EQ(categories.CategoryDescription("036D1490-387B-11D4-86E1-00E0987270B9"), "FDT DTM");
    try {
        manager->RegisterImplementedCategory("Test.Unknown", "{036D1490-387B-11D4-86E1-00E0987270B9}");
        FAIL() << "an unknown ProgID was accepted";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), automation::CO_E_CLASSSTRING_);
    }
    EXPECT_TRUE(registry.IsRegistered(crosscheck::kConsistencyCheckerProgId));
    registry.Unregister("Test.Dtm");
}
