// What the user types into a number field of a page, with the component
// library's rules beside the window: letters never reach the dataset (no
// refusal naming an item), and a value the rules keep within what the device
// accepts is not changed without a word.
#include "merrow/pages/frmConfigPressure.h"
#include "platform/controls/PioFieldControl.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QLineEdit>
#include <QTest>

using namespace merrowtest;

TEST(BadInputIsStoppedOrTold, LettersAreBlockedAndAClampedRangeValueIsTold)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
    ASSERT_NE(page, nullptr);
    piotest::Settle();
    QLineEdit* upper = page->txtMessende()->ValueField();
    ASSERT_NE(upper, nullptr);
    const auto asked = applet.dialogs.Requests().size();

    // Both decimal separators pass; letters do not.
    upper->clear();
    QTest::keyClicks(upper, QStringLiteral("1x2,5a"));
    EXPECT_EQ(upper->text(), "12,5");
    upper->clear();
    QTest::keyClicks(upper, QStringLiteral("abc"));
    EXPECT_EQ(upper->text(), "");
    page->txtMessende()->CommitPendingEdit();
    EXPECT_EQ(applet.dialogs.Requests().size(), asked) << "nothing refused, nothing named";

    // Above the sensor limit: the rules take the limit, and the user is told.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    upper->setText(QStringLiteral("99999"));
    upper->setModified(true);
    page->txtMessende()->CommitPendingEdit();
    piotest::Settle();
    ASSERT_EQ(applet.dialogs.Requests().size(), asked + 1);
    const QString told = LastMessage(applet.dialogs);
    EXPECT_TRUE(told.startsWith("The value 99999 lies outside what the device accepts; ")) << told.toStdString();
    EXPECT_TRUE(told.contains(upper->text())) << told.toStdString();
    EXPECT_NE(upper->text(), "99999");
}
