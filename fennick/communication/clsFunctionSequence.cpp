#include "fennick/communication/clsFunctionSequence.h"
#include "fennick/fdt/frmCommProgress.h"
#include "fennick/fdt/frmWaitWhileBusy.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/TimerService.h"
#include <QProgressBar>
#include <cmath>

namespace {

// The bits of a notification that carry no business change: shadow-only,
// refresh, no-rules.
constexpr int32_t kSuppressedStateBits =
    applet::StateInfo::kShadowOnly | applet::StateInfo::kRefresh | applet::StateInfo::kNoRules;

// How a sequence state moves the "adjust still to come" flag: a read phase
// may be followed by an adjust; a write, adjust or dyna phase may not.
enum class FlagMove { Set, Clear, Keep };

struct StateRule {
    int32_t state;
    FlagMove move;
};

constexpr StateRule kStateRules[] = {
    {2, FlagMove::Set},      // READ REQUEST
    {8, FlagMove::Set},      // READ STOP CYC
    {64, FlagMove::Set},     // READ ACTIVE
    {1, FlagMove::Clear},    // WRITE REQUEST
    {4, FlagMove::Clear},    // WRITE STOP CYC
    {16, FlagMove::Clear},   // ADJUST STOP CYC
    {32, FlagMove::Clear},   // WRITE ACTIVE
    {128, FlagMove::Clear},  // ADJUST ACTIVE
    {256, FlagMove::Clear},  // DYNA STOP CYC
    {512, FlagMove::Clear},  // DYNA REQUEST
    {1024, FlagMove::Clear}, // DYNA ACTIVE
};

FlagMove FlagMoveOf(int32_t state)
{
    for (const StateRule& rule : kStateRules)
        if (rule.state == state)
            return rule.move;
    return FlagMove::Keep; // READY, the suspend states, a failed read
}

// The previous states after which a ready sequence has finished its adjust.
constexpr double kAdjustEndStates[] = {128, 16};

struct CompletionText {
    int32_t kind;
    const char* text;
};

constexpr CompletionText kCompletionTexts[] = {
    {clsFunctionSequence::kCompletionSuccess, "Success"},
    {clsFunctionSequence::kCompletionBusy, "Busy"},
    {clsFunctionSequence::kCompletionFailed, "Failed"},
};

QString CompletionTextOf(int32_t kind)
{
    for (const CompletionText& entry : kCompletionTexts)
        if (entry.kind == kind)
            return QLatin1String(entry.text);
    return QStringLiteral("-/-");
}

QString TrueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

clsFunctionSequence::clsFunctionSequence()
{
    ResetFields();
}

clsFunctionSequence::~clsFunctionSequence()
{
    // Windows are never left behind by an object that is dropped without
    // Instance_Destroy.
    CloseWaitWindow();
    m_progress.reset();
}

void clsFunctionSequence::ResetFields()
{
    m_viewHandle = -1;
    m_sequenceName.clear();
    m_hdlStateItem = -1;
    m_hdlControlItem = -1;
    m_hdlSequenceResult = -1;
    m_manager.reset();
}

// --- Start operations --------------------------------------------------------------------

int32_t clsFunctionSequence::ForceSequence(const QString& sequenceName)
{
    return ProcessSequence(sequenceName, true);
}

int32_t clsFunctionSequence::StartSequence(const QString& sequenceName)
{
    return ProcessSequence(sequenceName, false);
}

int32_t clsFunctionSequence::Upload()
{
    return ProcessSequence(kUploadSequence, false);
}

int32_t clsFunctionSequence::Download()
{
    return ProcessSequence(kDownloadSequence, true);
}

int32_t clsFunctionSequence::ProcessSequence(const QString& sequenceName, bool force)
{
    // The wait loop runs other work: the holder may let go of this object meanwhile.
    const std::shared_ptr<clsFunctionSequence> keep = weak_from_this().lock();
    m_enabled = true;
    m_sequenceName = sequenceName;

    // The control item exists exactly when the sequence does.
    const int32_t controlFailed = RegisterSeqControl();
    UnregisterSeqControl();
    if (controlFailed != 0)
        return kUnknownSequence;
    if (RegisterWatchItem() != 0)
        return kUnknownSequence;
    ReleaseWatchItems();

    int32_t result = applet::kResultBusy;
    for (;;) {
        if (!m_manager) {
            // The view was destroyed while waiting.
            CloseWaitWindow();
            return kRefused;
        }
        std::shared_ptr<applet::AppletHost> host;
        m_manager->GetApplet(host);
        if (!host) {
            CloseWaitWindow();
            Debugging::TraceError(QStringLiteral("clsFunctionSequence: the applet host has gone"));
            result = kRefused;
            break;
        }
        if (force)
            host->ForceSequence(sequenceName, result);
        else
            host->StartSequence(sequenceName, result);
        if (result == applet::kResultBusy) {
            if (!m_wait) {
                m_wait = std::make_unique<frmWaitWhileBusy>();
                m_wait->show();
            } else if (m_wait->Timeout()) {
                CloseWaitWindow();
                ReleaseWatchItems();
                return kBusyTimedOut;
            }
            loop::TimerService::instance().Sleep(kBusyPollMs);
            loop::PumpPendingWork();
            continue;
        }
        RegisterWatchItem();
        CloseWaitWindow();
        break;
    }

    if (result != 0) {
        Debugging::TraceInfo(QStringLiteral("Process Sequence Failed : ") + sequenceName);
        // A sequence that never started has no end to report, whatever
        // its items do later (a disconnect, another run of it).
        m_enabled = false;
        return kRefused;
    }
    Debugging::TraceInfo(QStringLiteral("Process Sequence Passed : ") + sequenceName);
    StartProgressDisplay();
    return kStarted;
}

void clsFunctionSequence::Abort()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionSequence::Abort"));
    m_enabled = false;
    if (RegisterSeqControl() == 0 && m_manager) {
        int32_t failed = 0;
        m_manager->fncPutUintValue(m_hdlControlItem, kControlAbort, failed);
        if (failed != 0)
            Debugging::TraceWriteFailed(kControlPrefix + m_sequenceName);
    }
    Instance_Destroy();
}

