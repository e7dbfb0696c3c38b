// The page the user works in stays in front with the keyboard focus when the
// window was taken from the user for a while: while a page that reads on
// opening read the device and while an Adjust ran, with another page opened
// first behind it. Escape on an open drop-down list closes the list, not the page.
#include "PagesOnSimulatorSupport.h"
#include "merrow/pages/frmCalibratePressure.h"
#include "merrow/pages/frmConfigTemperature.h"
#include "merrow/pages/frmIdentificationHART.h"
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

using namespace merrowtest;

namespace {

QWidget* PageInFront(const frmMain& window)
{
    const QMdiSubWindow* frame = window.findChild<QMdiArea*>()->activeSubWindow();
    return frame ? frame->widget() : nullptr;
}

// The window connected, the device's dataset read, the window the active one; null when not.
frmMain* StartActiveWithTheDevicesDataset(DeviceApplet& applet)
{
    frmMain* window = applet.StartConnected();
    if (!window || !ReadIntoDataset(applet, "upload"))
        return nullptr;
    window->activateWindow();
    return QTest::qWaitForWindowActive(window) ? window : nullptr;
}

bool HasFocus(const QWidget& page)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == &page || page.isAncestorOf(focus));
}

} // namespace

TEST(ThePageInUseKeepsItsPlace, AfterAReadOnOpeningAndAnAdjustItStaysInFrontWithTheFocus)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    sim::SimTransmitter& device = applet.device.transmitter();
    frmMain* window = StartActiveWithTheDevicesDataset(applet);
    ASSERT_NE(window, nullptr);
    auto* first = OpenPage<frmIdentificationHART>(applet, *window, "mnuDeviceIdentification");
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));

    // The calibration page reads the device's points as it opens.
    auto* page = OpenPage<frmCalibratePressure>(applet, *window, "mnuCalibratePressure");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && page->cmdAbgleichpunkt(0)->isEnabled(); }));
    piotest::Settle();
    EXPECT_EQ(PageInFront(*window), page);
    EXPECT_TRUE(HasFocus(*page));

    // An Adjust gives the window back with the typed row still in use.
    device.setAppliedValue(sim::Measured::DifferentialPressure, 0.0);
    QLineEdit* row = page->txtAbgleichpunkt(0);
    row->setFocus();
    row->setText(QStringLiteral("0"));
    page->cmdAbgleichpunkt(0)->click();
    EXPECT_FALSE(window->isEnabled());
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && applet.SequenceState("SetPtrbCalPointLo") == 0; }));
    piotest::Settle();
    EXPECT_EQ(PageInFront(*window), page);
    EXPECT_EQ(QApplication::focusWidget(), row);

    // Escape closes the page in use, not the one opened first.
    QTest::keyClick(row, Qt::Key_Escape);
    ASSERT_TRUE(piotest::RunUntil([&] { return FindPage<frmCalibratePressure>(*window) == nullptr; }));
    EXPECT_EQ(FindPage<frmIdentificationHART>(*window), first);
}

TEST(ThePageInUseKeepsItsPlace, EscapeOnAnOpenDropDownListClosesTheListAndLeavesThePageOpen)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* page = OpenPage<frmConfigTemperature>(applet, *window, "mnuConfigureTemperature");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));
    QComboBox* list = nullptr;
    for (QComboBox* each : page->findChildren<QComboBox*>())
        if (each->isVisible() && each->isEnabled() && !list)
            list = each;
    ASSERT_NE(list, nullptr);
    list->setFocus();
    list->showPopup();
    ASSERT_TRUE(piotest::RunUntil([&] { return QApplication::activePopupWidget() != nullptr; }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(piotest::RunUntil([&] { return QApplication::activePopupWidget() == nullptr; }));
    piotest::Settle();
    EXPECT_EQ(FindPage<frmConfigTemperature>(*window), page);
}

namespace {

QMdiSubWindow* FrameOf(QWidget& page)
{
    return qobject_cast<QMdiSubWindow*>(page.parentWidget());
}

// The frames from the back to the front.
QList<QMdiSubWindow*> Stacking(const frmMain& window)
{
    return window.findChild<QMdiArea*>()->subWindowList(QMdiArea::StackingOrder);
}

} // namespace

TEST(ThePageInUseKeepsItsPlace, ClosingAPageBringsBackThePageUsedBeforeItWithItsFocusNotTheFirstOpened)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartActiveWithTheDevicesDataset(applet);
    ASSERT_NE(window, nullptr);
    auto* first = OpenPage<frmIdentificationHART>(applet, *window, "mnuDeviceIdentification");
    ASSERT_NE(first, nullptr);
    auto* used = OpenPage<frmConfigTemperature>(applet, *window, "mnuConfigureTemperature");
    ASSERT_NE(used, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));
    QLineEdit* field = nullptr;
    for (QLineEdit* each : used->findChildren<QLineEdit*>())
        if (!field && each->isVisible() && each->isEnabled() && !each->isReadOnly())
            field = each;
    ASSERT_NE(field, nullptr);
    field->setFocus();
    ASSERT_TRUE(piotest::RunUntil([&] { return QApplication::focusWidget() == field; }));

    // The flow simulation opens the measured values beside it: neither raises the page opened first.
    ASSERT_NE(OpenFlowSimulation(applet, *window), nullptr);
    piotest::Settle();
    const QList<QMdiSubWindow*> stacked = Stacking(*window);
    EXPECT_LT(stacked.indexOf(FrameOf(*first)), stacked.indexOf(FrameOf(*used)));

    // Closed, the simulation takes the measured values with it and gives the
    // front to the page used before it.
    QWidget* front = PageInFront(*window);
    ASSERT_NE(front, nullptr);
    QTest::keyClick(front, Qt::Key_Escape);
    ASSERT_TRUE(piotest::RunUntil([&] { return window->ChildForms().size() == 2; }));
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));
    piotest::Settle();
    EXPECT_EQ(PageInFront(*window), used);
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_EQ(Stacking(*window).last(), FrameOf(*used));
}
