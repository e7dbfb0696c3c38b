// The device's print-out: the page is put together from the templates that fit
// the device and the language (English where the language has none), the
// user-curve table gets one well-formed row per point plus two, the print
// request opens the print viewer, which fills every placeholder and writes a
// PDF. Where the description folder cannot take the page it goes to the cache
// folder; an over-long path writes nothing.
#include "CorvaneTestSupport.h"
#include "FlowCalculationSupport.h"
#include "corvane/frame/clsHTMLPrintOut.h"
#include "corvane/frame/clsReportFactory.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletStates.h"
#include "platform/printview/PrintViewWindow.h"
#include "platform/printview/PrintviewClasses.h"
#include "platform/printview/ReportPage.h"
#include "platform/printview/clsHTMLPrintView.h"
#include "tests/common/HartLoopbackSupport.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tests/common/WindowScreenshot.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>

namespace {

using namespace corvanetest;

const QString kReportKey = QStringLiteral("clsHTMLReportFactory");

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The rows the table holds for the points first..last.
QByteArray Rows(int first, int last)
{
    QByteArray rows;
    for (int i = first; i <= last; ++i) {
        const QByteArray ii = QByteArray::number(i).rightJustified(2, '0');
        rows += "<TR>\r\n<TD WIDTH=\"20\"></TD>\r\n"
                "<TD WIDTH=\"350\"><FONT FACE=\"Arial\" SIZE=\"-1\">#UserCurveX_" + ii + "# %</FONT></TD>\r\n"
                "<TD WIDTH=\"350\"><FONT FACE=\"Arial\" SIZE=\"-1\">#UserCurveY_" + ii + "# %</FONT></TD>\r\n"
                "</TR>\r\n";
    }
    return rows;
}

// The value the filled page shows in the row of the label.
QString Shown(const QString& page, const QString& label)
{
    const QRegularExpression row(QStringLiteral(">%1</FONT></TD><TD[^>]*><FONT[^>]*><B>([^<]*)</B>")
                                     .arg(QRegularExpression::escape(label)));
    return row.match(page).captured(1);
}

class HtmlReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(applet.Ready());
        printview::RegisterClasses();
        ASSERT_TRUE(Factory());
        // The description folder of the test: the staged templates, nothing else.
        const QString staged = QFileInfo(loopbacktest::StagedTrivexDescription()).absolutePath() + "/gv";
        ASSERT_TRUE(CopyTemplates(staged, folder.filePath("gv")));
        applet.PutText(clsReportFactory::kTdxPath, Description());
        applet.PutText(clsReportFactory::kPtrbModulType, "20");
        applet.PutText(clsReportFactory::kPtrbLinType, "0");
        applet.PutText(clsReportFactory::kPtrbTabActualNumber, "3");
        applet.PutText("pbMultivariableFunction", "0");
        applet.PutText(clsReportFactory::kCountryCode, "1");
        RemovePages(Description());
    }
    // The cache folder (the test programs' own, below the test's home) goes with the test.
    void TearDown() override { QDir(Cache()).removeRecursively(); }

    static bool CopyTemplates(const QString& from, const QString& to)
    {
        QDir().mkpath(to);
        const QStringList names = QDir(from).entryList(QDir::Files);
        for (const QString& name : names)
            if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)))
                return false;
        return names.size() > 10;
    }
    static void RemovePages(const QString& where)
    {
        const QDir dir(where);
        for (const QString& name : dir.entryList({"prt_*.htm"}, QDir::Files))
            QFile::remove(dir.filePath(name));
    }
    static QString Cache() { return QStandardPaths::writableLocation(QStandardPaths::CacheLocation); }
    QString Description() const { return folder.path() + '/'; }
    QString Page(const QString& name) const { return folder.filePath(name); }
    QByteArray Template(const QString& name) const { return Read(folder.filePath("gv/" + name)); }
    std::shared_ptr<clsReportFactory> Factory() const { return applet.Find<clsReportFactory>(kReportKey); }
    int16_t LinTypeCode(enmPtrbLinType type)
    {
        clsDeviceInfo info;
        info.Register(applet.manager);
        return info.GetPtrbLinTypeCode(type);
    }
    // The linearisation as a loaded dataset holds it: the pressure block's
    // rule would put the square root in place of a type it does not allow
    // in the block's mode.
    void SetLinType(enmPtrbLinType type)
    {
        applet.PutText("currentSequence", "ReadFile");
        applet.PutText(clsReportFactory::kPtrbLinType, QString::number(LinTypeCode(type)));
        applet.PutText("currentSequence", "");
    }
    // The print request of the user interface's print command.
    std::shared_ptr<printview::clsHTMLPrintView> Print()
    {
        int32_t result = -1;
        applet.host->StartView(QStringLiteral("Corvane.clsHTMLPrintOut"), result);
        EXPECT_EQ(result, 0);
        for (const auto& view : applet.manager->RegisteredViews())
            if (auto viewer = std::dynamic_pointer_cast<printview::clsHTMLPrintView>(view))
                return viewer;
        return nullptr;
    }

    HomeFolder home;
    CorvaneApplet applet;
    QTemporaryDir folder;
};