void clsFunctionSequence::Instance_Destroy()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionSequence::Instance_Destroy"));
    if (m_manager) {
        const auto manager = m_manager;
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    CloseProgressDisplay();
    ResetFields();
}

void clsFunctionSequence::SequenceCompleted(int32_t kind)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionSequence::SequenceCompleted") + CompletionTextOf(kind));
    if (kind != kCompletionSuccess && kind != kCompletionFailed)
        return;
    // A later notification (the transfer item written again, a disconnect
    // after the end) must not report the same sequence a second time.
    if (m_doneRaised) {
        Debugging::TraceInfo(QStringLiteral("clsFunctionSequence: the end was reported already"));
        return;
    }
    m_doneRaised = true;
    // The handler usually destroys this object; it lives until the handler returns.
    const std::shared_ptr<clsFunctionSequence> keep = weak_from_this().lock();
    if (m_done)
        m_done(kind == kCompletionSuccess ? 0 : 1);
}

void clsFunctionSequence::UpdateSequenceProgress()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionSequence::UpdateSequenceProgress"));
    if (!m_manager)
        return;
    int32_t value = 0;
    int32_t failed = 0;
    m_manager->GetIntValue(m_hdlProgressItem, value, failed);
    if (failed != 0 || !m_progress)
        return;
    m_progress->gagCommProgress()->setValue(value);
    m_progress->SetGaugeCaption(QString::number(value) + QStringLiteral("%"));
}

// --- Item helpers ---------------------------------------------------------------------------

void clsFunctionSequence::ViewHelper_Register(const QString& name, int32_t& handle)
{
    int32_t failed = 1;
    if (m_manager)
        m_manager->RegisterItem(name, false, m_viewHandle, handle, 0, 0, failed);
    if (failed != 0) {
        Debugging::TraceRegistrationFailed(name);
        handle = -1;
    } else {
        Debugging::TraceInfo(QStringLiteral("Registered to :") + name);
    }
}

void clsFunctionSequence::Unregister(int32_t handle)
{
    if (!m_manager || handle <= 0)
        return;
    int32_t failed = 0;
    m_manager->UnregisterItem(m_viewHandle, handle, false, failed);
}

int32_t clsFunctionSequence::ReadSequenceState()
{
    double value = 0;
    int32_t failed = 1;
    if (m_manager)
        m_manager->fncGetUIntValue(m_hdlStateItem, value, failed);
    const int32_t state = failed != 0 || std::isnan(value) ? -1 : static_cast<int16_t>(std::lround(value));
    Debugging::TraceInfo(QStringLiteral("Sequence state is ... : ") + QString::number(state));
    return state;
}

