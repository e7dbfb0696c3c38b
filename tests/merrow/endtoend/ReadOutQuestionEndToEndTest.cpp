// The question whether to read the device's data out comes also when the
// device was connected and checked before the window opened, as when the
// frame connects first and then starts the online parameterisation; and it
// does not come for a new dataset made for the device's type and ranges.
#include "tests/merrow/DefaultDatasetSupport.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"

using namespace merrowtest;

TEST(ReadOutQuestion, ComesWhenTheDeviceWasCheckedBeforeTheWindowOpened)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.Variant("4607215", 1, true, 8, 137);
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    ASSERT_TRUE(applet.Connect());
    // The library's check of the device has ended before any window exists.
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.SequenceState("GetDeviceInfo") == 0 && applet.Number(QStringLiteral("InCompatibleDataset")) > 0
            && !applet.commands.isEmpty();
    }));
    piotest::Settle();
    ASSERT_TRUE(applet.dialogs.Requests().empty());

    applet.dialogs.AnswerMessage(dialogs::DialogResult::No);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return !applet.dialogs.Requests().empty(); }));
    EXPECT_TRUE(applet.dialogs.Requests().front().text.endsWith("Should the data be read-out?"));
}

// File New with the device type and the cell and static-pressure range the
// device is built with: the dataset carries the device's module, and the
// check at connect finds it fitting, so nothing is asked.
TEST(ReadOutQuestion, NoneComesForANewDatasetOfTheDevicesTypeAndRanges)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.Variant("4607215", 0, true, 8, 137);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    const bool shown = defaultstest::RunDialog(applet, *window, [](frmSelectDefaultDataset& page, QDialog& dialog) {
        EXPECT_TRUE(defaultstest::Choose(page, "lstDeviceID", QStringLiteral("TRIVEX MV 137")));
        EXPECT_TRUE(defaultstest::Choose(page, "lstPRanges", QStringLiteral("250 mbar")));
        EXPECT_TRUE(defaultstest::Choose(page, "lstPStatRanges", QStringLiteral("160 bar")));
        defaultstest::Press(page, "cmdOK");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    ASSERT_TRUE(shown);
    piotest::Settle();
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbModulType")), applet.device.device().moduleType);

    // Not connected yet: the verdict the check at connect replaces.
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("5"));
    ASSERT_TRUE(applet.Connect());
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.SequenceState("GetDeviceInfo") == 0 && applet.Number(QStringLiteral("InCompatibleDataset")) != 5
            && applet.Text(QStringLiteral("currentSequence")).isEmpty();
    }));
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("InCompatibleDataset")), QStringLiteral("0"));
    EXPECT_EQ(LastMessage(applet.dialogs), QString());
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2);
}

namespace {

// The scripted answers, noting whether the main window offered its Extras
// menu while each box was open.
class ExtrasWatchingDialogs : public dialogs::ScriptedDialogService {
public:
    dialogs::DialogResult OnShowMessage(const dialogs::MessageBoxRequest& request) override
    {
        const frmMain* window = global::MainWindow();
        const QAction* extras = window ? window->Menu(QStringLiteral("mnuExtra")) : nullptr;
        extrasShown.push_back(extras && extras->isVisible());
        return ScriptedDialogService::OnShowMessage(request);
    }
    std::vector<bool> extrasShown;
};

} // namespace

TEST(ReadOutQuestion, TheExtrasMenuStaysHiddenWhileTheQuestionIsOpenOutsideDebugMode)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ExtrasWatchingDialogs watching;
    const dialogs::ScopedDialogService scope(watching);
    applet.Variant("4607215", 1, true, 8, 137);
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    ASSERT_TRUE(applet.Connect());
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.SequenceState("GetDeviceInfo") == 0 && applet.Number(QStringLiteral("InCompatibleDataset")) > 0;
    }));
    piotest::Settle();
    watching.AnswerMessage(dialogs::DialogResult::No);
    watching.AnswerMessage(dialogs::DialogResult::Ok);
    // The window as it opens, before the window manager ever made it the
    // active one (the question may take the activation first).
    int32_t result = -1;
    applet.host->StartSingleView(QStringLiteral("MdiMain"), result);
    ASSERT_EQ(result, 0);
    frmMain* window = global::MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->Menu(QStringLiteral("mnuExtra"))->isVisible());
    ASSERT_TRUE(piotest::RunUntil([&] { return !watching.Requests().empty(); }));
    ASSERT_TRUE(watching.Requests().front().text.endsWith("Should the data be read-out?"));
    ASSERT_FALSE(watching.extrasShown.empty());
    EXPECT_FALSE(watching.extrasShown.front()) << "the Extras menu belongs to debug mode only";
    piotest::Settle();
    EXPECT_FALSE(window->Menu(QStringLiteral("mnuExtra"))->isVisible());
}