TEST_F(HtmlReport, TemplatesOfEveryBusAndLanguageNameItemsOfTheDescription)
{
    const QDir gv(folder.filePath("gv"));
    for (const char* bus : {"H", "P", "F"})
        for (const char* language : {"001", "049"})
            for (const QString& name : {QStringLiteral("GV20%1%2.htm"), QStringLiteral("GVTC%1%2.htm"),
                                        QStringLiteral("GV_PID_%1%2.htm")})
                EXPECT_TRUE(gv.exists(name.arg(bus, language))) << name.arg(bus, language).toStdString();
    for (const char* name : {"UserCurveStart001.htm", "UserCurveStart049.htm", "UserCurveEnd.htm"})
        EXPECT_TRUE(gv.exists(name)) << name;

    int placeholders = 0;
    for (const QString& name : gv.entryList({"*.htm"}, QDir::Files)) {
        for (const QString& item : printview::Placeholders(QString::fromUtf8(Read(gv.filePath(name))))) {
            ++placeholders;
            EXPECT_NE(applet.manager->HandleOf(item), 0) << name.toStdString() << ": " << item.toStdString();
        }
    }
    EXPECT_GT(placeholders, 1000);

    const printview::UnitTable units = printview::ParseUnitTable(QString::fromUtf8(Read(gv.filePath("Units.tsv"))));
    EXPECT_TRUE(units.errors.isEmpty()) << units.errors.join('\n').toStdString();
    EXPECT_GT(units.units.size(), 20);
    for (auto unit = units.units.constBegin(); unit != units.units.constEnd(); ++unit) {
        EXPECT_NE(applet.manager->HandleOf(unit.key()), 0) << unit.key().toStdString();
        if (unit.value().startsWith('@')) {
            EXPECT_NE(applet.manager->HandleOf(unit.value().mid(1)), 0) << unit.value().toStdString();
        }
    }
}

TEST_F(HtmlReport, HartPageIsTheModuleTemplateWithItsTwoCopies)
{
    ASSERT_TRUE(Factory()->CreateGeneralViewTemplate());
    EXPECT_EQ(Factory()->OutputFolder(), Description());
    const QByteArray page = Read(Page("prt_001.htm"));
    EXPECT_EQ(page, Template("GV20H001.htm"));
    EXPECT_EQ(Read(Page("prt_.htm")), page);
    EXPECT_EQ(QDir(folder.path()).entryList({"prt_*.htm"}, QDir::Files), QStringList({"prt_.htm", "prt_001.htm"}));

    // The flow function picks the flow template whatever the module.
    applet.PutText(clsReportFactory::kPtrbModulType, "23");
    applet.PutText("pbMultivariableFunction", "1");
    ASSERT_TRUE(Factory()->CreateGeneralViewTemplate());
    EXPECT_EQ(Read(Page("prt_001.htm")), Template("GVTCH001.htm"));
    EXPECT_TRUE(Read(Page("prt_001.htm")).contains("#mvKQCL#"));
}