int32_t clsFunctionSequence::ReadControlValue()
{
    double value = 0;
    int32_t failed = 1;
    if (m_manager)
        m_manager->fncGetUIntValue(m_hdlControlItem, value, failed);
    return failed != 0 || std::isnan(value) ? -1 : static_cast<int32_t>(std::lround(value));
}

int32_t clsFunctionSequence::ReadTransferResult()
{
    double value = 0;
    int32_t failed = 1;
    if (m_manager)
        m_manager->fncGetUIntValue(m_hdlSequenceResult, value, failed);
    if (failed != 0 || std::isnan(value)) {
        // An end that cannot be read is no proof of success.
        Debugging::TraceReadFailed(kTransferItem);
        return kTransferFailed;
    }
    return static_cast<int32_t>(std::lround(value));
}

int32_t clsFunctionSequence::ReadConnectState()
{
    if (!m_manager)
        return 0;
    double value = 0;
    int32_t failed = 1;
    m_manager->fncGetUIntValue(m_hdlConnectItem, value, failed);
    if (failed != 0 || std::isnan(value)) {
        Debugging::TraceReadFailed(kConnectItem);
        return 0;
    }
    return static_cast<int32_t>(std::lround(value));
}

int32_t clsFunctionSequence::RegisterSeqControl()
{
    ViewHelper_Register(kControlPrefix + m_sequenceName, m_hdlControlItem);
    if (m_hdlControlItem == -1) {
        Debugging::TraceError(QStringLiteral("RegisterSeqControl = E_FAIL"));
        return 1;
    }
    Debugging::TraceInfo(QStringLiteral("RegisterSeqControl = S_OK"));
    return 0;
}

void clsFunctionSequence::UnregisterSeqControl()
{
    Unregister(m_hdlControlItem);
}

int32_t clsFunctionSequence::RegisterTransferItem()
{
    ViewHelper_Register(kTransferItem, m_hdlSequenceResult);
    return m_hdlSequenceResult == -1 ? 1 : 0;
}

int32_t clsFunctionSequence::RegisterWatchItem()
{
    if (RegisterTransferItem() == 0)
        return 0;
    ViewHelper_Register(kStatePrefix + m_sequenceName, m_hdlStateItem);
    return m_hdlStateItem == -1 ? 1 : 0;
}

void clsFunctionSequence::ReleaseTransferItem()
{
    if (m_hdlSequenceResult == -1)
        return;
    // Unregistered before the reset: the reset of a failed chain's 2 is no
    // end of the sequence this object is about to start.
    const int32_t handle = m_hdlSequenceResult;
    Unregister(handle);
    m_hdlSequenceResult = -1;
    if (m_manager) {
        int32_t failed = 0;
        m_manager->fncPutUintValue(handle, kTransferFinished, failed);
        if (failed != 0)
            Debugging::TraceWriteFailed(kTransferItem);
    }
}

void clsFunctionSequence::ReleaseWatchItems()
{
    if (m_hdlSequenceResult != -1)
        ReleaseTransferItem();
    else
        Unregister(m_hdlStateItem);
    CloseProgressDisplay();
}

// --- Windows -------------------------------------------------------------------------------

void clsFunctionSequence::StartProgressDisplay()
{
    if (m_hdlSequenceResult == -1) {
        // The state item is watched: the sequence's own progress is shown.
        ViewHelper_Register(kProgressPrefix + m_sequenceName, m_hdlProgressItem);
        if (m_hdlProgressItem == -1)
            return;
        m_progress = std::make_unique<frmCommProgress>();
        m_progress->gagCommProgress()->setValue(0);
        m_progress->show();
        return;
    }
    // A transfer chain has no overall percentage: the gauge runs round.
    m_progress = std::make_unique<frmCommProgress>();
    m_progress->gagCommProgress()->setValue(0);
    m_progress->SetGaugeCaption(QString());
    m_progress->show();
    m_progress->TimerDisplayProgress().Start();
}

void clsFunctionSequence::CloseProgressDisplay()
{
    if (m_progress) {
        m_progress->TimerDisplayProgress().Stop();
        m_progress->hide();
        m_progress.reset();
    }
    if (m_hdlSequenceResult == -1)
        Unregister(m_hdlProgressItem);
}

void clsFunctionSequence::CloseWaitWindow()
{
    if (!m_wait)
        return;
    m_wait->hide();
    m_wait.reset();
}

// --- View ----------------------------------------------------------------------------------

void clsFunctionSequence::SetAppletItemManagRef(int32_t lViewHandle,
                                                const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                                int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    ViewHelper_Register(kConnectItem, m_hdlConnectItem);
    result = 0;
}

