// The output current calibration and current simulation pages on the real
// toolkit and the simulated transmitter: the fixed current and the trim reach
// the device, the page follows what the device reports, and closing a page
// never leaves the device's output fixed while it is connected.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmCalibrateCurrent.h"
#include "merrow/pages/frmSimulateCurrent.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "sim/CurrentOutput.h"
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

using namespace merrowtest;

namespace {

constexpr int kFixedCurrentOctet = 3;
constexpr uint8_t kFixedCurrentBit = 0x10;

// The simulation page is offered after the user confirmed its warning.
template <class Page>
Page* Open(DeviceApplet& applet, frmMain& window, const char* entry, bool confirm = false)
{
    if (confirm)
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    applet.Trigger(window, entry);
    piotest::Settle();
    return FindPage<Page>(window);
}

// The device's own view of its output: fixed at the level, and saying so in command 48.
bool DeviceFixedAt(DeviceApplet& applet, float level)
{
    const sim::DeviceState& device = applet.device.device();
    const sim::ProcessValues process = applet.device.transmitter().processValues();
    const QByteArray status = device.additionalStatus(process);
    return device.fixedCurrent && *device.fixedCurrent == level && device.loopCurrent(process) == level &&
           status.size() > kFixedCurrentOctet && (static_cast<uint8_t>(status[kFixedCurrentOctet]) & kFixedCurrentBit);
}

bool DeviceInNormalMode(DeviceApplet& applet)
{
    return !applet.device.device().fixedCurrent.has_value();
}

void ScreenshotOf(frmMain& window, QWidget& page, const QString& name)
{
    global::LocalizeForm(page);
    piotest::Settle();
    if (auto* frame = page.parentWidget())
        frame->adjustSize();
    window.resize(760, 560);
    const QImage picture = window.grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), page.width());
    const QString folder = qEnvironmentVariable("TRIVEX_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
    }
}

bool Closed(frmMain& window)
{
    return window.ChildForms().isEmpty();
}

// Without a device to fix, the calibration offers nothing and closes at once.
void ExpectNothingOfferedAndClosesAtOnce(frmMain& window, frmCalibrateCurrent& page)
{
    for (int level : {0, 4, 20})
        EXPECT_FALSE(page.optAbgleich(level)->isEnabled()) << level;
    EXPECT_FALSE(page.cmdAbgleichen()->isEnabled());
    page.parentWidget()->close();
    piotest::Settle();
    EXPECT_TRUE(Closed(window));
}

} // namespace

TEST(OutputCurrentPagesOnSimulator, CalibrationFixesTheOutputTrimsBothEndsAndClosingReturnsTheDeviceToNormal)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = Open<frmCalibrateCurrent>(applet, *window, "mnuCalibrateCurrent");
    ASSERT_NE(page, nullptr);
    // Usable at once, without waiting for a change of the connection.
    EXPECT_TRUE(page->optAbgleich(4)->isEnabled());
    EXPECT_TRUE(page->optAbgleich(0)->isChecked());
    EXPECT_FALSE(page->cmdAbgleichen()->isEnabled());

    const sim::DeviceState& device = applet.device.device();
    struct Trim {
        int level;
        const char* measured;
        float change; // of the output at that level
    };
    for (const Trim& trim : {Trim{4, "4.1", -0.1f}, Trim{20, "19.8", 0.2f}}) {
        SCOPED_TRACE(trim.level);
        page->optAbgleich(trim.level)->click();
        EXPECT_FALSE(window->isEnabled());
        ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !page->Waiting(); }));
        EXPECT_TRUE(DeviceFixedAt(applet, static_cast<float>(trim.level)));
        EXPECT_TRUE(applet.commands.contains(48));
        EXPECT_EQ(window->PanelText(4), QStringLiteral("Output current fixed at %1 mA.").arg(trim.level));
        EXPECT_TRUE(page->optAbgleich(trim.level)->isChecked());
        EXPECT_TRUE(page->cmdAbgleichen()->isEnabled());
        EXPECT_FALSE(page->txtMeasPvCurrLevel(trim.level)->isHidden());
        EXPECT_TRUE(page->txtMeasPvCurrLevel(trim.level == 4 ? 20 : 4)->isHidden());

        const float before = sim::trimmedCurrent(device, static_cast<float>(trim.level));
        QLineEdit* entry = page->txtMeasPvCurrLevel(trim.level)->ValueField();
        const auto adjust = [&](const QString& measured) {
            entry->selectAll();
            QTest::keyClicks(entry, measured);
            applet.commands.clear();
            page->cmdAbgleichen()->click();
            return piotest::RunUntil(
                [&] { return window->isEnabled() && applet.commands.contains(trim.level == 4 ? 45 : 46); });
        };
        // A loop current the output cannot be corrected to: refused, and the user is told.
        ASSERT_TRUE(adjust(QString::number(trim.level + 0.6)));
        EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3862));
        EXPECT_EQ(sim::trimmedCurrent(device, static_cast<float>(trim.level)), before);
        ASSERT_TRUE(adjust(QLatin1String(trim.measured)));
        EXPECT_NEAR(sim::trimmedCurrent(device, static_cast<float>(trim.level)) - before, trim.change, 1e-4f);
        EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3861));
    }
    ScreenshotOf(*window, *page, QStringLiteral("calibrate-current-en"));
    // Back to the standard mode from the page says so too.
    page->optAbgleich(0)->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !page->Waiting() && DeviceInNormalMode(applet); }));
    piotest::Settle();
    EXPECT_EQ(window->PanelText(4), "Standard mode: the output current follows the measurement again.");
    page->optAbgleich(20)->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !page->Waiting(); }));

    // The first close takes the device out of fixed-current mode; the page then closes itself.
    page->parentWidget()->close();
    EXPECT_EQ(FindPage<frmCalibrateCurrent>(*window), page);
    EXPECT_TRUE(page->Closing());
    ASSERT_TRUE(piotest::RunUntil([&] { return Closed(*window) && window->isEnabled(); }));
    EXPECT_TRUE(DeviceInNormalMode(applet));
}