TEST_F(HtmlReport, GermanUsesGermanTemplatesOrFallsBackToEnglish)
{
    applet.PutText(clsReportFactory::kCountryCode, "49");
    ASSERT_TRUE(Factory()->CreateGeneralViewTemplate());
    EXPECT_EQ(Read(Page("prt_049.htm")), Template("GV20H049.htm"));
    EXPECT_EQ(Read(Page("prt_.htm")), Template("GV20H049.htm"));
    EXPECT_EQ(Read(Page("prt_001.htm")), Template("GV20H049.htm"));

    // Without German templates the English ones fill the German page.
    for (const QString& name : QDir(folder.filePath("gv")).entryList({"*049.htm"}, QDir::Files))
        ASSERT_TRUE(QFile::remove(folder.filePath("gv/" + name)));
    ASSERT_TRUE(Factory()->CreateGeneralViewTemplate());
    EXPECT_EQ(Read(Page("prt_049.htm")), Template("GV20H001.htm"));
    EXPECT_EQ(Read(Page("prt_.htm")), Template("GV20H001.htm"));
    EXPECT_EQ(Read(Page("prt_001.htm")), Template("GV20H001.htm"));
}

TEST_F(HtmlReport, UserCurveTableHasWellFormedRowsForEveryPointPlusTwo)
{
    SetLinType(enmPtrbLinType::USER_CURVE);
    applet.PutText(clsReportFactory::kPtrbTabActualNumber, "3");
    ASSERT_TRUE(Factory()->CreateGeneralViewTemplate());
    const QByteArray expected =
        Template("GV20H001.htm") + Template("UserCurveStart001.htm") + Rows(0, 4) + Template("UserCurveEnd.htm");
    EXPECT_EQ(Read(Page("prt_001.htm")), expected);
    EXPECT_FALSE(Read(Page("prt_001.htm")).contains("\"; "));

    // The primary-element linearisation has the table too; none points give two rows.
    SetLinType(enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION);
    applet.PutText(clsReportFactory::kPtrbTabActualNumber, "0");
    ASSERT_TRUE(Factory()->CreateGeneralViewTemplate());
    EXPECT_EQ(Read(Page("prt_001.htm")),
              Template("GV20H001.htm") + Template("UserCurveStart001.htm") + Rows(0, 1) + Template("UserCurveEnd.htm"));

    // Another linearisation: no table, though its templates are there.
    SetLinType(enmPtrbLinType::SQUARE_ROOT);
    EXPECT_EQ(Read(Page("prt_001.htm")), Template("GV20H001.htm"));
}

TEST_F(HtmlReport, RebuiltAtTheEndOfAnAdjustingGetDeviceInfoRunOnly)
{
    const auto factory = Factory();
    factory->seqGetDeviceInfo_StatusChanged(applet::SequenceState::ReadActive);
    factory->seqGetDeviceInfo_StatusChanged(applet::SequenceState::Ready);
    EXPECT_FALSE(QFile::exists(Page("prt_001.htm")));
    factory->seqGetDeviceInfo_StatusChanged(applet::SequenceState::AdjustActive);
    factory->seqGetDeviceInfo_StatusChanged(applet::SequenceState::Ready);
    EXPECT_TRUE(QFile::exists(Page("prt_001.htm")));

    // Unregistered, nothing triggers it.
    RemovePages(Description());
    factory->UnRegister();
    factory->seqGetDeviceInfo_StatusChanged(applet::SequenceState::AdjustActive);
    factory->seqGetDeviceInfo_StatusChanged(applet::SequenceState::Ready);
    SetLinType(enmPtrbLinType::USER_CURVE);
    EXPECT_FALSE(QFile::exists(Page("prt_001.htm")));
}

