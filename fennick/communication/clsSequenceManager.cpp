#include "fennick/communication/clsSequenceManager.h"
#include "fennick/communication/clsFunctionSequence.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "fennick/fdt/frmAsyncFunction.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"

namespace {

const QString kLockCaller = QStringLiteral("IDtmOnlineParameterHelper_Xload ");
const QString kAlreadyRunning = QStringLiteral("Another sequence started by frame application is already running");
// The deferral window's code for "start the pending transfer".
constexpr int16_t kStartPendingTransfer = 1;

QString HexText(int32_t code)
{
    return QString::number(static_cast<uint32_t>(code), 16).toUpper();
}

} // namespace

clsSequenceManager::clsSequenceManager(AppletHostSource appletHost) : m_appletHost(std::move(appletHost)) {}

clsSequenceManager::~clsSequenceManager()
{
    if (m_execSequence)
        m_execSequence->Instance_Destroy();
    if (m_execConnect)
        m_execConnect->Instance_Destroy();
    if (m_asyncHelper)
        m_asyncHelper->Unload();
}

// --- Frame requests ----------------------------------------------------------------------

bool clsSequenceManager::UploadRequest(const QString& invokeId, const QString&)
{
    Debugging::TraceInfo(QStringLiteral("IDtmOnlineParameter::UploadRequest started.... "));
    return Request(kTransferUpload, kLoadFromDevice, invokeId, QStringLiteral("IDtmOnlineParameter::UploadRequest: "));
}

bool clsSequenceManager::DownloadRequest(const QString& invokeId, const QString&)
{
    return Request(kTransferDownload, kSaveToDevice, invokeId, QStringLiteral("IDtmOnlineParameter::DownloadRequest: "));
}

bool clsSequenceManager::Request(int32_t transferKind, const QString& kind, const QString& invokeId,
                                 const QString& busyTrace)
{
    // A frame may use an empty invoke id; the running transfer is then known
    // by its kind.
    if (!m_invokeId.isEmpty() || m_transferKind != kTransferNone) {
        Debugging::TraceError(busyTrace + kAlreadyRunning);
        return false;
    }
    m_invokeId = invokeId;
    if (transferKind == kTransferDownload)
        Debugging::TraceInfo(QStringLiteral("InvokeID for DownLoad Request is:") + invokeId);
    m_transferKind = transferKind;
    const bool ok = IDtmOnlineParameterHelper_Xload(kind);
    if (!ok) {
        m_invokeId.clear();
        m_transferKind = kTransferNone;
        if (transferKind == kTransferDownload)
            Debugging::TraceInfo(QStringLiteral("DownLoad Request failed!"));
    }
    return ok;
}

bool clsSequenceManager::CancelAction(const QString& invokeId)
{
    if (invokeId != m_invokeId) {
        Debugging::TraceError(QStringLiteral("IDtmOnlineParameter::CancelAction: "));
        Debugging::TraceError(QStringLiteral("Invoke ID mismatch!"));
        Debugging::TraceError(QStringLiteral("Requested Invoke Id:") + invokeId);
        Debugging::TraceError(QStringLiteral("Current   Invoke Id:") + m_invokeId);
        return false;
    }
    const bool running = m_transferKind != kTransferNone;
    if (m_execConnect) {
        const auto connect = m_execConnect;
        try {
            connect->Disconnect();
        } catch (const automation::ComError& error) {
            Debugging::TraceRuntimeError(error);
        }
        ReleaseConnect();
    }
    if (m_execSequence) {
        const auto sequence = m_execSequence;
        m_execSequence.reset();
        sequence->Abort();
    }
    // A start waiting behind a connection must not run after the cancel.
    ReleaseAsyncHelper();
    m_pendingKind.clear();
    // The frame hears the end of a cancelled transfer like any other, and
    // the write lock taken for it is left by the finished handler.
    if (running)
        IDtmOnlineParameterHelper_Respond(false);
    m_invokeId.clear();
    return true;
}

