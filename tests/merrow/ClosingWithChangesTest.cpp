// Closing the device window with a changed dataset asks once, while the
// window is still there and before its pages close: Yes saves first, No
// drops the changes, Cancel keeps the window with its pages. An unchanged
// dataset closes without a question.
#include "DeviceFunctionSupport.h"

using namespace merrowtest;

TEST(ClosingWithChanges, AsksOnlyWhenChangedWhileTheWindowIsThereAndCancelKeepsIt)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    TransferViewDoubles views;
    AddSaveThatTakesTheChanges(views);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    window->Menu(QStringLiteral("mnuConfigureBasicParameter"))->trigger();
    piotest::Settle();
    ASSERT_EQ(window->ChildForms().size(), 1);
    applet.PutNumber(QStringLiteral("&&private&&Dirty"), 1);

    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    EXPECT_FALSE(window->close()); // the close box
    ASSERT_EQ(applet.dialogs.Requests().size(), 1u);
    EXPECT_EQ(applet.dialogs.Requests().front().buttons, dialogs::MessageButtons::YesNoCancel);
    EXPECT_EQ(applet.dialogs.Requests().front().title, "Trivex DTM");
    EXPECT_TRUE(window->Loaded());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ChildForms().size(), 1) << "asked before any page closed";
    EXPECT_TRUE(TransferViewDouble::Started().isEmpty());

    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    window->Menu(QStringLiteral("mnuFileExit"))->trigger();
    EXPECT_EQ(TransferViewDouble::Started(), QStringList{kComponentPrefix + QStringLiteral("clsSaveToFile")});
    EXPECT_TRUE(window->Unloaded());
    EXPECT_EQ(applet.dialogs.Requests().size(), 2u);

    // No: the changes go, nothing is saved and nothing asks again.
    MerrowApplet dropped;
    frmMain* second = dropped.Start();
    ASSERT_NE(second, nullptr);
    dropped.PutNumber(QStringLiteral("&&private&&Dirty"), 1);
    dropped.dialogs.AnswerMessage(dialogs::DialogResult::No);
    EXPECT_TRUE(second->close());
    EXPECT_TRUE(second->Unloaded());
    EXPECT_EQ(dropped.dialogs.Requests().size(), 1u);
    EXPECT_EQ(TransferViewDouble::Started().size(), 1);

    // Only the read-out declined, nothing changed: no question.
    MerrowApplet unchanged;
    frmMain* third = unchanged.Start();
    ASSERT_NE(third, nullptr);
    unchanged.PutNumber(QStringLiteral("&&private&&Dirty"), 0);
    EXPECT_TRUE(third->close());
    EXPECT_TRUE(third->Unloaded());
    EXPECT_TRUE(unchanged.dialogs.Requests().empty());
}
