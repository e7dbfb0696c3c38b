#pragma once
// The DTM object. The frame application creates it by the ProgID
// "Fennick.clsTkDispatcher" and drives it through the FDT interfaces; every
// call of the frame enters the system here. The object keeps the DTM status,
// tests each FDT method against it before doing any work (the call gate of
// DtmGate), runs each method in one frame (entry and exit traces, an error
// trap that returns the method's empty result), sends the events to the frame,
// keeps the dataset write lock and runs deferred work and the release.
//
// A process serves one DTM object (global::CurrentDtm); creating a second
// while the first is current is refused. Always held by a shared_ptr.
#include "fennick/fdt/DtmGate.h"
#include "fennick/services/Debugging.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/frame/fdt/IDtm.h"
#include "platform/frame/fdt/IDtmApplication.h"
#include "platform/frame/fdt/IDtmChannel.h"
#include "platform/frame/fdt/IDtmEvents.h"
#include "platform/frame/fdt/IDtmInformation.h"
#include "platform/frame/fdt/IDtmOnlineParameter.h"
#include "platform/frame/fdt/IDtmParameter.h"
#include "platform/frame/fdt/IFdtCommunicationEvents.h"
#include "platform/frame/fdt/IFdtContainer.h"
#include "platform/frame/fdt/IFdtEvents.h"
#include "platform/frame/fdt/IPersistPropertyBag.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class clsApplicationManager;
class clsDataBag;
class clsDataManager;
class clsDialogManager;
class clsFunctionConnect;
class clsGatewayHART;
class clsSequenceManager;
class clsSequenceWatch;
class frmAsyncFunction;
class frmChannelDataWarn;
namespace applet { class CServerRequestClass; }