void clsSequenceManager::Instance_Destroy()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsSequenceManager::Instance_Destroy"));
    ReleaseSequence();
    ReleaseConnect();
    ReleaseAsyncHelper();
}

// --- Transfer ----------------------------------------------------------------------------

bool clsSequenceManager::IDtmOnlineParameterHelper_Xload(const QString& kind)
{
    Debugging::TraceInfo(QStringLiteral("clsSequenceManager: IDtmOnlineParameterHelper_Xload "));
    auto fail = [this] {
        Instance_Destroy();
        return false;
    };
    if (EWAR::GetEWAR() < 0) {
        EWAR::ReportLockNotAvailable(kLockCaller);
        return fail();
    }
    // Jobs of an earlier transfer must not stay registered.
    ReleaseSequence();
    ReleaseConnect();

    const std::weak_ptr<clsSequenceManager> weak = weak_from_this();
    m_execSequence = std::make_shared<clsFunctionSequence>();
    m_execSequence->SetDoneHandler([weak](int32_t lastError) {
        if (const auto self = weak.lock())
            self->privExecSequence_Done(lastError);
    });
    if (RegisterView(m_execSequence) != 0)
        return fail();
    if (!EWAR::IncrementEWAR(kLockCaller))
        return fail();

    m_execConnect = std::make_shared<clsFunctionConnect>();
    m_execConnect->SetDoneHandler([weak](int32_t lastError) {
        if (const auto self = weak.lock())
            self->privExecConnect_Done(lastError);
    });
    if (RegisterView(m_execConnect) != 0) {
        Instance_Destroy();
        EWAR::DecrementEWAR(kLockCaller);
        return false;
    }

    if (m_execConnect->GetConnectState() == applet::ConnectState::Connected) {
        const int32_t result = StartTransfer(kind, QString());
        if (result == 0)
            return true;
        Debugging::TraceInfo(QStringLiteral("clsSequenceManager.IDtmOnlineParameterHelper_Xload "));
        // Ended before the lock is left: leaving it may take the device
        // offline, which the sequence must not report as its end.
        Instance_Destroy();
        EWAR::DecrementEWAR(kLockCaller);
        return false;
    }

    Debugging::TraceInfo(QStringLiteral("clsSequenceManager: Need to connect!"));
    // Known before the connect, which may report at once.
    m_pendingKind = kind;
    int32_t result = 1;
    try {
        const auto connect = m_execConnect;
        result = connect->Connect();
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
    }
    if (result != 0) {
        // No connection will be reported: the request ends here.
        Debugging::TraceError(QStringLiteral("clsSequenceManager: Connect request failed reason code: 0x")
                              + HexText(result));
        m_pendingKind.clear();
        Instance_Destroy();
        EWAR::DecrementEWAR(kLockCaller);
        return false;
    }
    return true;
}

int32_t clsSequenceManager::StartTransfer(const QString& kind, const QString& name)
{
    ReleaseConnect();
    if (!m_execSequence) {
        Debugging::TraceError(QStringLiteral("clsSequenceManager: no sequence to start"));
        return kUnknownKind;
    }
    const auto sequence = m_execSequence;
    int32_t result = kUnknownKind;
    if (kind == kForceSequence)
        result = name.isEmpty() ? kNoSequenceName : sequence->ForceSequence(name);
    else if (kind == kStartSequence)
        result = name.isEmpty() ? kNoSequenceName : sequence->StartSequence(name);
    else if (kind == kLoadFromDevice)
        result = sequence->Upload();
    else if (kind == kSaveToDevice)
        result = sequence->Download();
    if (result == 0)
        Debugging::TraceInfo(QStringLiteral("clsSequenceManager: StartSequence OK"));
    return result;
}

