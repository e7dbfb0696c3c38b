// The applet host starts the main view when the frame starts the application;
// the load keeps the user level the frame published, the window follows the
// device's tag and closes cleanly.
#include "MerrowTestSupport.h"
#include "pioitems/PioSequenceItem.h"
#include <QMdiArea>
#include <QMenu>

using namespace merrowtest;

TEST(MainWindowLifecycle, HostCreatesMainViewAndLoadClaimsNoDeviceRead)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(applet.View(), nullptr);
    EXPECT_TRUE(window->Loaded());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(applet.View()->Splash(), nullptr);
    // Nothing was read from the device: the window opens on the default dataset.
    EXPECT_EQ(window->PanelText(2), "Source: Default");
    EXPECT_EQ(window->PanelText(1), "Connection Canceled");
    ASSERT_NE(global::gDeviceInfo, nullptr);
}

TEST(MainWindowLifecycle, UserLevelPublishedByTheFrameIsKept)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.PutText(QStringLiteral("&&private&&UserLevel"), QStringLiteral("0"));
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(applet.Text(QStringLiteral("&&private&&UserLevel")), "0");
    EXPECT_EQ(window->PanelText(3), "User Level: Maintenance");
}

TEST(MainWindowLifecycle, ExitUnregistersTheViewAndStoresThePlacement)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    window->setGeometry(40, 50, 600, 400);
    window->Menu(QStringLiteral("mnuFileExit"))->trigger();
    piotest::Settle();
    EXPECT_EQ(applet.View(), nullptr);
    EXPECT_EQ(applet.Text(QStringLiteral("&&Menu_State&&MdiMain")), "3");
    QSettings settings(global::SettingsPath(), QSettings::IniFormat);
    piotest::RunUntil([&] { return settings.contains(QStringLiteral("Settings/MainWidth")); });
    EXPECT_EQ(settings.value(QStringLiteral("Settings/MainWidth")).toString(), "9000");
}

TEST(MainWindowLifecycle, DroppedDeferredSequenceRequestEnablesTheMainWindowAgain)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    global::SetMainWindowEnabled(false);
    ASSERT_FALSE(window->isEnabled());
    auto* sequence = window->findChild<pioitems::PioSequenceItem*>(QStringLiteral("seqGetRangeValues"));
    ASSERT_NE(sequence, nullptr);
    emit sequence->ActionDropped(QStringLiteral("Force"), 0x80040066, QStringLiteral("not started"));
    EXPECT_TRUE(window->isEnabled());
}

TEST(MainWindowLifecycle, DebugWindowOpensAsNewChildEachTimeAndRegistersOnce)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    window->Menu(QStringLiteral("mnuDebugInfo"))->trigger();
    window->Menu(QStringLiteral("mnuDebugInfo"))->trigger();
    ASSERT_EQ(window->ChildForms().size(), 2);
    PioPage* page = window->ChildForms().first();
    EXPECT_TRUE(page->Registered());
    page->Form_Activate();
    window->ListChildWindows();
    window->ListChildWindows();
    int listed = 0;
    for (QAction* action : window->MenuOf(QStringLiteral("mnuWindow"))->actions())
        listed += action->property("childWindow").toBool() ? 1 : 0;
    EXPECT_EQ(listed, 2);
    window->CloseAllChildForms();
    piotest::Settle();
    EXPECT_TRUE(window->ChildForms().isEmpty());
}

TEST(MainWindowLifecycle, FrameClosingTheApplicationUnloadsTheWindowAndDestroyIsSafeTwice)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    const auto view = applet.View();
    ASSERT_NE(view, nullptr);
    int32_t result = -1;
    applet.host->fncCloseForm(QStringLiteral("MdiMain"), result);
    EXPECT_EQ(result, 0);
    piotest::Settle();
    EXPECT_EQ(applet.View(), nullptr);
    EXPECT_EQ(view->MainWindow(), nullptr);
    EXPECT_EQ(view->appletItemManagerRef(), nullptr);
    EXPECT_EQ(global::MainWindow(), nullptr);
    view->Destroy(result);
    EXPECT_EQ(result, 0);
}
