// The whole road in one event loop: reference frame -> DTM -> gateway ->
// communication server -> HART-IP -> simulated transmitter. The device
// application that ends a transfer chain is played by a small view of the
// test: it marks a transfer pending when an upload or download sequence
// leaves ready and writes the chain's end when it is ready again.
#include "fennick/communication/clsFunctionSequence.h"
#include "fennick/communication/clsGatewayHART.h"
#include "fennick/communication/clsSequenceManager.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/StateInfo.h"
#include "tests/fennick/fdt/FrameLoopbackSupport.h"
#include <QRegularExpression>
#include <map>

namespace {

using dtmtest::kTag;

const QString kTransferItem = QStringLiteral("XXXTransferCompletedXXX");

// Stands in for the device application: it answers the upload and download
// sequences by writing "XXXTransferCompletedXXX": 0 when one starts, 1 when
// it ended well, 2 when the host left it stopped.
class DeviceApplication : public applet::View, public std::enable_shared_from_this<DeviceApplication> {
public:
    static std::shared_ptr<DeviceApplication> Attach()
    {
        auto application = std::make_shared<DeviceApplication>();
        std::shared_ptr<applet::clsAppletItemManager> manager;
        global::AppletHost()->GetItemManager(manager);
        int32_t result = -1;
        manager->RegisterView(application, result);
        EXPECT_EQ(result, 0);
        return application;
    }
    void Detach()
    {
        if (!m_manager)
            return;
        int32_t result = 0;
        const auto manager = m_manager;
        m_manager.reset();
        manager->UnregisterView(this, result);
    }

    void SetAppletItemManagRef(int32_t viewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override
    {
        m_manager = manager;
        result = 0;
        for (const QString& sequence : {QStringLiteral("Upload"), QStringLiteral("Download")}) {
            int32_t handle = 0;
            int32_t failed = 0;
            manager->RegisterItem(QStringLiteral("&&Sequence_State&&") + sequence, false, viewHandle, handle, 0, 0,
                                  failed);
            EXPECT_EQ(failed, 0);
            m_sequences[handle] = sequence;
        }
    }
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override
    {
        m_manager.reset();
        result = 0;
    }
    void NotifyChanged(int32_t item, bool, int32_t stateInfo, int32_t, int32_t& result) override
    {
        result = 0;
        const auto it = m_sequences.find(item);
        if (!m_manager || it == m_sequences.end() || (stateInfo & applet::StateInfo::kRefresh) != 0)
            return;
        const QString& sequence = it->second;
        const double state = Read(item);
        if (state != applet::SequenceState::Ready) {
            if (!m_running[sequence]) {
                m_running[sequence] = true;
                Write(kTransferItem, 0);
            }
            return;
        }
        if (!m_running[sequence])
            return;
        const double control = Read(m_manager->HandleOf(QStringLiteral("&&Sequence_Control&&") + sequence));
        double previous = -1;
        int32_t failed = 0;
        m_manager->GetPreviousUIntValue(item, previous, failed);
        // A read phase that ended well is followed by its adjust: the
        // values reach the dataset only then.
        if (control != applet::SequenceAction::Stop && previous == applet::SequenceState::ReadActive)
            return;
        m_running[sequence] = false;
        Write(kTransferItem, control == applet::SequenceAction::Stop ? 2 : 1);
        ended << sequence + (control == applet::SequenceAction::Stop ? QStringLiteral(" failed")
                                                                      : QStringLiteral(" done"));
    }

    QStringList ended;

private:
    double Read(int32_t handle) const
    {
        double value = -1;
        int32_t failed = 0;
        m_manager->fncGetUIntValue(handle, value, failed);
        return failed == 0 ? value : -1;
    }
    void Write(const QString& name, double value) { itemaccess::PutNumber(*m_manager, name, value); }

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::map<int32_t, QString> m_sequences;
    std::map<QString, bool> m_running;
};

class TransferLoopback : public loopbacktest::FrameLoopback {
protected:
    void TearDown() override
    {
        if (application)
            application->Detach();
        FrameLoopback::TearDown();
    }

