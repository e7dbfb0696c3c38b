// The values the device holds once but answers in two commands (its message,
// date, damping and hardware revision) read into the data set, then shown by
// the identification, basic parameter and pressure pages and by the
// print-out alike; the print-out saved as PDF says where it went.
#include "merrow/pages/frmBasicParameter.h"
#include "merrow/pages/frmConfigPressure.h"
#include "merrow/pages/frmIdentificationHART.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/printview/PrintViewWindow.h"
#include "platform/printview/clsHTMLPrintView.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace merrowtest;

namespace {

QString Shown(const QWidget& page, const char* control)
{
    const auto* field = page.findChild<controls::PioFieldControl*>(QLatin1String(control));
    return field ? field->ShownText().trimmed() : QStringLiteral("(no %1)").arg(QLatin1String(control));
}

std::shared_ptr<printview::clsHTMLPrintView> PrintView(CorvaneDeviceApplet& applet)
{
    for (const auto& view : applet.manager->RegisteredViews())
        if (auto viewer = std::dynamic_pointer_cast<printview::clsHTMLPrintView>(view))
            return viewer;
    return nullptr;
}

} // namespace

TEST(PagesAndReportOnSimulator, MessageDateDampingAndHardwareRevisionAreWhatTheDeviceHolds)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    const QString message = QStringLiteral("PIPE RACK 7 NORTH");
    sim::DeviceState& device = applet.device.transmitter().device();
    device.message = message;
    device.date = comm::HartDate{14, 3, 125};
    device.hardwareRevision = 2;
    device.physicalSignaling = 1; // the revision byte 17
    device.variables[sim::Variable::DifferentialPressure].damping = 1.5f;
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);

    auto* identification = OpenPage<frmIdentificationHART>(applet, *window, "mnuDeviceIdentification");
    ASSERT_NE(identification, nullptr);
    EXPECT_EQ(Shown(*identification, "PioText1(6)"), message);
    EXPECT_EQ(identification->lblHardwareRev()->text(), "2.1");
    auto* basic = OpenPage<frmBasicParameter>(applet, *window, "mnuConfigureBasicParameter");
    ASSERT_NE(basic, nullptr);
    EXPECT_EQ(Shown(*basic, "PioLabelTextUnit1(0)"), "2025-03-14");
    auto* pressure = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
    ASSERT_NE(pressure, nullptr);
    EXPECT_EQ(QLocale().toDouble(Shown(*pressure, "txtAiPvFtime")), 1.5);

    applet.Trigger(*window, "mnuFilePrintPreview");
    piotest::Settle();
    const auto view = PrintView(applet);
    ASSERT_NE(view, nullptr);
    const QString& report = view->FilledPage();
    for (const QString& value : {message, QStringLiteral("2025-03-14"), QStringLiteral("1.5 s"), QStringLiteral("2.1")})
        EXPECT_TRUE(report.contains(QStringLiteral("<B>%1</B>").arg(value))) << value.toStdString();

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("print-out.pdf"));
    applet.dialogs.AnswerSaveFile(file);
    ASSERT_NE(view->Window(), nullptr);
    view->Window()->SaveAsPdfChosen();
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(view->Window()->StatusLine()->text(),
              QStringLiteral("The print-out was saved as \"%1\".").arg(QDir::toNativeSeparators(file)));
}

// A German user reads and types the date in the German form, on the page and
// in the print-out; the device keeps its own form.
TEST(PagesAndReportOnSimulator, TheDateReadsInTheUsersFormAndTheDeviceKeepsItsOwn)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    applet.device.transmitter().device().date = comm::HartDate{14, 3, 125};
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(applet.Text(QStringLiteral("pbDeviceInstalDate")), "2025-03-14");
    auto* basic = OpenPage<frmBasicParameter>(applet, *window, "mnuConfigureBasicParameter");
    ASSERT_NE(basic, nullptr);
    EXPECT_EQ(Shown(*basic, "PioLabelTextUnit1(0)"), "14.03.2025");

    QLineEdit* date = basic->Field(QStringLiteral("PioLabelTextUnit1(0)"))->ValueField();
    ASSERT_NE(date, nullptr);
    date->selectAll();
    QTest::keyClicks(date, QStringLiteral("01.06.2024"));
    QTest::keyClick(date, Qt::Key_Return);
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("pbDeviceInstalDate")), "2024-06-01");
    EXPECT_EQ(date->text(), "01.06.2024");

    applet.Trigger(*window, "mnuFilePrintPreview");
    piotest::Settle();
    const auto view = PrintView(applet);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->FilledPage().contains(QStringLiteral("<B>01.06.2024</B>")));
    EXPECT_FALSE(view->FilledPage().contains(QStringLiteral("2024-06-01")));
}

// Edited on the pages, each value is one item: the print-out shows the edit,
// and the transfer function the pressure page shows is the one it prints.
TEST(PagesAndReportOnSimulator, ThePrintOutShowsWhatThePagesShowAndEdit)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    constexpr uint8_t kSquareRoot = 1;
    applet.device.transmitter().device().transferFunction = kSquareRoot;
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    applet.PutText(QStringLiteral("pbDeviceMessage"), QStringLiteral("EDITED ON THE PAGE"));
    applet.PutText(QStringLiteral("pbDeviceInstalDate"), QStringLiteral("2026-12-10"));
    applet.PutText(QStringLiteral("aiDPPvFtime"), QStringLiteral("2.5"));
    piotest::Settle();
    auto* pressure = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
    ASSERT_NE(pressure, nullptr);
    const QString transferFunction = Shown(*pressure, "cmbAiLinType");
    EXPECT_EQ(transferFunction, QStringLiteral("Square root"));

    applet.Trigger(*window, "mnuFilePrintPreview");
    piotest::Settle();
    const auto view = PrintView(applet);
    ASSERT_NE(view, nullptr);
    const QString& report = view->FilledPage();
    for (const QString& value : {QStringLiteral("EDITED ON THE PAGE"), QStringLiteral("2026-12-10"),
                                 QStringLiteral("2.5 s"), transferFunction})
        EXPECT_TRUE(report.contains(QStringLiteral("<B>%1</B>").arg(value))) << value.toStdString();
}
