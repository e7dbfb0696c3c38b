// The display windows on the real toolkit and the simulated transmitter: a
// bar graph beside the measured-values window follows the process, the
// range values are read once per connection (again after a read that
// failed), digital displays stand side by side, and the trend keeps a
// minute of values.
#include "DeviceFunctionSupport.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "dalvex/ctlDisplaySetting.h"
#include "lumette/DynamicLabel.h"
#include "merrow/pages/frmDisplayBar.h"
#include "merrow/pages/frmDisplayDigital2.h"
#include "merrow/pages/frmDisplayTrend.h"
#include "merrow/pages/frmMesswerte.h"
#include "merrow/shell/frmDumpObject.h"
#include "pioitems/PioAppItem.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/PioPlotter.h"
#include "platform/controls/PioText.h"
#include "platform/controls/Twips.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "sim/ProcessModel.h"
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <QMdiSubWindow>

using namespace merrowtest;

namespace {

constexpr uint8_t kNotImplemented = 64;

template <class Page>
QList<Page*> Pages(frmMain& window)
{
    QList<Page*> pages;
    for (PioPage* page : window.ChildForms())
        if (auto* wanted = qobject_cast<Page*>(page))
            pages.append(wanted);
    return pages;
}

template <class Page>
Page* Open(DeviceApplet& applet, frmMain& window, const char* entry)
{
    const int before = static_cast<int>(Pages<Page>(window).size());
    applet.Trigger(window, entry);
    piotest::Settle();
    const QList<Page*> pages = Pages<Page>(window);
    return pages.size() > before || (before == 1 && pages.size() == 1) ? pages.last() : nullptr;
}

// Selects the selector's line whose value item starts with item.
bool Select(const ctlDisplaySetting& setting, QComboBox& selector, const QString& item)
{
    for (int i = 0; i < setting.EntryCount(); ++i)
        if (setting.GetEntry(i).Value.startsWith(item)) {
            selector.setCurrentIndex(i);
            return true;
        }
    return false;
}

double Shown(const QLabel& label)
{
    bool ok = false;
    const double value = label.text().toDouble(&ok);
    return ok ? value : -1e30;
}

bool Near(double value, double wanted)
{
    return std::abs(value - wanted) <= 0.02 * std::abs(wanted);
}

} // namespace

TEST(DisplayWindowsFollowTheProcess, BarGraphMovesWithTheMeasuredValuesAndRangesAreReadOncePerConnection)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    int rangeRequests = 0;
    QObject::connect(SequenceControl(*window, "seqGetRangeValues"), &pioitems::PioSequenceItem::StatusChanged,
                     [&](int32_t status) { rangeRequests += status == applet::SequenceState::ReadRequest; });

    // The device refuses the range read: nothing counts as read on this connection.
    applet.device.injectResponseCode(kNotImplemented, 1000000);
    auto* first = Open<frmDisplayBar>(applet, *window, "mnuDisplayBar");
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return rangeRequests == 1 && !global::RangeValuesRequested; }));
    EXPECT_FALSE(global::RangeValuesRead);
    applet.device.injectResponseCode(0, 0);
    first->parentWidget()->close();

    // So the next display window asks again, and the one after it no more.
    ASSERT_NE(Open<frmDisplayDigital2>(applet, *window, "mnuDisplayDigital"), nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return global::RangeValuesRead; }));
    auto* bar = Open<frmDisplayBar>(applet, *window, "mnuDisplayBar");
    ASSERT_NE(bar, nullptr);
    auto* values = Open<frmMesswerte>(applet, *window, "mnuDisplayMeasuredValues");
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(rangeRequests, 2);
    EXPECT_EQ(Pages<frmDisplayBar>(*window).size(), 1);

    ASSERT_TRUE(Select(*bar->ctlDisplaySetting1(), *bar->cmbMeasValue(), QStringLiteral("ptrbSecondaryValue1")));
    sim::ProcessModel& process = applet.device.transmitter().process();
    process.setOverride(sim::Variable::DifferentialPressure, 10.0);
    double low = 0;
    ASSERT_TRUE(piotest::RunUntil([&] {
        low = Shown(*values->lblMeasValue(3));
        return low > 0 && bar->displayCtrl()->Value() && Near(*bar->displayCtrl()->Value(), low);
    }));
    process.setOverride(sim::Variable::DifferentialPressure, 20.0);
    EXPECT_TRUE(piotest::RunUntil([&] {
        return Near(Shown(*values->lblMeasValue(3)), 2 * low) && Near(*bar->displayCtrl()->Value(), 2 * low);
    })) << values->lblMeasValue(3)->text().toStdString() << " " << bar->displayCtrl()->ValueText().toStdString();

    // A bar window 5000 twips wide gives the bar 4900 and the selector 4800.
    bar->ResizeWindow(controls::Twips::ToPixels(5000), bar->height());
    piotest::Settle();
    EXPECT_NEAR(bar->displayCtrl()->width(), controls::Twips::ToPixels(4900), 1);
    EXPECT_NEAR(bar->cmbMeasValue()->width(), controls::Twips::ToPixels(4800), 1);
}