void clsFunctionSequence::Destroy(int32_t& result)
{
    m_manager.reset();
    Instance_Destroy();
    Debugging::TraceInfo(QStringLiteral("clsFunctionSequence: View_Destroy"));
    result = 0;
}

void clsFunctionSequence::NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t,
                                        int32_t& result)
{
    // The Done handler may let go of this object.
    const std::shared_ptr<clsFunctionSequence> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionSequence::View_NotifyChanged"));
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    if (!m_enabled) {
        Debugging::TraceInfo(QStringLiteral("Disabled"));
        return;
    }
    if (lAppletItemHandle == m_hdlConnectItem) {
        ViewBr_Sequence();
        return;
    }
    if (lAppletItemHandle == m_hdlStateItem) {
        // Runs for suppressed notifications too: the phase must be known.
        const int32_t state = ReadSequenceState();
        ApplyFlagRule(state, QStringLiteral("privNeed2Wait4Adjust outside = "));
    }
    if ((lStateInfo & kSuppressedStateBits) != 0 || bShadowValue) {
        Debugging::TraceInfo(QStringLiteral("Suppress business rule"));
        return;
    }
    if (lAppletItemHandle == m_hdlProgressItem) {
        Debugging::TraceInfo(QStringLiteral("privHdlProgressItem"));
        UpdateSequenceProgress();
    }
    if (m_manager && lAppletItemHandle == m_hdlSequenceResult) {
        Debugging::TraceInfo(QStringLiteral("privHdlSequenceResult"));
        SequenceCompleted(ReadTransferResult());
    }
    if (m_manager && lAppletItemHandle == m_hdlStateItem) {
        Debugging::TraceInfo(QStringLiteral("privHdlStateItem"));
        OnSequenceState();
    }
}

void clsFunctionSequence::ApplyFlagRule(int32_t state, const QString& traceText)
{
    switch (FlagMoveOf(state)) {
    case FlagMove::Set:
        m_need2Wait4Adjust = true;
        Debugging::TraceInfo(traceText + TrueFalse(true));
        break;
    case FlagMove::Clear:
        m_need2Wait4Adjust = false;
        Debugging::TraceInfo(traceText + TrueFalse(false));
        break;
    case FlagMove::Keep:
        break;
    }
}

void clsFunctionSequence::OnSequenceState()
{
    const int32_t state = ReadSequenceState();
    if (state != applet::SequenceState::Ready) {
        SequenceCompleted(kCompletionBusy);
        ApplyFlagRule(state, QStringLiteral("Setting privNeed2Wait4Adjust  = "));
        return;
    }

    Debugging::TraceInfo(QStringLiteral("privHdlStateItem ---- SEQUENCE_STATE_READY"));
    Debugging::TraceInfo(QStringLiteral("privNeed2Wait4Adjust  = ") + TrueFalse(m_need2Wait4Adjust));
    const bool controlRegistered = RegisterSeqControl() == 0;
    int32_t control = -1;
    if (controlRegistered) {
        control = ReadControlValue();
        Debugging::TraceInfo(QStringLiteral("SeqControlValue  = ...") + QString::number(control));
        if (control == kControlAbort) {
            SequenceCompleted(kCompletionFailed);
            return;
        }
    }
    if (!m_need2Wait4Adjust) {
        SequenceCompleted(kCompletionSuccess);
        return;
    }
    // A read phase ended: done only once the adjust that follows it has run.
    double previous = 0;
    int32_t failed = 1;
    if (m_manager)
        m_manager->GetPreviousUIntValue(m_hdlStateItem, previous, failed);
    bool adjusted = false;
    if (failed == 0)
        for (double end : kAdjustEndStates)
            adjusted = adjusted || previous == end;
    if (!adjusted)
        return;
    Debugging::TraceInfo(controlRegistered ? QStringLiteral("Executing Plan B...")
                                           : QStringLiteral("Executing Plan C..."));
    m_need2Wait4Adjust = false;
    SequenceCompleted(kCompletionSuccess);
}

void clsFunctionSequence::ViewBr_Sequence()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionSequence::ViewBr_Sequence"));
    if (ReadConnectState() != 0)
        return;
    Debugging::TraceInfo(QStringLiteral("Disconnected while sequence active"));
    if (m_hdlStateItem != -1 || m_hdlSequenceResult != -1)
        SequenceCompleted(kCompletionFailed);
}
