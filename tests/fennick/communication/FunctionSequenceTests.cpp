// The function sequence: how it starts a sequence on the applet host, which
// item it watches, how it reads the end of a sequence or transfer chain, and
// that it reports the end once.
#include "SequenceTestSupport.h"
#include "fennick/communication/clsFunctionSequence.h"
#include "fennick/fdt/frmCommProgress.h"
#include "fennick/fdt/frmWaitWhileBusy.h"
#include "platform/applet/StateInfo.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/TraceCapture.h"
#include <QProgressBar>
#include <QPushButton>
#include <vector>

using namespace sequencetest;

namespace {

const QString kConnect = QStringLiteral("&&private&&connect");
const QString kTransfer = QStringLiteral("XXXTransferCompletedXXX");
const QString kUploadState = QStringLiteral("&&Sequence_State&&Upload");
const QString kUploadControl = QStringLiteral("&&Sequence_Control&&Upload");
const QString kUploadProgress = QStringLiteral("&&Sequence_Progress&&Upload");

class FunctionSequence : public ::testing::Test {
protected:
    void Make(bool withTransferItem, const QString& transferType = QStringLiteral("unsigned"))
    {
        host = SequenceHost::Make(dir, withTransferItem, transferType);
        sequence = std::make_shared<clsFunctionSequence>();
        sequence->SetDoneHandler([this](int32_t lastError) { done.push_back(lastError); });
        int32_t result = -1;
        host->manager->RegisterView(sequence, result);
        ASSERT_EQ(result, 0);
        host->Write(kConnect, 2);
        Settle();
    }
    // The registrations' refreshes.
    void Settle() { clock.Advance(1); }
    void TearDown() override
    {
        if (sequence)
            sequence->Instance_Destroy();
        Settle();
    }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
    TraceCapture traces;
    QTemporaryDir dir;
    std::shared_ptr<SequenceHost> host;
    std::shared_ptr<clsFunctionSequence> sequence;
    std::vector<int32_t> done;
};

TEST_F(FunctionSequence, UploadStartsAndDownloadForcesTheirSequences)
{
    Make(true);
    EXPECT_EQ(sequence->Upload(), clsFunctionSequence::kStarted);
    EXPECT_EQ(host->calls, QStringList{"Start Upload"});
    EXPECT_TRUE(sequence->WatchesTransferItem());
    ASSERT_NE(sequence->ProgressWindow(), nullptr);
    EXPECT_TRUE(sequence->ProgressWindow()->isVisible());
    // A chain has no percentage: the gauge runs round by itself.
    EXPECT_TRUE(sequence->ProgressWindow()->TimerDisplayProgress().IsActive());
    EXPECT_TRUE(traces.contains(QStringLiteral("Process Sequence Passed : Upload")));

    auto second = std::make_shared<clsFunctionSequence>();
    int32_t result = -1;
    host->manager->RegisterView(second, result);
    EXPECT_EQ(second->Download(), clsFunctionSequence::kStarted);
    EXPECT_EQ(host->calls.last(), "Force Download");
    second->Instance_Destroy();
}

TEST_F(FunctionSequence, RefusalsAndUnknownSequences)
{
    Make(true);
    EXPECT_EQ(sequence->StartSequence(QStringLiteral("NoSuchSequence")), clsFunctionSequence::kUnknownSequence);
    EXPECT_TRUE(host->calls.isEmpty());

    host->startResults = {static_cast<int32_t>(0x804A0003)};
    EXPECT_EQ(sequence->StartSequence(QStringLiteral("Upload")), clsFunctionSequence::kRefused);
    EXPECT_TRUE(traces.contains(QStringLiteral("Process Sequence Failed : Upload")));
    EXPECT_EQ(sequence->ProgressWindow(), nullptr);
    EXPECT_TRUE(done.empty());
}

TEST_F(FunctionSequence, TheTransferItemReportsTheEndOnce)
{
    Make(true);
    // Whatever the item held, the start leaves it at "finished" so that the
    // device application's "pending" is a change.
    host->Write(kTransfer, 2);
    ASSERT_EQ(sequence->Upload(), 0);
    EXPECT_EQ(host->Value(kTransfer), 1);

    host->Write(kTransfer, 0);
    EXPECT_TRUE(done.empty());
    // The state of the sequence itself is not watched in this mode.
    host->Run(QStringLiteral("Upload"), {2, 64, 128, 0});
    EXPECT_TRUE(done.empty());
    host->Write(kTransfer, 1);
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
    // A later change reports nothing more.
    host->Write(kTransfer, 2);
    host->Write(kConnect, 0);
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
    EXPECT_TRUE(sequence->DoneRaised());
}

TEST_F(FunctionSequence, AFailedTransferReportsFailure)
{
    Make(true);
    ASSERT_EQ(sequence->Upload(), 0);
    host->Write(kTransfer, 0);
    host->Write(kTransfer, 2);
    EXPECT_EQ(done, (std::vector<int32_t>{1}));
}

TEST_F(FunctionSequence, AnUnreadableTransferResultIsNoSuccess)
{
    // A transfer item the unsigned read cannot take stands for any read that fails.
    Make(true, QStringLiteral("text"));
    ASSERT_EQ(sequence->Upload(), 0);
    ASSERT_TRUE(sequence->WatchesTransferItem());
    int32_t failed = 0;
    host->manager->PutStringValue(host->Handle(kTransfer), QStringLiteral("done"), failed);
    ASSERT_EQ(failed, 0);
    EXPECT_EQ(done, (std::vector<int32_t>{1}));
}

TEST_F(FunctionSequence, WithoutTheTransferItemTheStateIsWatched)
{
    Make(false);
    ASSERT_EQ(sequence->Upload(), 0);
    EXPECT_FALSE(sequence->WatchesTransferItem());
    ASSERT_NE(sequence->ProgressWindow(), nullptr);
    EXPECT_FALSE(sequence->ProgressWindow()->TimerDisplayProgress().IsActive());

    // The sequence's own progress is shown.
    int32_t failed = 0;
    host->manager->fncPutIntValue(host->Handle(kUploadProgress), 45, failed);
    EXPECT_EQ(sequence->ProgressWindow()->gagCommProgress()->value(), 45);
    EXPECT_EQ(sequence->ProgressWindow()->GaugeCaption(), "45%");

    // A read phase ends in ready, but its adjust is still to come.
    host->Run(QStringLiteral("Upload"), {2, 64, 0});
    EXPECT_TRUE(sequence->Need2Wait4Adjust());
    EXPECT_TRUE(done.empty());
    // The adjust ends the read phase; ready then is the end.
    host->Run(QStringLiteral("Upload"), {128, 0});
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
    EXPECT_FALSE(sequence->Need2Wait4Adjust());
}

TEST_F(FunctionSequence, ReadyStraightAfterAnUnseenAdjustEndsTheReadPhase)
{
    Make(false);
    ASSERT_EQ(sequence->Upload(), 0);
    host->Run(QStringLiteral("Upload"), {2, 64});
    // The adjust phase passes without a notification to this view.
    host->manager->Load(host->Handle(kUploadState), QVariant::fromValue<quint64>(128));
    host->Run(QStringLiteral("Upload"), {0});
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
    EXPECT_TRUE(traces.contains(QStringLiteral("Executing Plan B...")));
    EXPECT_FALSE(sequence->Need2Wait4Adjust());
}

TEST_F(FunctionSequence, ReadyAfterAWritePhaseAndAbortedSequences)
{
    Make(false);
    ASSERT_EQ(sequence->Download(), 0);
    host->Run(QStringLiteral("Download"), {1, 32, 0});
    EXPECT_EQ(done, (std::vector<int32_t>{0}));

    auto aborted = std::make_shared<clsFunctionSequence>();
    std::vector<int32_t> abortedDone;
    aborted->SetDoneHandler([&](int32_t lastError) { abortedDone.push_back(lastError); });
    int32_t result = -1;
    host->manager->RegisterView(aborted, result);
    ASSERT_EQ(aborted->Upload(), 0);
    // The host leaves the control item at stop after an aborted sequence,
    // even when a read phase has run.
    host->Run(QStringLiteral("Upload"), {2, 64});
    host->Write(kUploadControl, 2);
    host->Run(QStringLiteral("Upload"), {0});
    EXPECT_EQ(abortedDone, (std::vector<int32_t>{1}));
    aborted->Instance_Destroy();
}

TEST_F(FunctionSequence, SuppressedStateChangesStillMoveTheAdjustFlag)
{
    Make(false);
    ASSERT_EQ(sequence->Upload(), 0);
    int32_t result = -1;
    // A refresh of the read state: the phase is taken, nothing completes.
    host->Write(kUploadState, 64);
    host->Write(kUploadState, 1);
    ASSERT_FALSE(sequence->Need2Wait4Adjust());
    sequence->NotifyChanged(host->Handle(kUploadState), false, applet::StateInfo::kRefreshBits, 0, result);
    EXPECT_FALSE(sequence->Need2Wait4Adjust()); // 1 is a write state
    host->Write(kUploadState, 2);
    EXPECT_TRUE(sequence->Need2Wait4Adjust());
    for (int32_t bits : {applet::StateInfo::kShadowOnly, applet::StateInfo::kRefresh, applet::StateInfo::kNoRules}) {
        sequence->NotifyChanged(host->Handle(kUploadState), false, bits, 0, result);
        EXPECT_EQ(result, 0);
    }
    sequence->NotifyChanged(host->Handle(kUploadState), true, 0, 0, result);
    EXPECT_TRUE(done.empty());
    EXPECT_TRUE(traces.contains(QStringLiteral("Suppress business rule")));
}

TEST_F(FunctionSequence, OnlyADisconnectEndsAWatchedSequence)
{
    Make(true);
    ASSERT_EQ(sequence->Upload(), 0);
    host->Write(kConnect, 3);
    host->Write(kConnect, 1);
    EXPECT_TRUE(done.empty());
    host->Write(kConnect, 0);
    EXPECT_EQ(done, (std::vector<int32_t>{1}));
    EXPECT_TRUE(traces.contains(QStringLiteral("Disconnected while sequence active")));
}

TEST_F(FunctionSequence, NotificationsBeforeTheStartAndAfterTheEnd)
{
    Make(true);
    int32_t result = -1;
    sequence->NotifyChanged(host->Handle(kConnect), false, 0, 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(traces.contains(QStringLiteral("Disabled")));
    host->Write(kConnect, 0); // not started: no end to report
    EXPECT_TRUE(done.empty());

    sequence->Instance_Destroy();
    EXPECT_FALSE(sequence->HasItemManager());
    sequence->NotifyChanged(host->Handle(kConnect), false, 0, 0, result);
    EXPECT_EQ(result, 1);
}

TEST_F(FunctionSequence, WaitsWhileTheHostIsBusy)
{
    Make(true);
    host->startResults = {applet::kResultBusy, applet::kResultBusy, applet::kResultBusy};
    bool windowSeen = false;
    host->onStart = [&] { windowSeen = windowSeen || sequence->WaitWindow() != nullptr; };
    EXPECT_EQ(sequence->Upload(), 0);
    EXPECT_EQ(host->calls.size(), 4);
    EXPECT_TRUE(windowSeen);
    EXPECT_EQ(sequence->WaitWindow(), nullptr);
    EXPECT_TRUE(sequence->WatchesTransferItem());
}

TEST_F(FunctionSequence, AbortOfTheWaitWindowEndsTheStart)
{
    Make(true);
    host->startResults.assign(100000, applet::kResultBusy);
    host->onStart = [&] {
        frmWaitWhileBusy* wait = sequence->WaitWindow();
        if (wait && wait->cmdCommAbort()->isEnabled() && wait->cmdCommAbort()->isVisible())
            wait->cmdCommAbort()->click();
    };
    EXPECT_EQ(sequence->Upload(), clsFunctionSequence::kBusyTimedOut);
    EXPECT_EQ(sequence->WaitWindow(), nullptr);
    EXPECT_FALSE(sequence->WatchesTransferItem());
    EXPECT_EQ(sequence->ProgressWindow(), nullptr);
}

TEST_F(FunctionSequence, AViewDestroyedWhileWaitingEndsTheStart)
{
    Make(true);
    host->startResults.assign(5, applet::kResultBusy);
    host->onStart = [&] {
        int32_t result = 0;
        if (host->calls.size() == 3)
            sequence->Destroy(result);
    };
    EXPECT_EQ(sequence->Upload(), clsFunctionSequence::kRefused);
    EXPECT_TRUE(traces.contains(QStringLiteral("clsFunctionSequence: View_Destroy")));
}

TEST_F(FunctionSequence, AbortAsksTheHostToStopAndReportsNothing)
{
    Make(true);
    ASSERT_EQ(sequence->Upload(), 0);
    sequence->Abort();
    EXPECT_EQ(host->Value(kUploadControl), 2);
    EXPECT_FALSE(host->manager->IsRegistered(sequence.get()));
    host->Write(kTransfer, 2);
    EXPECT_TRUE(done.empty());
}

TEST_F(FunctionSequence, TheDoneHandlerMayDropTheObject)
{
    Make(true);
    ASSERT_EQ(sequence->Upload(), 0);
    std::weak_ptr<clsFunctionSequence> weak = sequence;
    sequence->SetDoneHandler([&](int32_t lastError) {
        done.push_back(lastError);
        sequence->Instance_Destroy();
        sequence.reset();
        // Alive until the handler has returned.
        EXPECT_FALSE(weak.expired());
    });
    host->Write(kTransfer, 0);
    host->Write(kTransfer, 1);
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
    EXPECT_TRUE(weak.expired());
}

} // namespace