TEST(DisplayWindowsFollowTheProcess, ThreeDigitalDisplaysStandSideBySideEachWithItsValue)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    QList<frmDisplayDigital2*> displays;
    for (int i = 0; i < 3; ++i) {
        auto* display = Open<frmDisplayDigital2>(applet, *window, "mnuDisplayDigital");
        ASSERT_NE(display, nullptr);
        ASSERT_GE(display->cmbMeasValue()->count(), 3);
        display->cmbMeasValue()->setCurrentIndex(i);
        displays.append(display);
    }
    ASSERT_EQ(Pages<frmDisplayDigital2>(*window).size(), 3);
    QStringList items;
    for (frmDisplayDigital2* display : displays) {
        ASSERT_TRUE(piotest::RunUntil([&] { return display->displayCtrl()->ItemControl(ctlDigitalDisplay::appMeasValue)->IsRegistered()
                                                    && !display->displayCtrl()->lblValue()->Caption().trimmed().isEmpty(); }));
        items.append(display->displayCtrl()->ObjectNameValue());
        // The window's height follows the digits.
        EXPECT_EQ(display->height(), std::max(controls::Twips::ToPixels(controls::Twips::FromPixels(display->displayCtrl()->height()) + 500),
                                              controls::Twips::ToPixels(frmDisplayDigital2::kMinHeight)));
    }
    items.removeDuplicates();
    EXPECT_EQ(items.size(), 3);

    // Shrunk below its least size, the window keeps it.
    displays[0]->parentWidget()->resize(40, 30);
    piotest::Settle();
    EXPECT_GE(displays[0]->width(), controls::Twips::ToPixels(frmDisplayDigital2::kMinWidth));
    EXPECT_GE(displays[0]->height(), controls::Twips::ToPixels(frmDisplayDigital2::kMinHeight));
}

TEST(DisplayWindowsFollowTheProcess, TrendKeepsAMinuteOfTheOfferedValues)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    loop::ManualClock clock;
    const loop::ScopedTimerService manual(clock);
    auto* trend = Open<frmDisplayTrend>(applet, *window, "mnuDisplayTrend");
    ASSERT_NE(trend, nullptr);
    const int offered = trend->cmbMeasValue(1)->count();
    ASSERT_GE(offered, 1);
    for (int curve = 1; curve <= frmDisplayTrend::kCurves; ++curve)
        EXPECT_EQ(trend->cmbMeasValue(curve)->currentIndex(), curve <= offered ? curve - 1 : -1) << curve;
    EXPECT_EQ(trend->PioPlotter()->ObjectCaption(1), trend->cmbMeasValue(1)->itemText(0));
    // The same window again, not a second one.
    EXPECT_EQ(Open<frmDisplayTrend>(applet, *window, "mnuDisplayTrend"), trend);

    // The curve of the differential pressure, while the process moves it every second for a minute.
    int dpCurve = 0;
    for (int curve = 1; curve <= std::min(offered, frmDisplayTrend::kCurves); ++curve)
        if (trend->DisplaySetting(curve)->GetEntry(curve - 1).Value.startsWith(QStringLiteral("ptrbSecondaryValue1")))
            dpCurve = curve;
    ASSERT_GT(dpCurve, 0);
    // The device answers while the test's time runs on in small steps.
    const auto dpPoints = [&] { return trend->PioPlotter()->Points(dpCurve); };
    ASSERT_TRUE(piotest::RunUntil([&] {
        clock.Advance(20);
        applet.device.transmitter().process().setOverride(sim::Variable::DifferentialPressure,
                                                          10.0 + (clock.NowMs() / 1000) % 7);
        const QList<QPointF> points = dpPoints();
        return points.size() > 1 && points.last().x() - points.first().x() >= 60000.0;
    }));
    const QList<QPointF> points = trend->PioPlotter()->Points(dpCurve);
    ASSERT_GE(points.size(), 55);
    EXPECT_GE(points.last().x() - points.first().x(), 55000.0);
    EXPECT_EQ(trend->PioPlotter()->TimeSpanSeconds(), 60);
}

TEST(DisplayWindowsFollowTheProcess, DebugWindowShowsTheNamedItemLive)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    window->Menu(QStringLiteral("mnuDebugInfo"))->trigger();
    piotest::Settle();
    QList<frmDumpObject*> pages = Pages<frmDumpObject>(*window);
    ASSERT_EQ(pages.size(), 1);
    frmDumpObject* page = pages.first();
    sim::ProcessModel& process = applet.device.transmitter().process();
    process.setOverride(sim::Variable::DifferentialPressure, 10.0);
    page->Text1()->setText(QStringLiteral("ptrbSecondaryValue1"));
    page->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    const auto shown = [&] {
        bool ok = false;
        const double value = page->txtObjectValue()->ValueField()->text().toDouble(&ok);
        return ok ? value : -1e30;
    };
    double before = 0;
    ASSERT_TRUE(piotest::RunUntil([&] {
        before = shown();
        return before > 0;
    })) << page->txtObjectValue()->ValueField()->text().toStdString();
    // The process moves; the window follows without any action of the user.
    process.setOverride(sim::Variable::DifferentialPressure, 20.0);
    ASSERT_TRUE(piotest::RunUntil([&] { return std::abs(shown() - 2 * before) < 0.02 * before; }))
        << page->txtObjectValue()->ValueField()->text().toStdString() << " after " << before;
}