void clsSequenceManager::IDtmOnlineParameterHelper_Respond(bool success)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsSequenceManager::IDtmOnlineParameterHelper_Respond ")
                         + (success ? QStringLiteral("Success") : QStringLiteral("failed")));
    ReleaseSequence();
    ReleaseConnect();
    // Idle before the frame hears of the end, so that it may start the next
    // transfer from inside the event.
    const QString invokeId = m_invokeId;
    const int32_t transferKind = m_transferKind;
    m_invokeId.clear();
    m_transferKind = kTransferNone;
    m_pendingKind.clear();
    const std::shared_ptr<clsSequenceManager> keep = weak_from_this().lock();
    if (transferKind == kTransferUpload) {
        Debugging::TraceInfo(QStringLiteral("onUploadFinished"));
        if (onUploadFinished)
            onUploadFinished(invokeId, success);
    } else if (transferKind == kTransferDownload) {
        Debugging::TraceInfo(QStringLiteral("onDownloadFinished and invokeId is ") + invokeId);
        if (onDownloadFinished)
            onDownloadFinished(invokeId, success);
    } else {
        Debugging::TraceInfo(QStringLiteral("undefined"));
    }
}

// --- Handlers ------------------------------------------------------------------------------

void clsSequenceManager::privExecSequence_Done(int32_t lastError)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsSequenceManager::privExecSequence_Done"));
    IDtmOnlineParameterHelper_Respond(lastError == 0);
}

void clsSequenceManager::privExecConnect_Done(int32_t)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsSequenceManager::privExecConnect_Done"));
    if (m_execConnect && m_execConnect->GetConnectState() == applet::ConnectState::Connected) {
        Debugging::TraceInfo(QStringLiteral("connected"));
        if (!m_asyncHelper) {
            m_asyncHelper = std::make_shared<frmAsyncFunction>();
            const std::weak_ptr<clsSequenceManager> weak = weak_from_this();
            m_asyncHelper->DoAsyncOperation = [weak](int16_t functionId) {
                if (const auto self = weak.lock())
                    self->privAsyncHelper_DoAsyncOperation(functionId);
            };
        }
        m_asyncHelper->PostFunction(kStartPendingTransfer);
        return;
    }
    Debugging::TraceInfo(QStringLiteral("not connected"));
    IDtmOnlineParameterHelper_Respond(false);
}

void clsSequenceManager::privAsyncHelper_DoAsyncOperation(int16_t)
{
    const std::shared_ptr<clsSequenceManager> keep = weak_from_this().lock();
    if (m_asyncHelper && m_asyncHelper->PendingCount() == 0)
        ReleaseAsyncHelper();
    if (m_transferKind == kTransferNone || m_pendingKind.isEmpty()) {
        Debugging::TraceInfo(QStringLiteral("clsSequenceManager: no transfer waits for its start"));
        return;
    }
    const QString kind = m_pendingKind;
    m_pendingKind.clear();
    if (StartTransfer(kind, QString()) != 0)
        IDtmOnlineParameterHelper_Respond(false);
}

// --- Helpers -------------------------------------------------------------------------------

int32_t clsSequenceManager::RegisterView(const std::shared_ptr<applet::View>& view)
{
    const auto host = m_appletHost ? m_appletHost() : global::AppletHost();
    const auto manager = global::ItemManagerOf(host);
    if (!manager) {
        Debugging::TraceError(QStringLiteral("clsSequenceManager: no applet item manager"));
        return 1;
    }
    int32_t result = 0;
    manager->RegisterView(view, result);
    return result;
}

void clsSequenceManager::ReleaseSequence()
{
    if (!m_execSequence)
        return;
    const auto sequence = m_execSequence;
    m_execSequence.reset();
    sequence->Instance_Destroy();
}

void clsSequenceManager::ReleaseConnect()
{
    if (!m_execConnect)
        return;
    const auto connect = m_execConnect;
    m_execConnect.reset();
    connect->Instance_Destroy();
}

void clsSequenceManager::ReleaseAsyncHelper()
{
    if (!m_asyncHelper)
        return;
    const auto helper = m_asyncHelper;
    m_asyncHelper.reset();
    helper->Unload();
}