class clsTkDispatcher : public automation::ComObject,
                        public fdt::IDtm,
                        public fdt::IDtmApplication,
                        public fdt::IDtmChannel,
                        public fdt::IDtmInformation,
                        public fdt::IDtmOnlineParameter,
                        public fdt::IDtmParameter,
                        public fdt::IFdtEvents,
                        public fdt::IFdtCommunicationEvents,
                        public fdt::IPersistPropertyBag,
                        public Debugging::ISystemTagSource,
                        public std::enable_shared_from_this<clsTkDispatcher> {
public:
    static inline const QString kProgId = QStringLiteral("Fennick.clsTkDispatcher");
    static inline const QString kClassId = QStringLiteral("{7A3E5C21-94B8-4F0D-A6C2-3D1E8B5F9027}");
    // The tag of a new dataset.
    static inline const QString kNewDatasetTag = QStringLiteral("XI XXX");
    static constexpr int32_t kReleaseWatchdogMs = 10000;
    static constexpr int16_t kWatchdogPrepareToRelease = 1;
    // Channel counts above this in a stored instance are refused as corrupt.
    static constexpr int32_t kMaxStoredChannels = 4096;

    // Creates the object (Class_Initialize). Raises automation::ComError when
    // the process already serves a DTM object.
    static std::shared_ptr<clsTkDispatcher> Create();
    ~clsTkDispatcher() override;
    clsTkDispatcher(const clsTkDispatcher&) = delete;
    clsTkDispatcher& operator=(const clsTkDispatcher&) = delete;

    // Default interface: the user the frame named last as the holder of the
    // dataset lock; "Unknown" while none was named.
    QString UserWhoHasLockedDataset() const;

    // --- Persistence (the frame's property bag) ---------------------------------
    void InitProperties() override { Class_InitProperties(); }
    void ReadProperties(const automation::PropertyBag& bag) override { Class_ReadProperties(bag); }
    void WriteProperties(automation::PropertyBag& bag) override { Class_WriteProperties(bag); }
    void Class_InitProperties();
    // Keeps the bag for IDtm::Environment once every key ("DTM_PARAMETERS",
    // "DTM_SIZE", "DTM_CHANNEL_" + i) was read and they agree with each other;
    // otherwise traced, and nothing is kept.
    void Class_ReadProperties(const automation::PropertyBag& bag);
    // Writes the dataset into the bag. Raises automation::ComError when there
    // is nothing to write (status, no dataset), so the frame keeps what it has.
    void Class_WriteProperties(automation::PropertyBag& bag);

    // --- IDtm ---------------------------------------------------------------------
    bool Config(const QString& userInformation) override;
    bool Environment(const QString& systemTag, const std::shared_ptr<automation::ComObject>& container) override;
    QString GetFunctions(const QString& operationState) override;
    bool InitNew(const QString& deviceType) override;
    bool InvokeFunctionRequest(const QString& invokeId, const QString& functionCall) override;
    bool PrepareToDelete() override;
    bool PrepareToRelease() override;
    bool PrepareToReleaseCommunication() override;
    bool PrivateDialogEnabled(bool enabled) override;
    bool ReleaseCommunication() override;
    bool SetCommunication(const std::shared_ptr<automation::ComObject>& communication) override;
    bool SetLanguage(int32_t languageId) override;

    // --- IDtmApplication, IDtmChannel, IDtmInformation ----------------------------
    bool StartApplication(const QString& invokeId, const QString& functionCall, const QString& windowTitle) override;
    bool ExitApplication(const QString& invokeId) override;
    std::shared_ptr<fdt::FdtChannelCollection> GetChannels() override;
    QString GetInformation() override;

    // --- IDtmOnlineParameter, IDtmParameter ---------------------------------------
    bool CancelAction(const QString& invokeId) override;
    bool DownloadRequest(const QString& invokeId, const QString& parameterPath) override;
    bool UploadRequest(const QString& invokeId, const QString& parameterPath) override;
    QString GetParameters(const QString& parameterPath) override;
    bool SetParameters(const QString& parameterPath, const QString& xmlDocument) override;

    // --- IFdtEvents ---------------------------------------------------------------
    void OnChildParameterChanged(const QString& systemTag) override;
    void OnLockDataSet(const QString& systemTag, const QString& userName) override;
    void OnParameterChanged(const QString& systemTag, const QString& parameter) override;
    bool OnUnlockDataSet(const QString& systemTag, const QString& userName) override;

    // --- IFdtCommunicationEvents --------------------------------------------------
    void OnAbort(const QString& communicationReference) override;
    void OnConnectResponse(const QString& invokeId, const QString& response) override;
    void OnDisconnectResponse(const QString& invokeId, const QString& response) override;
    void OnTransactionResponse(const QString& invokeId, const QString& response) override;

    // --- Status machine -------------------------------------------------------------
    int32_t GetDtmStatus() const { return m_status; }
    // A change to 2 or 10 queues the online-state event; every call traces.
    void SetDtmStatus(int32_t status);
    QString GetDtmStatusName() const;
    void ReportWrongStatus(const QString& methodText);
    bool IsConfiguredStatus() const;
    bool IsRunningStatus() const;
    bool IsInformationStatus() const;
    bool IsOnlineParameterAllowed() const;

    // --- Friend operations ----------------------------------------------------------
    QString SystemTag() const override { return m_systemTag; }
    std::shared_ptr<clsDataManager> DataManager() const { return m_data; }
    // Starts the toolkit for the dataset: the FDT-file parser, the applet host
    // with the data manager as its instance-data store, the applet of the TDX
    // file and the bulk-data view. False, traced, when a step fails; a failed
    // applet start leaves no applet host.
    bool DtmLoad(const QString& tdxPath, const QString& fdtPath);
    // The connect object while communication is set; none otherwise.
    std::shared_ptr<clsFunctionConnect> ConnectObject() const { return m_connect; }
    // The bridge of the applet's messages and private dialogs, once the toolkit runs.
    std::shared_ptr<clsDialogManager> DialogManager() const { return m_dialogs; }
    // The application and function manager, once the toolkit runs.
    std::shared_ptr<clsApplicationManager> ApplicationManager() const { return m_applications; }
    // Creates the DTM's own connect object on the applet host's item manager
    // and makes it Active (once the communication is linked). False, traced,
    // without an applet host.
    bool CreateConnectObject();

    // --- Communication and transfers -----------------------------------------------
    // The communication server while the communication is set.
    std::shared_ptr<applet::CServerRequestClass> CommunicationServer() const { return m_server; }
    // The HART gateway of the communication (HART only).
    std::shared_ptr<clsGatewayHART> Gateway() const { return m_gateway; }
    // The sequence watch while the sequence monitor runs.
    std::shared_ptr<clsSequenceWatch> SequenceWatch() const { return m_sequenceWatch; }
    // The manager of the frame's uploads and downloads, once one was asked for.
    std::shared_ptr<clsSequenceManager> SequenceManager() const { return m_sequences; }
    bool ReleaseCommunicationPending() const { return m_releaseCommunicationPending; }
    // The server's IFdtCommunicationEvents; none without a server. A server
    // without the interface makes it send an error message to the frame.
    std::shared_ptr<fdt::IFdtCommunicationEvents> GetCommunicationEvents();

    // Asked when the last application has closed: 6 (yes) or 7 (no) to save
    // a transient dataset; 7 without asking otherwise.
    int32_t AskSaveChangedData();
    // Keeps (6) or drops the applet's changes of a transient dataset.
    void SaveToDatabase(int32_t answer);

    // The hint about possibly inconsistent channel data.
    bool GetModuleFlags() const;
    bool ShouldWarnChannelData() const;
    void ShowChannelDataWarning();
    void ReleaseChannelDataWarning();
    frmChannelDataWarn* ChannelDataWarning() const { return m_channelDataWarn; }
    bool ChannelWarningSuppressed() const { return m_channelWarningSuppressed; }

    // Events to the frame (nothing is sent before the container is attached).
    std::shared_ptr<fdt::IDtmEvents> DtmEvents() const;
    void SendErrorMessage(const QString& message);
    // Sends why a description file did not load (its name and the cause).
    void TellDescriptionFailure(const QString& failure);
    void SendFunctionChanged();
    void SendOnlineStateChanged(bool connected);
    void SendParameterChanged(const QString& parameter);
    void SendApplicationClosed(const QString& invokeId);
    void SendInvokedFunctionFinished(const QString& invokeId, bool success);
    // Calls into the frame.
    bool FdtContainer_SaveRequest();
    bool FdtContainer_LockDataSet();
    // Starts the unlock of the frame's dataset lock (counter 1 only).
    bool FdtContainer_UnlockDataSet();
    bool FdtDialog_UserDialog(const QString& userDialog, QString& answer);
    // The instance's bulk-data folder, ending in "/"; empty when the frame has none.
    QString GetBulkDataPath();

    // The write lock's state (EWAR).
    int16_t LockCounter() const { return m_lockCounter; }
    void SetLockCounter(int16_t value) { m_lockCounter = value; }
    bool Unlocking() const { return m_unlocking; }
    bool DisconnectForUnlockPending() const { return m_disconnectActive; }

    // Deferred work: queues the code (DeferredOperation.h).
    void PostAsyncOperation(int16_t code);
    // The deferred-work and watchdog windows while they exist.
    std::shared_ptr<frmAsyncFunction> AsyncHelper() const { return m_asyncHelper; }
    std::shared_ptr<frmAsyncFunction> Watchdog() const { return m_watchdog; }

private:
    clsTkDispatcher();
    void Class_Initialize();

    // The uniform method frame: entry trace, the work (which tests the gate
    // where the method does), exit trace, and an error trap that traces and
    // gives the empty result.
    template <class R, class Work>
    R RunMethod(DtmGate::DtmMethod method, R empty, Work&& work);
    // Tests the gate; on refusal ReportWrongStatus and false.
    bool Admitted(const DtmGate::MethodGate& gate);

    bool AttachContainer(const QString& systemTag, const std::shared_ptr<automation::ComObject>& container);
    bool LoadCommunicationServer();
    // Ends the applet host, if any (a failure is traced), and clears the reference.
    void DestroyAppletHost();
    bool CheckSystemTag(const QString& methodName, const QString& systemTag);
    // The container; raises automation::ComError (91) when there is none.
    std::shared_ptr<fdt::IFdtContainer> RequireContainer() const;
    void SendEvent(const QString& errorSource, const QString& successTrace,
                   const std::function<void(fdt::IDtmEvents&)>& send);

    // Deferred work and the release.
    void privAsyncHelper_DoAsyncOperation(int16_t code);
    void ReleaseAsyncHelper();
    void PrepareToReleaseDeferred();
    bool RequestSaveBeforeRelease();
    void privAsyncHelper_IDtmEvents_OnParameterChanged();
    void privAsyncHelper_IDtmEvents_OnPreparedToRelease();
    void SendPreparedToReleaseCommunication();
    void StartWatchdog(int16_t kind, int32_t intervalMs);
    void StopWatchdog();
    void privWatchdog_TimeoutOccured(int16_t kind);
    void privMgrConnectStatus_Done(int32_t lastError);
    void privMgrSequence_onUploadFinished(const QString& invokeId, bool success);
    void privMgrSequence_onDownloadFinished(const QString& invokeId, bool success);
    // The applet's values into the instance data (the end of a good transfer).
    void SaveAppletData();
    void privChannelDataWarn_Done(bool suppress);
    // The sequence manager, created on first use.
    std::shared_ptr<clsSequenceManager> EnsureSequenceManager();
    // Destroys the communication server (a failure is traced) and clears the reference.
    void DestroyCommunicationServer();

    int32_t m_status = DtmStatus::Up;
    QString m_systemTag;
    std::shared_ptr<fdt::IFdtContainer> m_container; // privFdtContainer
    std::shared_ptr<clsDataBag> m_storedDataBag;
    std::shared_ptr<clsDataManager> m_data;          // privMgrData
    std::shared_ptr<clsFunctionConnect> m_connect;   // privMgrConnectStatus
    std::shared_ptr<clsDialogManager> m_dialogs;     // privMgrDialogs
    std::shared_ptr<clsApplicationManager> m_applications; // privMgrApplications
    std::shared_ptr<frmAsyncFunction> m_asyncHelper; // privAsyncHelper
    std::shared_ptr<applet::CServerRequestClass> m_server;
    std::shared_ptr<clsGatewayHART> m_gateway;
    std::shared_ptr<clsSequenceWatch> m_sequenceWatch;
    std::shared_ptr<clsSequenceManager> m_sequences; // privMgrSequence
    frmChannelDataWarn* m_channelDataWarn = nullptr;  // privChannelDataWarn
    std::shared_ptr<frmAsyncFunction> m_watchdog;    // privWatchdog
    bool m_saveInProgress = false;
    bool m_channelWarningSuppressed = false;
    bool m_unlocking = false;         // privUnlocking
    bool m_disconnectActive = false;  // privDisconnectActive
    bool m_releaseCommunicationPending = false;
    int16_t m_lockCounter = 0;
    QString m_lockingUser;
};
