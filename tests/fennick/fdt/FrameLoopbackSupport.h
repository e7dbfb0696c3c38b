#pragma once
// The DTM driven through the reference frame against the simulated
// transmitter on this machine, the whole road in one event loop: frame ->
// DTM -> applet host -> gateway -> communication server -> HART-IP ->
// simulator. The fixture enters the Trivex device type in a catalogue of its
// own, creates and configures an instance, and sets its communication to the
// simulator; afterwards it takes the DTM offline and lets it go.
#include "platform/comm/server/CommServerClasses.h"
#include "sim/SimServer.h"
#include "tests/common/HartLoopbackSupport.h"
#include "tests/fennick/fdt/DtmTestSupport.h"
#include <QTest>
#include <functional>

namespace loopbacktest {

class FrameLoopback : public ::testing::Test {
protected:
    // The frame's road is longer than the communication server's alone.
    static constexpr int kFramePatienceMs = 30000;

    void SetUp() override
    {
        ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0)) << device.errorString().toStdString();
        device.transmitter().freezeProcessTime(0);
        fennick::RegisterClasses();
        comm::RegisterCommServerClasses();
        frame::RegisterClasses();
        applet::RegisterClasses();
        dialogService.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
        dtmtest::StartCatalogue(dir);

        ASSERT_TRUE(frame->CreateDtm(dtmtest::kTag)) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->InitNewInstance(dtmtest::kTag, dtmtest::kDeviceType)) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->Configure(dtmtest::kTag, QStringLiteral("maintenance"))) << frame->LastError().toStdString();
        BeforeLinking();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(frame->SetCommunication(dtmtest::kTag, LocalAddress(device.port())))
            << frame->LastError().toStdString();
        ASSERT_EQ(Status(), DtmStatus::CommunicationSet);
    }
    // What a test does with the configured instance before its communication is set.
    virtual void BeforeLinking() {}

    void TearDown() override
    {
        if (frame->HasDtm(dtmtest::kTag)) {
            // A function or transfer that is still ending leaves its lock;
            // then offline, released, and the DTM let go.
            WaitUntil([&] { return Dtm()->LockCounter() <= 0; });
            if (Status() != DtmStatus::CommunicationSet && Status() != DtmStatus::Configured) {
                Dtm()->PrepareToReleaseCommunication();
                WaitUntil([&] { return Status() == DtmStatus::CommunicationSet; });
            }
            if (Status() == DtmStatus::CommunicationSet)
                Dtm()->ReleaseCommunication();
            WaitUntil([&] { return Dtm()->LockCounter() <= 0; });
            if (Dtm()->PrepareToRelease())
                WaitUntil([&] { return !frame->HasDtm(dtmtest::kTag); });
        }
        frame.reset();
        dtmtest::ReleaseDtmGlobals();
        QTest::qWait(10);
    }

    std::shared_ptr<clsTkDispatcher> Dtm() const { return frame->Dtm<clsTkDispatcher>(dtmtest::kTag); }
    int32_t Status() const { return Dtm()->GetDtmStatus(); }
    bool WaitUntil(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kFramePatienceMs); }
    bool WaitForEvent(const QString& text)
    {
        return WaitUntil([&] { return frame->Events().Texts().contains(text); });
    }

    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService dialogScope{dialogService};
    QTemporaryDir dir;
    sim::SimServer device;
    std::unique_ptr<frame::ReferenceFrame> frame = std::make_unique<frame::ReferenceFrame>(
        dir.filePath(QStringLiteral("project")), QStringLiteral(TRIVEX_SCHEMA_DIR));
};

} // namespace loopbacktest
