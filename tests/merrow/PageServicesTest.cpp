// Page services: placeholders, the fixed-current check, and window positions
// that always come back where the user can see them.
#include "MerrowTestSupport.h"
#include "merrow/shell/PioPage.h"

using namespace merrowtest;

TEST(PageServices, PlaceholdersAreFilledOnceLeftToRight)
{
    EXPECT_EQ(global::FillPlaceholders(QStringLiteral("%1 Close"), {QStringLiteral("Pressure")}), "Pressure Close");
    EXPECT_EQ(global::FillPlaceholders(QStringLiteral("%1/%1 %2"), {QStringLiteral("a"), 7}), "a/a 7");
    EXPECT_EQ(global::FillPlaceholders(QStringLiteral("%1 and %2"), {QStringLiteral("%2"), QStringLiteral("x")}),
              "%2 and x");
}

TEST(PageServices, FixedCurrentIsOctetThreeBitSixteenForSelectorThree)
{
    const QByteArray active("\x00\x00\x00\x10\x00\x00", 6);
    EXPECT_TRUE(global::CheckDiagnosisExtension(active, 3));
    EXPECT_FALSE(global::CheckDiagnosisExtension(active, 2));
    EXPECT_FALSE(global::CheckDiagnosisExtension(QByteArray("\x00\x00\x00\xEF", 4), 3));
    EXPECT_FALSE(global::CheckDiagnosisExtension(QByteArray(2, '\x10'), 3));
}

TEST(PageServices, PagePositionsRestoreOntoTheMainWindowAndMissingSizeKeepsTheDesign)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    w->setGeometry(0, 0, 8000 / 15, 8000 / 15);
    PioPage page(QStringLiteral("frmConfigPressure"), true, true);
    page.resize(200, 100);
    global::RestoreFormPosition(page, true, true); // nothing stored
    EXPECT_EQ(page.size(), QSize(200, 100));
    EXPECT_EQ(page.pos(), QPoint(0, 0));

    QSettings settings(global::SettingsPath(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Settings/frmConfigPressureLeft"), QStringLiteral("9000"));
    settings.setValue(QStringLiteral("Settings/frmConfigPressureTop"), QStringLiteral("-3000"));
    settings.setValue(QStringLiteral("Settings/frmConfigPressureWidth"), QStringLiteral("0"));
    settings.setValue(QStringLiteral("Settings/frmConfigPressureHeight"), QStringLiteral("wide"));
    settings.sync();
    global::RestoreFormPosition(page, true, true);
    EXPECT_EQ(page.size(), QSize(200, 100));
    EXPECT_EQ(page.pos(), QPoint(3, 7)); // 50 and 100 twips

    page.move(30, 40);
    global::SaveFormPosition(page, false, false);
    page.move(0, 0);
    global::RestoreFormPosition(page, false, false);
    EXPECT_EQ(page.pos(), QPoint(30, 40));
}

TEST(PageServices, MainWindowPlacementOffEveryScreenComesBack)
{
    QSettings settings(global::SettingsPath(), QSettings::IniFormat);
    settings.clear();
    settings.setValue(QStringLiteral("Settings/MainLeft"), QStringLiteral("-900000"));
    settings.setValue(QStringLiteral("Settings/MainTop"), QStringLiteral("900000"));
    settings.sync();
    QWidget window;
    global::RestoreMainPosition(window);
    EXPECT_EQ(window.geometry(), QRect(67, 67, 433, 433));
    settings.clear();
}

TEST(PageServices, MissingTextIsReportedAndGivesAnEmptyText)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    EXPECT_EQ(w->GetTextFromResource(4999), QString());
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
}

TEST(PageServices, PageRegistersAtFirstActivationOnlyAndReleasesAtUnloadOnce)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    {
        PioPage never(QStringLiteral("frmNever"), false, false);
        never.setViewRef(applet.View());
        never.Form_Load();
        never.Form_Unload();
        EXPECT_FALSE(never.Registered());
        never.Form_Activate(); // an unloaded page stays released
        EXPECT_FALSE(never.Registered());
    }
    auto* page = new PioPage(QStringLiteral("frmProbe"), false, false);
    w->ShowChildForm(page);
    EXPECT_TRUE(page->Loaded());
    EXPECT_TRUE(page->Registered());
    page->Form_Activate();
    EXPECT_TRUE(page->Registered());
    w->CloseAllChildForms();
    piotest::Settle();
    EXPECT_TRUE(w->ChildForms().isEmpty());
    QSettings settings(global::SettingsPath(), QSettings::IniFormat);
    EXPECT_TRUE(settings.contains(QStringLiteral("Settings/frmProbeLeft")));
}
