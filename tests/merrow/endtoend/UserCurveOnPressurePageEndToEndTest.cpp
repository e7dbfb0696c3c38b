// The user curve of the pressure configuration page with the component
// library's rules beside it: five points written to the device, changed in
// the dataset, read from the device again unchanged.
#include "merrow/pages/frmConfigPressure.h"
#include "mvtrivexhelper/Enumerations.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "platform/controls/PioUserCurve.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"

using namespace merrowtest;

TEST(UserCurveOnPressurePage, FivePointsAreWrittenAndReadBackUnchanged)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
    ASSERT_NE(page, nullptr);
    applet.PutNumber(QStringLiteral("ptrbLinType"),
                     global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::USER_CURVE));
    applet.PutNumber(QStringLiteral("UserCurveActualNumber"), 5);
    piotest::Settle();
    controls::PioUserCurve* curve = page->UserCurve(0);
    const sim::DeviceParameters& device = applet.device.transmitter().parameters();
    const QList<QPointF> points = {{0, 0}, {25, 10}, {50, 30}, {75, 60}, {100, 100}};
    for (int i = 0; i < points.size(); ++i)
        ASSERT_TRUE(curve->SetPoint(i, points[i].x(), points[i].y())) << i;

    curve->RunCommand(controls::PioUserCurve::WriteCurve);
    // The device's table holds the curve without its last two points.
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.SequenceState("SetUserCurve") == 0
            && device.value(QStringLiteral("ptrbTabActualNumber")).toInt() == 3;
    }));
    EXPECT_FLOAT_EQ(device.value(QStringLiteral("ptrbTabXValue_03")).toFloat(), 50);
    EXPECT_FLOAT_EQ(device.value(QStringLiteral("ptrbTabYValue_03")).toFloat(), 30);
    EXPECT_FALSE(curve->Modified()) << "written to a HART device";

    ASSERT_TRUE(curve->SetPoint(2, 50, 45));
    curve->RunCommand(controls::PioUserCurve::ReadCurve);
    ASSERT_TRUE(piotest::RunUntil([&] { return curve->UserPoints() == points; }));
    EXPECT_FALSE(curve->Modified());
}