TEST(OutputCurrentPagesOnSimulator, CalibrationFollowsARefusalLeavesFixedModeWithTheMainWindowAndOffersNothingWhenDisconnected)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = Open<frmCalibrateCurrent>(applet, *window, "mnuCalibrateCurrent");
    ASSERT_NE(page, nullptr);

    // A device that refuses the fixed current: the page shows the standard mode, no trim.
    applet.device.device().loopCurrentEnabled = false;
    page->optAbgleich(20)->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !page->Waiting(); }));
    EXPECT_TRUE(page->optAbgleich(0)->isChecked());
    EXPECT_FALSE(page->cmdAbgleichen()->isEnabled());
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3862));
    EXPECT_TRUE(DeviceInNormalMode(applet));
    applet.device.device().loopCurrentEnabled = true;

    // Fixed at 4 mA, and the device refuses to leave: the page says so as it closes.
    page->optAbgleich(4)->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && DeviceFixedAt(applet, 4.0f); }));
    applet.device.device().loopCurrentEnabled = false;
    page->parentWidget()->close();
    ASSERT_TRUE(piotest::RunUntil([&] { return Closed(*window) && window->isEnabled(); }));
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(2122));
    applet.device.device().loopCurrentEnabled = true;

    // Opened again, the page shows the fixed level; closing the main window
    // takes the device out of fixed-current mode first, then goes on with the
    // question about the changes (here cancelled: the window stays).
    page = Open<frmCalibrateCurrent>(applet, *window, "mnuCalibrateCurrent");
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->optAbgleich(4)->isChecked());
    EXPECT_TRUE(page->cmdAbgleichen()->isEnabled());
    applet.PutText(QStringLiteral("pbMessage"), QStringLiteral("CHANGED"));
    const size_t asked = applet.dialogs.Requests().size();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    EXPECT_FALSE(window->close());
    ASSERT_TRUE(piotest::RunUntil([&] { return Closed(*window) && applet.dialogs.Requests().size() > asked; }));
    piotest::Settle();
    EXPECT_TRUE(window->Loaded());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3819));
    EXPECT_TRUE(DeviceInNormalMode(applet));

    // Fixed at 4 mA, then the device goes: nothing is offered, and the page closes at once.
    page = Open<frmCalibrateCurrent>(applet, *window, "mnuCalibrateCurrent");
    ASSERT_NE(page, nullptr);
    page->optAbgleich(4)->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && DeviceFixedAt(applet, 4.0f); }));
    applet.Trigger(*window, "mnuDeviceDisconnect");
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Number(loopbacktest::kConnectItem) != 2; }));
    piotest::Settle();
    ExpectNothingOfferedAndClosesAtOnce(*window, *page);
}

TEST(OutputCurrentPagesOnSimulator, CalibrationOffersNothingAtAPollingAddressOtherThanZero)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    applet.PutText(QStringLiteral("&&private_PM&&Address"), QStringLiteral("3"));
    auto* page = Open<frmCalibrateCurrent>(applet, *window, "mnuCalibrateCurrent");
    ASSERT_NE(page, nullptr);
    ExpectNothingOfferedAndClosesAtOnce(*window, *page);
}

