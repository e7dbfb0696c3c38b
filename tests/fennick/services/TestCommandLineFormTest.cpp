// The developers' window of prepared command lines: its buttons carry the
// lines, a button registers or unregisters and shows the catalogue, "Get DTM
// Info" shows the information the frame gets, what cannot be shown is
// reported, and the window keeps its geometry rules.
#include "fennick/services/frmTestCommandLine.h"
#include "platform/controls/Twips.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tests/common/WindowScreenshot.h"
#include "tests/fennick/services/RegistrationTestSupport.h"
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace registration_test;

namespace {

using controls::Twips::ToPixels;

// The program in "<temp>/FDT 1.2/bin" of an installation whose descriptions
// hold the Trivex HART device type where the prepared lines look for it.
class TestCommandLineForm : public RegistrationTest {
protected:
    void SetUp() override
    {
        RegistrationTest::SetUp();
        Describe(QStringLiteral("COM_HART/_0063/_0_0089"), QStringLiteral("Trivex"), {});
        Publics::SetProgramFolder(m_temp.filePath(QStringLiteral("FDT 1.2/bin")));
        form = std::make_unique<frmTestCommandLine>();
    }
    void TearDown() override
    {
        form.reset();
        RegistrationTest::TearDown();
    }
    QString Viewed() const { return form->CatalogueViewer()->toPlainText(); }

    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService dialogScope{dialogService};
    std::unique_ptr<frmTestCommandLine> form;
};

TEST_F(TestCommandLineForm, EachButtonCarriesItsPreparedLine)
{
    EXPECT_FALSE(form->CatalogueViewer()->isVisibleTo(form.get()));
    EXPECT_EQ(form->fraDeployment()->title(), QStringLiteral("Deployment functions"));
    EXPECT_EQ(form->fraDtm()->title(), QStringLiteral("Dtm functions"));
    EXPECT_EQ(form->cmdGetDtmInfo()->text(), QStringLiteral("Get DTM Info"));
    const QStringList lines = TestCommandLine::PreparedCommandLines(Publics::ProgramFolder());
    ASSERT_EQ(form->CommandLines(), lines);
    for (int i = 0; i < TestCommandLine::kLineCount; ++i) {
        QPushButton* button = form->cmdDeployMentTestStep(i);
        EXPECT_EQ(button->text(), QStringLiteral("Test %1").arg(i));
        EXPECT_EQ(button->toolTip(), lines[i]);
        EXPECT_TRUE(button->isEnabled()) << i;
    }
    // The lines point at the installation above the program's folder.
    EXPECT_TRUE(lines[3].contains(m_temp.path() + QStringLiteral("/TDXDESC/COM_HART/_0063/_0_0089/")))
        << lines[3].toStdString();
}

TEST_F(TestCommandLineForm, ButtonsRegisterAndUnregisterAndShowTheCatalogue)
{
    form->cmdDeployMentTestStep(3)->click();
    ASSERT_TRUE(form->CatalogueViewer()->isVisibleTo(form.get()));
    // One tag a line, indented, each as the catalogue writes it.
    EXPECT_TRUE(Viewed().contains(QStringLiteral("\n  <DtmInfo>\n    <FDTVersion major=\"1\" minor=\"2\"/>\n")))
        << Viewed().toStdString();
    EXPECT_EQ(QString(Viewed()).remove(QLatin1Char('\n')).remove(QLatin1Char(' ')),
              ReadText(CataloguePath()).remove(QLatin1Char('\n')).remove(QLatin1Char(' ')));
    EXPECT_TRUE(Viewed().contains(QStringLiteral("Trivex HART")));
    EXPECT_TRUE(Viewed().contains(QStringLiteral("DTK_DDFiles")));
    EXPECT_EQ(Entries().size(), 1);
    EXPECT_TRUE(dialogService.Requests().empty());

    // "Get DTM Info" shows what the frame would get: no file references.
    form->cmdGetDtmInfo()->click();
    EXPECT_TRUE(Viewed().contains(QStringLiteral("Trivex HART")));
    EXPECT_FALSE(Viewed().contains(QStringLiteral("DTK_DDFiles")));

    // Unregistering the last entry removes the catalogue: there is nothing to
    // show, which is said rather than showing an old text.
    form->cmdDeployMentTestStep(5)->click();
    EXPECT_FALSE(QFile::exists(CataloguePath()));
    EXPECT_FALSE(form->CatalogueViewer()->isVisibleTo(form.get()));
    ASSERT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_TRUE(dialogService.Requests()[0].text.contains(CataloguePath())) << dialogService.Requests()[0].text.toStdString();
    EXPECT_TRUE(Trace().contains(QStringLiteral("Unable to show ") + CataloguePath()));

    form->cmdGetDtmInfo()->click();
    ASSERT_EQ(dialogService.Requests().size(), 2u);
    EXPECT_TRUE(dialogService.Requests()[1].text.startsWith(QStringLiteral("There is no DTM information")));
    EXPECT_FALSE(form->CatalogueViewer()->isVisibleTo(form.get()));
}

TEST_F(TestCommandLineForm, TheViewerAndFramesFollowTheWindowWhichKeepsItsLeastSize)
{
    form->show();
    form->resize(50, 50);
    EXPECT_EQ(form->width(), ToPixels(frmTestCommandLine::kMinWidthTwips));
    EXPECT_EQ(form->height(), ToPixels(frmTestCommandLine::kMinHeightTwips));

    form->resize(600, 700);
    const QRect viewer = form->CatalogueViewer()->geometry();
    EXPECT_EQ(viewer.width(), 600 - ToPixels(frmTestCommandLine::kViewerWidthLossTwips));
    EXPECT_EQ(viewer.height(), 700 - ToPixels(frmTestCommandLine::kViewerHeightLossTwips));
    const int frameTop = viewer.bottom() + 1 + ToPixels(frmTestCommandLine::kFrameGapTwips);
    EXPECT_EQ(form->fraDeployment()->y(), frameTop);
    EXPECT_EQ(form->fraDtm()->y(), frameTop);
    EXPECT_GT(form->fraDtm()->x(), form->fraDeployment()->geometry().right());
}

TEST_F(TestCommandLineForm, WindowScreenshots)
{
    form->cmdDeployMentTestStep(3)->click();
    const QImage picture = TakeScreenshot(*form, QStringLiteral("frmTestCommandLine"));
    // The catalogue the step showed is drawn in its viewer, and the button's line on it.
    EXPECT_FALSE(Viewed().isEmpty());
    EXPECT_GT(DistinctColours(PartOf(picture, *form, *form->CatalogueViewer())), 2);
    EXPECT_GT(DistinctColours(PartOf(picture, *form, *form->cmdDeployMentTestStep(3))), 2);
}

} // namespace
