// What the user types into a number field of a page, with the component
// library's rules beside the window: letters never reach the dataset (no
// refusal naming an item), and a value the rules keep within what the device
// accepts is not changed without a word.
#include "merrow/pages/frmConfigPressure.h"
#include "merrow/pages/frmSimulateFlow.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    const QString unit = page->txtMessende()->UnitLabel()->text();
    EXPECT_EQ(told, QStringLiteral("Upper range value: the value 99999 %1 lies outside what the device accepts; "
                                   "%2 %1 was taken instead.")
                        .arg(unit, upper->text()))
        << told.toStdString();
    EXPECT_NE(upper->text(), "99999");
}

TEST(BadInputIsStoppedOrTold, LettersAreBlockedInTheFlowSimulationToo)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    auto* page = OpenFlowSimulation(applet, *window);
    ASSERT_NE(page, nullptr);
    const auto asked = applet.dialogs.Requests().size();
    for (int channel = 0; channel < 3; ++channel) {
        QLineEdit* value = page->txtSimValue(channel)->ValueField();
        ASSERT_NE(value, nullptr);
        value->setEnabled(true); // typed as soon as the channel is switched on
        value->clear();
        QTest::keyClicks(value, QStringLiteral("1q5.5x"));
        EXPECT_EQ(value->text(), "15.5") << channel;
    }
    EXPECT_EQ(applet.dialogs.Requests().size(), asked) << "nothing refused, nothing named";
}