TEST_F(HtmlReport, PrintRequestOpensTheViewerWithEveryPlaceholderFilled)
{
    // The fullest page: German, flow function, user curve.
    applet.PutText(clsReportFactory::kCountryCode, "49");
    applet.PutText("pbMultivariableFunction", "1");
    SetLinType(enmPtrbLinType::USER_CURVE);
    applet.PutText(clsReportFactory::kPtrbTabActualNumber, "3");
    applet.PutText("ptrbScaleInUnit", "8");
    applet.PutText("ptrbScaleIn100", "250");
    applet.PutText("_tagHart", "FT-101");

    const auto viewer = Print();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(applet.Text(clsReportFactory::kGenerateHTMLPrintOut), "0");
    EXPECT_EQ(QFileInfo(viewer->PagePath()).fileName(), "prt_049.htm");
    const QByteArray page = Read(viewer->PagePath());
    EXPECT_FALSE(printview::Placeholders(QString::fromUtf8(page)).isEmpty());
    EXPECT_TRUE(page.contains("#UserCurveY_04#"));
    EXPECT_TRUE(viewer->Unfilled().isEmpty()) << viewer->Unfilled().join(", ").toStdString();
    const QStringList left = printview::Placeholders(viewer->FilledPage());
    EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
    EXPECT_FALSE(viewer->FilledPage().contains(QRegularExpression("#[^#<>\"\\s]+#")));
    EXPECT_TRUE(viewer->FilledPage().contains("250 mbar"));
    EXPECT_TRUE(viewer->FilledPage().contains("FT-101"));
    EXPECT_TRUE(viewer->FilledPage().contains("Geräteprotokoll"));
    EXPECT_EQ(applet.Text("&&private_FDT&&ActiveForms"), "1");

    // A PDF of the page, to the file the user chooses.
    dialogs::ScriptedDialogService dialogs;
    const dialogs::ScopedDialogService scoped(dialogs);
    const QString pdf = folder.filePath("report");
    dialogs.AnswerSaveFile(pdf);
    viewer->Window()->findChild<QPushButton*>("SavePdfButton")->click();
    EXPECT_EQ(dialogs.PendingAnswers(), 0);
    EXPECT_TRUE(Read(pdf + ".pdf").startsWith("%PDF"));
    EXPECT_FALSE(QFile::exists(pdf + ".pdf.part"));

    TakeScreenshot(*viewer->Window(), QStringLiteral("print-view"));

    // Closing the window ends the view.
    viewer->Window()->close();
    for (const auto& view : applet.manager->RegisteredViews())
        EXPECT_FALSE(std::dynamic_pointer_cast<printview::clsHTMLPrintView>(view));
}

TEST_F(HtmlReport, PrintOutShowsValuesInTheirUnitsWithSymbolsTextsForCodesAndTheCalculatedCoefficients)
{
    flowcalc::RegisterFlowcalcClasses();
    flowtest::ConfigureOrificePlate(applet);
    // The user's units differ from the fixed units the calculation works in.
    applet.PutNumber("mvInPUnit", 12); // kPa
    applet.PutNumber("mvDensityUnit", 91); // g/cm3
    applet.PutText("mvPr", "500");
    applet.PutText("mvRhor", "0.9982");
    applet.PutText(clsMvCalculation::kCalculateMv, "1");
    ASSERT_EQ(applet.Text(clsMvCalculation::kCalculateMv), "0");
    ASSERT_EQ(applet.Text("abortSequences"), "0") << "the calculation failed";

    const auto viewer = Print();
    ASSERT_TRUE(viewer);
    const QString page = viewer->FilledPage();
    const std::pair<const char*, QString> shown[] = {
        {"Pressure module", "Differential pressure module (type 20)"},
        {"Reference pressure", "500 kPa"},
        {"Reference temperature", "20 °C"},
        {"Reference density", applet.Text("mvRhorGUI") + " g/cm³"},
        {"Reference differential pressure", "250 mbar"},
        {"Temperature upper limit", applet.Text("mvInTHiLim") + " °C"},
        {"Volume flow output maximum", applet.Text("mvOutVolFlowMaxValue") + " m³/h"},
        {"Tube diameter", "100 mm"},
    };
    for (const auto& [label, value] : shown)
        EXPECT_EQ(Shown(page, label), value) << label;
    for (const char* ascii : {"degC", "m3/h", "g/cm3"})
        EXPECT_FALSE(page.contains(QLatin1String(ascii))) << ascii;

    // Every coefficient the calculation wrote, as it wrote it.
    const std::pair<const char*, const char*> coefficients[] = {
        {"Percent for design state", "mvKQCL"},       {"Mass flow coefficient", "mvKqm"}, {"Coefficient C1", "mvC1"},
        {"Expansion factor 1", "mvEpsilon1"}, {"Density coefficient 1", "mvHt1"}, {"Minimum Reynolds number", "mvRemin"},
    };
    for (const auto& [label, item] : coefficients) {
        const double calculated = applet.Text(item).toDouble();
        EXPECT_NE(calculated, 0.0) << item;
        // The design state is a percentage and printed with its unit.
        EXPECT_NEAR(Shown(page, label).remove(QStringLiteral(" %")).toDouble(), calculated, 1e-6 * std::abs(calculated))
            << label;
    }

    // The German page: the module in German, the symbols alike.
    viewer->Window()->close();
    applet.PutText(clsReportFactory::kCountryCode, "49");
    const auto german = Print();
    ASSERT_TRUE(german);
    EXPECT_EQ(Shown(german->FilledPage(), "Druckmodul"), "Differenzdruckmodul (Typ 20)");
    EXPECT_EQ(Shown(german->FilledPage(), "Referenztemperatur"), "20 °C");
}

