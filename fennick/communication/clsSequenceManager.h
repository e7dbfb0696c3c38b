#pragma once
// Carries out the frame's uploads and downloads of the dataset: takes the
// dataset write lock, connects to the device first when it is offline, runs
// the transfer as a function sequence and reports its end through
// onUploadFinished / onDownloadFinished, whose handler (the DTM object)
// tells the frame and leaves the write lock. One frame-started transfer runs
// at a time, named by the frame's invoke id.
//
// A start after a connection goes through the deferral window, so it never
// runs inside the connect item's notification. Objects of its jobs (the
// sequence, the connect object) are ended with Instance_Destroy when they
// report; they stay alive until their own event has returned.
//
// Create it with make_shared.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace applet {
class AppletHost;
class View;
} // namespace applet
class clsFunctionConnect;
class clsFunctionSequence;
class frmAsyncFunction;

class clsSequenceManager : public std::enable_shared_from_this<clsSequenceManager> {
public:
    // Transfer kinds (compared case-sensitively).
    static inline const QString kLoadFromDevice = QStringLiteral("LOADFROMDEVICE");
    static inline const QString kSaveToDevice = QStringLiteral("SAVETODEVICE");
    static inline const QString kForceSequence = QStringLiteral("FNCFORCESEQUENCE");
    static inline const QString kStartSequence = QStringLiteral("FNCSTARTSEQUENCE");

    static constexpr int32_t kTransferNone = 0;
    static constexpr int32_t kTransferUpload = 1;
    static constexpr int32_t kTransferDownload = 2;

    // StartTransfer: a named-sequence kind without a name; any unknown kind.
    static constexpr int32_t kNoSequenceName = static_cast<int32_t>(0x804B0000u);
    static constexpr int32_t kUnknownKind = 1;

    // Where the applet host is found (default: the process's).
    using AppletHostSource = std::function<std::shared_ptr<applet::AppletHost>()>;
    explicit clsSequenceManager(AppletHostSource appletHost = {});
    ~clsSequenceManager();
    clsSequenceManager(const clsSequenceManager&) = delete;
    clsSequenceManager& operator=(const clsSequenceManager&) = delete;

    // True when the request was accepted; its end follows as an event (at
    // once inside the call when the device was connected and the start failed
    // synchronously it is refused instead).
    bool UploadRequest(const QString& invokeId, const QString& parameterPath);
    bool DownloadRequest(const QString& invokeId, const QString& parameterPath);
    // Cancels the running transfer of that invoke id: the sequence is aborted
    // (or the pending connect ended) and the transfer reported finished with
    // failure. True when the id matched.
    bool CancelAction(const QString& invokeId);
    // Ends the jobs and the deferral window.
    void Instance_Destroy();

    // Events: invoke id, success.
    std::function<void(const QString& invokeId, bool success)> onUploadFinished;
    std::function<void(const QString& invokeId, bool success)> onDownloadFinished;

    // State, for the DTM object and tests.
    QString CurrentInvokeId() const { return m_invokeId; }
    QString PendingKind() const { return m_pendingKind; }
    int32_t TransferKind() const { return m_transferKind; }
    std::shared_ptr<clsFunctionSequence> ExecSequence() const { return m_execSequence; }
    std::shared_ptr<clsFunctionConnect> ExecConnect() const { return m_execConnect; }
    std::shared_ptr<frmAsyncFunction> AsyncHelper() const { return m_asyncHelper; }

private:
    bool Request(int32_t transferKind, const QString& kind, const QString& invokeId, const QString& busyTrace);
    bool IDtmOnlineParameterHelper_Xload(const QString& kind);
    void IDtmOnlineParameterHelper_Respond(bool success);
    int32_t StartTransfer(const QString& kind, const QString& name);
    void privExecSequence_Done(int32_t lastError);
    void privExecConnect_Done(int32_t lastError);
    void privAsyncHelper_DoAsyncOperation(int16_t functionId);
    // Registers the view with the applet host's item manager: 0, or the failure.
    int32_t RegisterView(const std::shared_ptr<applet::View>& view);
    void ReleaseSequence();
    void ReleaseConnect();
    void ReleaseAsyncHelper();

    AppletHostSource m_appletHost;
    QString m_invokeId;
    QString m_pendingKind;
    int32_t m_transferKind = kTransferNone;
    std::shared_ptr<clsFunctionSequence> m_execSequence; // privExecSequence
    std::shared_ptr<clsFunctionConnect> m_execConnect;   // privExecConnect
    std::shared_ptr<frmAsyncFunction> m_asyncHelper;     // privAsyncHelper
};