TEST(OutputCurrentPagesOnSimulator, SimulationFixesTheTypedCurrentRefusesWhatItCannotWriteAndEndsOnClose)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected(); // a device with the multivariable function
    ASSERT_NE(window, nullptr);
    auto* page = Open<frmSimulateCurrent>(applet, *window, "mnuDiagnosticsSimulateCurrent", true);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->chkSimulate()->isEnabled(); }));
    EXPECT_FLOAT_EQ(page->LowerLimit(), 3.6f);
    EXPECT_EQ(page->sldStromwert()->minimum(), 36);
    EXPECT_EQ(page->sldStromwert()->maximum(), 225);

    // Only digits and the decimal separators reach the entry; a German user's comma is a decimal one.
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    page->txtStromwert()->clear();
    QTest::keyClicks(page->txtStromwert(), QStringLiteral("1a2,5x"));
    EXPECT_EQ(page->txtStromwert()->text(), "12,5");
    EXPECT_TRUE(page->txtStromwert_Validate());
    EXPECT_EQ(page->sldStromwert()->value(), 125);
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 1);

    for (const char* typed : {"3.6", "12.5", "22.5"}) {
        SCOPED_TRACE(typed);
        const float level = QString::fromLatin1(typed).toFloat();
        page->txtStromwert()->setText(QLatin1String(typed));
        EXPECT_TRUE(page->txtStromwert_Validate());
        EXPECT_EQ(page->sldStromwert()->value(), static_cast<int>(std::floor(level * 10.0f + 1e-4f)));
        page->chkSimulate()->click();
        EXPECT_FALSE(window->isEnabled());
        EXPECT_FALSE(page->txtStromwert()->isEnabled());
        // Ready, and usable again once the sequence read the status back.
        ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !page->SequenceRunning(); }));
        EXPECT_TRUE(page->isEnabled());
        EXPECT_TRUE(DeviceFixedAt(applet, level));
        EXPECT_TRUE(page->chkSimulate()->isChecked());
        if (QLatin1String(typed) == QLatin1String("12.5"))
            ScreenshotOf(*window, *page, QStringLiteral("simulate-current-en"));
        page->chkSimulate()->click();
        ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !page->SequenceRunning(); }));
        EXPECT_TRUE(DeviceInNormalMode(applet));
        EXPECT_FALSE(page->chkSimulate()->isChecked());
        EXPECT_TRUE(page->txtStromwert()->isEnabled());
    }

    // Nothing is fixed at a level that was not written, and the user learns why.
    for (const char* typed : {"", "3.5", "22.6"}) {
        SCOPED_TRACE(typed);
        page->txtStromwert()->setText(QLatin1String(typed));
        EXPECT_FALSE(page->txtStromwert_Validate());
        const auto asked = applet.dialogs.Requests().size();
        applet.commands.clear();
        page->chkSimulate()->click();
        piotest::Settle();
        EXPECT_FALSE(page->chkSimulate()->isChecked());
        EXPECT_TRUE(window->isEnabled());
        ASSERT_EQ(applet.dialogs.Requests().size(), asked + 1);
        EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3860).replace("%1", "3.6").replace("%2", "22.5"));
        EXPECT_FALSE(applet.commands.contains(40));
        EXPECT_TRUE(DeviceInNormalMode(applet));
    }

    // Closing while simulating: Cancel keeps the page, Yes ends the simulation and the page goes by itself.
    page->txtStromwert()->setText(QStringLiteral("12"));
    page->chkSimulate()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && DeviceFixedAt(applet, 12.0f); }));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    page->parentWidget()->close();
    piotest::Settle();
    EXPECT_EQ(FindPage<frmSimulateCurrent>(*window), page);
    EXPECT_TRUE(DeviceFixedAt(applet, 12.0f));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    page->parentWidget()->close();
    ASSERT_TRUE(piotest::RunUntil([&] { return Closed(*window) && window->isEnabled(); }));
    EXPECT_TRUE(DeviceInNormalMode(applet));

    // Yes while the main window closes: the simulation ends, the page goes,
    // and the close goes on with the question about the changes.
    page = Open<frmSimulateCurrent>(applet, *window, "mnuDiagnosticsSimulateCurrent", true);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->chkSimulate()->isEnabled(); }));
    page->txtStromwert()->setText(QStringLiteral("12"));
    page->chkSimulate()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && DeviceFixedAt(applet, 12.0f); }));
    applet.PutText(QStringLiteral("pbMessage"), QStringLiteral("CHANGED"));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::No);
    const QPointer<frmMain> closing = window; // the closed window may be gone
    window->close();
    ASSERT_TRUE(piotest::RunUntil([&] { return !closing || !closing->Loaded(); }));
    EXPECT_TRUE(DeviceInNormalMode(applet));
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3819));
}
