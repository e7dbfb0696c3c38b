// The busy window on the device user interface's main window, through the
// whole road to the simulated transmitter: it follows an upload with its text
// and progress and aborts it on Cancel (the frame hears failure, the window
// hides and the main window is usable again), reports a busy device, and
// stays open through a data burn and a factory reset until the device has
// reported the end of its save.
#include "tests/corvane/SequenceForcing.h"
#include "tests/corvane/TransferSupport.h"
#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/global.h"
#include "corvane/frame/clsHandleDataBurn.h"
#include "corvane/frame/clsFactoryReset.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "mvtrivexbusywindow/ctlBusyWindow.h"
#include "mvtrivexbusywindow/frmBusyWindow.h"
#include "tests/common/WindowScreenshot.h"
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

const Variant kRevision21{"rev21_mv_on_linear_137", 137, 21, true, false, {}};
const Variant kRevision19{"rev19_mv_on_linear_137", 137, 19, true, false, {}};

class BusyWindowOnTheMainWindow : public TransferRoad {
protected:
    void Begin(const Variant& variant)
    {
        merrow::RegisterClasses();
        Start(variant);
    }
    // Connected, and the device identification that the connection starts has run.
    void GoOnline()
    {
        log->changes.clear();
        ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
        ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online && Ran().contains(QStringLiteral("GetDeviceInfo"))
                                           && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    }
    // The variant's device online with its data in the project, and the user
    // interface open; false after a fatal failure.
    bool OpenedOn(const Variant& variant)
    {
        Begin(variant);
        if (!HasFatalFailure())
            OnlineWithTheDevicesData();
        if (!HasFatalFailure())
            OpenMainWindow();
        return !HasFatalFailure();
    }
    // Online with the device's own data in the project, so the user interface finds the dataset fitting.
    void OnlineWithTheDevicesData()
    {
        GoOnline();
        ASSERT_TRUE(Upload(QStringLiteral("U0")));
        ASSERT_TRUE(Unlocked());
        GoOnline();
        ASSERT_EQ(Text(QStringLiteral("&&private&&Connect")), QStringLiteral("2"));
    }
    // Opens the device user interface as the frame's "parameterize" function does.
    void OpenMainWindow()
    {
        int32_t result = -1;
        // The window asks whether to read the device when the dataset is not known to fit (verdict 5 here).
        dialogService.AnswerMessage(dialogs::DialogResult::No);
        global::AppletHost()->StartSingleView(QStringLiteral("MdiMain"), result);
        ASSERT_EQ(result, 0);
        piotest::Settle();
        main = global::MainWindow();
        ASSERT_NE(main, nullptr);
        control = main->ctlBusyWindow1();
        ASSERT_NE(control->BusyWindow(), nullptr);
        ASSERT_TRUE(Busy().Loaded());
        // The window checks the dataset against the device when it opens; that ends first.
        ASSERT_TRUE(WaitUntil([&] { return Text(QStringLiteral("currentSequence")).isEmpty() && Settled(); }));
        QObject::connect(control, &ctlBusyWindow::DisableWindow, control, [this] { events << QStringLiteral("disable"); });
        QObject::connect(control, &ctlBusyWindow::EnableWindow, control, [this] { events << QStringLiteral("enable"); });
    }
    // Forces a sequence as a page of the user interface would: again while the host is busy.
    void Force(const QString& name) { corvanetest::ForceSequence(manager, name); }
    template <class Component>
    std::shared_ptr<Component> Find(const QString& key) const
    {
        for (const auto& view : manager->RegisteredViews())
            if (auto frameView = std::dynamic_pointer_cast<clsStartAlwaysView>(view))
                return std::dynamic_pointer_cast<Component>(frameView->Components().Item(key));
        return nullptr;
    }

    frmBusyWindow& Busy() const { return *control->BusyWindow(); }
    QString BusyText() const { return Busy().lblDeviceStatus()->text(); }
    // Nothing runs and the user may work again.
    bool Settled() const { return !Busy().isVisible() && main->isEnabled(); }

    frmMain* main = nullptr;
    ctlBusyWindow* control = nullptr;
    QStringList events;
    // Whether the device was still saving or resetting when the window first went.
    bool busyWhenHidden = true;
};

TEST_F(BusyWindowOnTheMainWindow, FollowsAnUploadAndItsCancelAbortsItTheFrameHearsFailureAndTheWindowComesBack)
{
    if (!OpenedOn(kRevision21))
        return;
    ASSERT_TRUE(WaitUntil([&] { return Settled(); }));
    device.setResponseDelay(20);
    log->changes.clear();
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    ASSERT_TRUE(WaitUntil([&] {
        // The bar shows the share done, not the name of the sequence that runs.
        return Busy().isVisible() && Busy().progressBar()->format() == QStringLiteral("%p%")
               && Busy().progressBar()->value() > 0;
    }));
    EXPECT_EQ(BusyText(), "Loading devicedata ...");
    EXPECT_TRUE(Busy().cmdCancel()->isEnabled());
    EXPECT_FALSE(main->isEnabled());
    TakeScreenshot(Busy(), QStringLiteral("busy-window-upload"));

    Busy().cmdCancel()->click();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnUploadFinished(U1, False)")));
    ASSERT_TRUE(WaitUntil([&] { return Settled(); })) << events.join(' ').toStdString();
    EXPECT_FALSE(Ran().contains(QStringLiteral("UploadCompleted")));
    EXPECT_EQ(events.last(), "enable");
}