TEST_F(HtmlReport, PrintCommandHoldsNoManagerBeforeItsCallAndClosesItself)
{
    auto command = std::make_shared<clsHTMLPrintOut>();
    EXPECT_FALSE(command->appletItemManagerRef());
    int32_t result = -1;
    applet.manager->RegisterView(command, result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(applet.manager->IsRegistered(command.get()));
    EXPECT_EQ(command->appletItemManagerRef(), applet.manager);
    EXPECT_EQ(applet.Text(clsReportFactory::kGenerateHTMLPrintOut), "0");
    EXPECT_TRUE(QFile::exists(Page("prt_001.htm")));
}

TEST_F(HtmlReport, PageGoesToTheCacheFolderWhereTheDescriptionFolderTakesNone)
{
    ErrorTraces traces;
    // Something in the way of the page.
    ASSERT_TRUE(QDir(folder.path()).mkdir("prt_001.htm"));
    const auto viewer = Print();
    EXPECT_TRUE(traces.Contains("cache folder")) << traces.lines.join('\n').toStdString();
    EXPECT_EQ(Factory()->OutputFolder(), Cache() + '/');
    EXPECT_EQ(Read(Cache() + "/prt_001.htm"), Template("GV20H001.htm"));
    EXPECT_EQ(Read(Cache() + "/prt_.htm"), Template("GV20H001.htm"));
    EXPECT_FALSE(QFile::exists(Page("prt_.htm")));
    // The viewer finds it there.
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->PagePath(), Cache() + "/prt_001.htm");
    EXPECT_TRUE(viewer->Unfilled().isEmpty());
}

TEST_F(HtmlReport, OverLongPathWritesNothingAndOpensNoViewer)
{
    QString deep = folder.path();
    while (deep.size() < 250)
        deep += "/" + QString(40, 'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(CopyTemplates(folder.filePath("gv"), deep + "/gv"));
    applet.PutText(clsReportFactory::kTdxPath, deep + '/');

    ErrorTraces traces;
    EXPECT_FALSE(Factory()->CreateGeneralViewTemplate());
    EXPECT_TRUE(traces.Contains("longer than 255")) << traces.lines.join('\n').toStdString();
    EXPECT_TRUE(QDir(deep).entryList({"prt_*"}).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Cache()) && !QDir(Cache()).entryList({"prt_*"}).isEmpty());

    EXPECT_FALSE(Print());
    EXPECT_EQ(applet.Text(clsReportFactory::kGenerateHTMLPrintOut), "0");
    EXPECT_TRUE(traces.Contains("print viewer is not opened"));
}

} // namespace
