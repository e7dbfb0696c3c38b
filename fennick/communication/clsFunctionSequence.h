#pragma once
// Drives ONE named sequence of the device description ("Upload", "Download",
// or any other) on the applet host and reports its end once through Done.
//
// The object is a view of the applet item manager: its holder creates it,
// registers it (RegisterView), calls one start operation, waits for Done and
// calls Instance_Destroy. It asks the host to start or force the sequence,
// waits while the host answers busy (a wait window shows meanwhile), then
// watches either the transfer-completed item "xxxTransferCompletedxxx" (when
// the description has it: the device application reports the end of the
// whole transfer chain there) or the sequence's own state sub-item, and shows
// a progress window until the end. A disconnect while a sequence is watched
// ends it as failed.
//
// Done(0): the sequence ended successfully; Done(1): it failed, was aborted
// or the device went offline. Done is raised at most once per object, and the
// object stays alive until its Done handler has returned, so the handler may
// destroy it. An object is not reused for a second sequence.
//
// Always held by a shared_ptr.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace applet { class clsAppletItemManager; }
class frmCommProgress;
class frmWaitWhileBusy;

class clsFunctionSequence : public automation::ComObject,
                            public applet::View,
                            public std::enable_shared_from_this<clsFunctionSequence> {
public:
    static inline const QString kConnectItem = QStringLiteral("&&private&&connect");
    static inline const QString kTransferItem = QStringLiteral("xxxTransferCompletedxxx");
    static inline const QString kStatePrefix = QStringLiteral("&&Sequence_State&&");
    static inline const QString kControlPrefix = QStringLiteral("&&Sequence_Control&&");
    static inline const QString kProgressPrefix = QStringLiteral("&&Sequence_Progress&&");
    static inline const QString kUploadSequence = QStringLiteral("Upload");
    static inline const QString kDownloadSequence = QStringLiteral("Download");

    // Results of the start operations.
    static constexpr int32_t kStarted = 0;
    static constexpr int32_t kRefused = 1; // the host refused, or the item manager went away while waiting
    static constexpr int32_t kUnknownSequence = static_cast<int32_t>(0x804A0000u);
    static constexpr int32_t kBusyTimedOut = static_cast<int32_t>(0x804A0001u);

    // Completion kinds of SequenceCompleted.
    static constexpr int32_t kCompletionBusy = 0;    // still running: trace only
    static constexpr int32_t kCompletionSuccess = 1; // Done(0)
    static constexpr int32_t kCompletionFailed = 2;  // Done(1)

    // Values of the transfer-completed item.
    static constexpr int32_t kTransferPending = 0;
    static constexpr int32_t kTransferFinished = 1;
    static constexpr int32_t kTransferFailed = 2;

    // The control value that asks the host to abort a sequence (and that it
    // leaves behind after an aborted or failed one).
    static constexpr int32_t kControlAbort = 2;

    // Published by the server's type library; the completion event does not use them.
    enum enmSequenceResult : int32_t {
        SEQ_READY = 0x40000000,
        SEQ_PENDING = 0x40000001,
        SEQ_ABORTED = 0x40000002,
    };

    // The wait loop's step while the host is busy.
    static constexpr int kBusyPollMs = 10;

    clsFunctionSequence();
    ~clsFunctionSequence() override;
    clsFunctionSequence(const clsFunctionSequence&) = delete;
    clsFunctionSequence& operator=(const clsFunctionSequence&) = delete;

    // The start operations; results above.
    int32_t ForceSequence(const QString& sequenceName);
    int32_t StartSequence(const QString& sequenceName);
    // Starts "Upload".
    int32_t Upload();
    // Forces "Download".
    int32_t Download();
    // Asks the host to abort the sequence, then Instance_Destroy. No Done.
    void Abort();
    // Unregisters the view, closes the progress window, forgets the sequence.
    void Instance_Destroy();
    // Traces the kind; raises Done for kinds 1 and 2 (once per object).
    void SequenceCompleted(int32_t kind);
    // Shows the progress item's value in the progress window.
    void UpdateSequenceProgress();

    using DoneHandler = std::function<void(int32_t lastError)>;
    void SetDoneHandler(DoneHandler handler) { m_done = std::move(handler); }

    // State, for the holder and tests.
    bool Enabled() const { return m_enabled; }
    bool Need2Wait4Adjust() const { return m_need2Wait4Adjust; }
    QString SequenceName() const { return m_sequenceName; }
    bool HasItemManager() const { return m_manager != nullptr; }
    // True while the transfer-completed item is watched instead of the state.
    bool WatchesTransferItem() const { return m_hdlSequenceResult != -1; }
    bool DoneRaised() const { return m_doneRaised; }
    frmCommProgress* ProgressWindow() const { return m_progress.get(); }
    frmWaitWhileBusy* WaitWindow() const { return m_wait.get(); }

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    int32_t ProcessSequence(const QString& sequenceName, bool force);
    void ResetFields();

    // Item helpers.
    void ViewHelper_Register(const QString& name, int32_t& handle);
    void Unregister(int32_t handle);
    int32_t ReadSequenceState();
    int32_t ReadControlValue();
    int32_t ReadTransferResult();
    int32_t ReadConnectState();
    int32_t RegisterSeqControl();
    void UnregisterSeqControl();
    int32_t RegisterTransferItem();
    int32_t RegisterWatchItem();
    void ReleaseTransferItem();
    void ReleaseWatchItems();

    void StartProgressDisplay();
    void CloseProgressDisplay();
    void CloseWaitWindow();

    // The reactions to a notification.
    void ViewBr_Sequence();
    void ApplyFlagRule(int32_t state, const QString& traceText);
    void OnSequenceState();

    std::shared_ptr<applet::clsAppletItemManager> m_manager; // privAppletItemManager
    int32_t m_viewHandle = -1;
    QString m_sequenceName;
    bool m_enabled = false;
    int32_t m_hdlConnectItem = 0;       // privHdlConnectItem
    int32_t m_hdlStateItem = -1;        // privHdlStateItem
    int32_t m_hdlControlItem = -1;      // privHdlControlItem
    int32_t m_hdlProgressItem = 0;      // privHdlProgressItem
    int32_t m_hdlSequenceResult = -1;   // privHdlSequenceResult
    bool m_need2Wait4Adjust = false;    // privNeed2Wait4Adjust
    bool m_doneRaised = false;
    std::unique_ptr<frmCommProgress> m_progress;
    std::unique_ptr<frmWaitWhileBusy> m_wait;
    DoneHandler m_done;
};