TEST_F(BusyWindowOnTheMainWindow, ABusyDeviceIsReportedWithoutCancelAndTheWindowGoesWhenTheSequenceHasEnded)
{
    if (!OpenedOn(kRevision21))
        return;
    ASSERT_TRUE(WaitUntil([&] { return Settled(); }));
    device.injectBusy(3);
    Force(QStringLiteral("GetDiagnosis"));
    ASSERT_TRUE(WaitUntil([&] {
        return Ran().contains(QStringLiteral("GetDiagnosis")) && Text(QStringLiteral("currentSequence")).isEmpty();
    }));
    EXPECT_EQ(BusyText(), "Device busy");
    EXPECT_FALSE(Busy().cmdCancel()->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return Settled(); })) << events.join(' ').toStdString();
    EXPECT_EQ(events.first(), "disable");
}

TEST_F(BusyWindowOnTheMainWindow, ADataBurnKeepsTheWindowOpenUntilTheDeviceHasSaved)
{
    Begin(kRevision19);
    if (HasFatalFailure())
        return;
    device.transmitter().freezeProcessTime(std::nullopt); // the device's save takes its time in earnest
    OnlineWithTheDevicesData();
    // The device keeps a download's changes back while its burn delay is on.
    Force(QStringLiteral("SetEnableBurnDelay1"));
    ASSERT_TRUE(WaitUntil([&] { return Chain()->BurnDelayPending() && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    ASSERT_TRUE(Download(QStringLiteral("D1")));
    ASSERT_TRUE(Unlocked());
    GoOnline();
    OpenMainWindow();
    if (HasFatalFailure())
        return;

    const auto burn = Find<clsHandleDataBurn>(QStringLiteral("clsHandleDataBurn"));
    ASSERT_TRUE(burn);
    events.clear();
    QObject::connect(control, &ctlBusyWindow::EnableWindow, control, [this] {
        if (events.count(QStringLiteral("enable")) == 1)
            busyWhenHidden = device.transmitter().dataSaving();
    });
    log->changes.clear();
    Force(QStringLiteral("SetDisableBurnDelay"));
    ASSERT_TRUE(WaitUntil([&] { return Busy().isVisible(); }));
    EXPECT_EQ(BusyText(), "Burning EEPROM data ...");
    EXPECT_TRUE(Busy().cmdCancel()->isEnabled());
    // The sequence ends and the watch polls; the window stays through it all.
    ASSERT_TRUE(WaitUntil([&] { return Ran().count(QStringLiteral("CheckDataBurn")) >= 2; }));
    EXPECT_TRUE(Busy().isVisible());
    EXPECT_TRUE(Busy().Held());
    ASSERT_TRUE(WaitUntil([&] { return !burn->Watching(); }));
    ASSERT_TRUE(WaitUntil([&] { return Settled(); })) << events.join(' ').toStdString();
    EXPECT_FALSE(busyWhenHidden);
    // Shown once and hidden once the device was done; later ends of checks only confirm it.
    EXPECT_EQ(events.count(QStringLiteral("disable")), 1) << events.join(' ').toStdString();
    EXPECT_EQ(events.first(), "disable");
}

TEST_F(BusyWindowOnTheMainWindow, AFactoryResetKeepsTheWindowOpenUntilTheDeviceHasReset)
{
    if (!OpenedOn(kRevision21))
        return;
    device.transmitter().setFactoryResetDuration(600);
    device.transmitter().freezeProcessTime(std::nullopt); // the reset takes its time in earnest
    const auto reset = Find<clsFactoryReset>(QStringLiteral("clsFactoryReset"));
    ASSERT_TRUE(reset);
    events.clear();
    QObject::connect(control, &ctlBusyWindow::EnableWindow, control, [this] {
        if (events.count(QStringLiteral("enable")) == 1)
            busyWhenHidden = device.transmitter().resetting();
    });
    Put(QStringLiteral("factoryReset"), QStringLiteral("1"));
    Force(clsFactoryReset::kInitiateFactoryReset);
    ASSERT_TRUE(WaitUntil([&] { return Busy().isVisible(); }));
    EXPECT_FALSE(Busy().cmdCancel()->isEnabled());
    EXPECT_TRUE(Busy().ResetPending());
    ASSERT_TRUE(WaitUntil([&] { return Ran().contains(QStringLiteral("CheckBusy")); }));
    EXPECT_TRUE(Busy().isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !reset->ResetRunning(); }));
    ASSERT_TRUE(WaitUntil([&] { return Settled(); })) << events.join(' ').toStdString();
    EXPECT_FALSE(busyWhenHidden);
    // Shown once and hidden once the device was done; later ends of checks only confirm it.
    EXPECT_EQ(events.count(QStringLiteral("disable")), 1) << events.join(' ').toStdString();
    EXPECT_EQ(events.first(), "disable");
}

} // namespace
