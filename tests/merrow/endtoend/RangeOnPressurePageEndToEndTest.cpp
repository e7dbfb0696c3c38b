// The range of the pressure configuration page with the component library's
// rules beside it: typed on the page, saved to the device, loaded from the
// device again.
#include "merrow/pages/frmConfigPressure.h"
#include "platform/controls/PioFieldControl.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QLineEdit>
#include <QTest>

using namespace merrowtest;

TEST(RangeOnPressurePage, ARangeSavedToTheDeviceIsTheRangeLoadedFromIt)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
    ASSERT_NE(page, nullptr);
    const QString unit = applet.Text(QStringLiteral("ptrbScaleInUnit"));
    ASSERT_EQ(unit, QStringLiteral("8")) << "the device's range is in mbar";

    controls::PioFieldControl* upper = page->txtMessende();
    ASSERT_TRUE(upper->isEnabled());
    upper->ValueField()->selectAll();
    QTest::keyClicks(upper->ValueField(), QStringLiteral("30"));
    upper->CommitPendingEdit();
    ASSERT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")).toDouble(), 30);

    auto ended = [&](int confirmation) {
        return piotest::RunUntil([&] {
            return window->PendingFunction() == frmMain::Pending::None && window->isEnabled()
                && window->PanelText(4) == global::LoadLocalizedText(confirmation)
                && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        });
    };
    applet.Trigger(*window, "mnuDeviceSaveToDevice");
    ASSERT_TRUE(ended(3808)) << window->PanelText(4).toStdString();
    // 30 mbar: 3 kPa in the device's base unit.
    EXPECT_NEAR(applet.device.device().pvUpperRange, 3.0, 1e-4);

    applet.Trigger(*window, "mnuDeviceLoadFromDevice");
    ASSERT_TRUE(ended(3807)) << window->PanelText(4).toStdString();
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")).toDouble(), 30);
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleInUnit")), unit);
    EXPECT_EQ(upper->ValueField()->text().toDouble(), 30);
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2) << "the device stays connected";
}
