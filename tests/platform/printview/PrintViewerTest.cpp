// The print viewer as the applet host starts it by its ProgID: it shows the
// page with each placeholder replaced by the item's value (an enumeration's
// text, the unit from the unit table), re-reads the page when it is shown
// again, counts as an open form until its window closes, and ends at once,
// traced, when there is no page. A German user saves the print-out under a
// German name.
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletTrace.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/printview/PrintviewClasses.h"
#include "platform/printview/clsHTMLPrintView.h"
#include "tests/common/HartLoopbackSupport.h"
#include "tests/common/ItemAccess.h"
#include "tests/pioextensions/ErrorTraces.h"
#include "tests/platform/printview/TestHome.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const QString kViewer = QStringLiteral("Quorvix.clsHTMLPrintView");

class PrintViewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        applet::RegisterClasses();
        printview::RegisterClasses();
        const QString tdx = loopbacktest::StagedTrivexDescription();
        ASSERT_TRUE(QFileInfo::exists(tdx));
        host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
        int32_t code = -1;
        // The description's always-started view is not registered here.
        const auto previous = applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
        host->fncInit(tdx, QString(), QString(), code);
        applet::AppletTrace::SetSink(previous);
        ASSERT_EQ(code, 0);
        host->GetItemManager(manager);
        itemaccess::PutText(*manager, printview::clsHTMLPrintView::kTdxPath, folder.path() + '/');
        ASSERT_TRUE(QDir(folder.path()).mkdir("gv"));
        Write("gv/Units.tsv", "ptrbScaleIn100\t@ptrbScaleInUnit\nptrbDamping\ts\n");
    }
    void TearDown() override
    {
        if (host) {
            int32_t code = 0;
            std::shared_ptr<applet::AppletHost> h = host;
            host->DestroyApplet(h, code);
        }
    }
    void Write(const QString& name, const QByteArray& text)
    {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    std::shared_ptr<printview::clsHTMLPrintView> Viewer() const
    {
        for (const auto& view : manager->RegisteredViews())
            if (auto viewer = std::dynamic_pointer_cast<printview::clsHTMLPrintView>(view))
                return viewer;
        return nullptr;
    }
    std::shared_ptr<printview::clsHTMLPrintView> Start()
    {
        int32_t result = -1;
        host->StartSingleView(kViewer, result);
        return result == 0 ? Viewer() : nullptr;
    }
    TestHome home;
    QTemporaryDir folder;
    std::shared_ptr<applet::AppletHost> host;
    std::shared_ptr<applet::clsAppletItemManager> manager;
};

TEST_F(PrintViewer, StartedByProgIdShowsThePageWithValuesAndUnits)
{
    itemaccess::PutText(*manager, "ptrbScaleInUnit", "7");
    itemaccess::PutText(*manager, "ptrbScaleIn100", "2.5");
    itemaccess::PutText(*manager, "ptrbDamping", "0.4");
    Write("prt_001.htm", "<P>#ptrbScaleIn100#|#ptrbDamping#|#ptrbLinType#|#ptrbModulType#|#nosuch#</P>");
    piotest::ErrorTraces errors;
    const auto viewer = Start();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->FilledPage(), "<P>2.5 bar|0.4 s|Linear|0|#nosuch#</P>");
    EXPECT_EQ(viewer->Unfilled(), QStringList({"nosuch"}));
    EXPECT_EQ(errors.lines.size(), 1);
    EXPECT_EQ(itemaccess::Number(*manager, "&&private_FDT&&ActiveForms"), 1);

    // Shown again, it shows the page of the latest build.
    Write("prt_001.htm", "<P>#ptrbDamping#</P>");
    EXPECT_EQ(Start(), viewer);
    EXPECT_EQ(viewer->FilledPage(), "<P>0.4 s</P>");

    viewer->Window()->close();
    EXPECT_FALSE(Viewer());
    EXPECT_EQ(itemaccess::Number(*manager, "&&private_FDT&&ActiveForms"), 0);
}

TEST_F(PrintViewer, AGermanUserIsOfferedAGermanFileNameAndFilterForThePdf)
{
    itemaccess::PutText(*manager, "&&private&&countrycode", "49");
    Write("prt_001.htm", "<P>#ptrbDamping#</P>");
    const auto viewer = Start();
    ASSERT_TRUE(viewer);
    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService installed{dialogService};
    dialogService.AnswerSaveFile(QString()); // cancelled
    viewer->Window()->SaveAsPdfChosen();
    ASSERT_EQ(dialogService.Requests().size(), 1u);
    const auto& request = dialogService.Requests().front();
    EXPECT_EQ(request.title, "Ausdruck als PDF speichern");
    EXPECT_EQ(request.defaultName, "Ausdruck.pdf");
    EXPECT_EQ(request.filter, "PDF (*.pdf);;Alle Dateien (*)");
    viewer->Window()->close();
}

TEST_F(PrintViewer, WithoutAPageItEndsAtOnceTraced)
{
    piotest::ErrorTraces errors;
    EXPECT_FALSE(Start());
    EXPECT_FALSE(Viewer());
    EXPECT_FALSE(errors.lines.filter("no report page").isEmpty()) << errors.lines.join('\n').toStdString();
    EXPECT_EQ(itemaccess::Number(*manager, "&&private_FDT&&ActiveForms"), 0);
}

} // namespace
