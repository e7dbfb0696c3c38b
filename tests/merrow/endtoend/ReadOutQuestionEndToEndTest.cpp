// The question whether to read the device's data out comes also when the
// device was connected and checked before the window opened, as when the
// frame connects first and then starts the online parameterisation.
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