    // Connects through the DTM's connect object, as the connect function does.
    void GoOnline()
    {
        ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
        ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online; }));
    }
    // The dataset, without its storage and dataset states (the frame's save
    // after a transfer changes them).
    QString Parameters() const
    {
        QString text = Dtm()->GetParameters(QStringLiteral("FDT"));
        text.remove(QRegularExpression(QStringLiteral(" fdt:(storageState|dataSetState)=\"[^\"]*\"")));
        return text;
    }

    std::shared_ptr<DeviceApplication> application;
};

TEST_F(TransferLoopback, ConnectReadsTheIdentityAndReleases)
{
    device.device().tag = QStringLiteral("FT-7");
    device.device().descriptor = QStringLiteral("STEAM LINE");
    std::vector<int32_t> statuses;
    frame->Events().Clear();
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    EXPECT_EQ(Status(), DtmStatus::GoingOnline);
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online; }));
    EXPECT_EQ(Dtm()->Gateway()->View()->TagName(), "FT-7");
    EXPECT_EQ(Dtm()->Gateway()->View()->Descriptor(), "STEAM LINE");
    EXPECT_TRUE(WaitForEvent(QStringLiteral("OnOnlineStateChanged(True)")));

    ASSERT_TRUE(Dtm()->PrepareToReleaseCommunication());
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnPreparedToReleaseCommunication")));
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_TRUE(frame->Events().Texts().contains(QStringLiteral("OnOnlineStateChanged(False)")));
    ASSERT_TRUE(Dtm()->ReleaseCommunication());
    EXPECT_EQ(Status(), DtmStatus::Configured);
    EXPECT_TRUE(WaitUntil([&] { return device.openConnections() == 0; }));
}

TEST_F(TransferLoopback, UploadAndDownloadWithTheDeviceApplication)
{
    device.device().tag = QStringLiteral("FT-8");
    application = DeviceApplication::Attach();
    // Offline: the upload connects first.
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnUploadFinished(U1, True)")));
    EXPECT_EQ(application->ended, QStringList{"Upload done"});
    // The instance data hold what was read, and the frame stored them.
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_TRUE(frame->Project().HasInstance(kTag));
    EXPECT_TRUE(Parameters().contains(QStringLiteral("FT-8"))) << Parameters().toStdString();

    // The download writes the dataset back, the device's tag with it.
    device.device().tag = QStringLiteral("OTHER");
    ASSERT_TRUE(Dtm()->DownloadRequest(QStringLiteral("D1"), QString()));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnDownloadFinished(D1, True)")));
    EXPECT_EQ(application->ended, (QStringList{"Upload done", "Download done"}));
    EXPECT_EQ(device.device().tag, "FT-8");
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
}

TEST_F(TransferLoopback, ABusyDeviceFailsTheTransferAndChangesNothing)
{
    application = DeviceApplication::Attach();
    GoOnline();
    const QString before = Parameters();
    device.injectBusy(1);
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnUploadFinished(U1, False)")));
    EXPECT_EQ(application->ended, QStringList{"Upload failed"});
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
    // Leaving the write lock took the device offline.
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_EQ(Parameters(), before);
}

TEST_F(TransferLoopback, CancelEndsTheTransferWithFailure)
{
    application = DeviceApplication::Attach();
    GoOnline();
    const QString before = Parameters();
    device.setResponseDelay(100);
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    ASSERT_TRUE(WaitUntil([&] { return device.requestsHandled() >= 4; }));
    ASSERT_TRUE(Dtm()->CancelAction(QStringLiteral("U1")));
    EXPECT_TRUE(frame->Events().Texts().contains(QStringLiteral("OnUploadFinished(U1, False)")));
    ASSERT_TRUE(WaitUntil([&] { return application->ended.size() == 1; }));
    EXPECT_EQ(application->ended, QStringList{"Upload failed"});
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnUploadFinished")), 1);
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_EQ(Parameters(), before);
}

TEST_F(TransferLoopback, ADroppedConnectionFailsTheTransferAndChangesNothing)
{
    application = DeviceApplication::Attach();
    GoOnline();
    const QString before = Parameters();
    device.dropConnectionAfter(3);
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnUploadFinished(U1, False)")));
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::CommunicationSet; }));
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
    EXPECT_EQ(Parameters(), before);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnUploadFinished")), 1);

    // The device is back: the next upload works.
    device.dropConnectionAfter(-1);
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U2"), QString()));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnUploadFinished(U2, True)")));
}

} // namespace
