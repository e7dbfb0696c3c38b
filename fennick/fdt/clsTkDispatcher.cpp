#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/communication/clsGatewayHART.h"
#include "fennick/communication/clsSequenceManager.h"
#include "fennick/communication/clsSequenceWatch.h"
#include "fennick/fdt/frmSequenceWatch.h"
#include "fennick/dataset/clsBulkDataManager.h"
#include "fennick/dataset/clsDataBag.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/frmChannelDataWarn.h"
#include "fennick/fdt/DeferredOperation.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsApplicationManager.h"
#include "fennick/fdt/clsDialogManager.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "fennick/fdt/clsUserLevel.h"
#include "fennick/fdt/frmAsyncFunction.h"
#include "fennick/fdt/global.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Language.h"
#include "fennick/services/LoadResource.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/CServerRequestClass.h"
#include "platform/applet/CommunicationLink.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/DialogService.h"
#include "platform/frame/fdt/FdtChannelCollection.h"
#include "platform/frame/fdt/FrameBulkData.h"
#include "platform/frame/fdt/IFdtDialog.h"
#include "platform/loop/EventLoop.h"
#include <QDir>
#include <QPointer>
#include <exception>

#ifndef TRIVEX_VERSION
#define TRIVEX_VERSION "0.0.0"
#endif

using DtmGate::DtmMethod;
namespace Op = DeferredOperation;

namespace {

// "Object variable or With block variable not set"
constexpr int32_t kErrObjectNotSet = 91;
// "Type mismatch", "Out of memory"
constexpr int32_t kErrTypeMismatch = 13;
constexpr int32_t kErrOutOfMemory = 7;
// "ActiveX component can't create object"
constexpr int32_t kErrCantCreate = 429;

const QString kClassModule = QStringLiteral("clsTkDispatcher");
const QString kKeyParameters = QStringLiteral("DTM_PARAMETERS");
const QString kKeySize = QStringLiteral("DTM_SIZE");
const QString kKeyChannel = QStringLiteral("DTM_CHANNEL_");

// The communication of each bus category: the protocol description (below
// the TDX description directory) that names the communication server, and
// whether the HART gateway stands between the applet and the server.
struct ProtocolEntry {
    const char* busCategory;
    const char* protocol;
    const char* descriptionFile;
    bool gateway;
};

constexpr ProtocolEntry kProtocols[] = {
    {"036D1498-387B-11D4-86E1-00E0987270B9", "HART", "COM_HART/_0016/_0_0000/HARTFDT12.tdx", true},
    {"036D1497-387B-11D4-86E1-00E0987270B9", "PROFIBUS", "COM_DPV1/_0016/_0_0000/PB_FDT12.tdx", false},
    {"036D1499-387B-11D4-86E1-00E0987270B9", "PROFIBUS", "COM_DPV1/_0016/_0_0000/PB_FDT12.tdx", false},
};

// The entry of the bus category (compared exactly), or null.
const ProtocolEntry* FindProtocol(const QString& busCategory)
{
    for (const ProtocolEntry& entry : kProtocols)
        if (busCategory == QLatin1String(entry.busCategory))
            return &entry;
    return nullptr;
}

const QString kAppletAccessKey = QStringLiteral("AppletAccess");
// "Do you want to save changed data ?"
constexpr int16_t kTextAskSave = 701;
// "Warning: Your currently actve application does not support online functions."
constexpr int16_t kTextOfflineApplicationActive = 5003;
// "Warning: The communication channel to your device could not be de- established."
constexpr int16_t kTextReleaseRefused = 5006;
// "You are working with online - applications."
constexpr int16_t kTextOnlineApplicationsOpen = 5007;
// "The device description could not be loaded: "
constexpr int16_t kTextDescriptionNotLoaded = 5013;
constexpr int16_t kTextDatasetRefused = 5014;
const QString kNoCommunicationEvents = QStringLiteral("This callback has not been submitted within connect request!");

// fncSetCServer answers 0 or E_FAIL when the applet does not take the server.
bool ServerRefused(int32_t code)
{
    return code == 0 || code == automation::E_FAIL_;
}

// Upper-case hexadecimal without leading zeros.
QString HexText(int32_t code)
{
    return QString::number(static_cast<uint32_t>(code), 16).toUpper();
}

QString TrueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// "Error 91 (text) in procedure X of Class Module clsTkDispatcher"
QString ProcedureError(const automation::ComError& error, const char* procedure)
{
    return QStringLiteral("Error %1 (%2) in procedure %3 of Class Module %4")
        .arg(error.number())
        .arg(error.description(), QLatin1String(procedure), kClassModule);
}

automation::ComError FromStd(const std::exception& error)
{
    return automation::ComError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()), kClassModule);
}

// A call into the frame: whatever the frame raises ends here and goes to the
// trace, so that what follows the call (lock release, save) still runs.
template <class Work, class Trace>
bool AtFrameBoundary(Work&& work, Trace&& trace)
{
    try {
        work();
        return true;
    } catch (const automation::ComError& error) {
        trace(error);
    } catch (const std::exception& error) {
        trace(FromStd(error));
    } catch (...) {
        trace(automation::ComError(automation::E_FAIL_, QStringLiteral("Unknown error"), kClassModule));
    }
    return false;
}

// Shows the busy window for a scope, also when the scope is left by an error.
class BusyScope {
public:
    BusyScope() { Publics::ShowBusy(-1); }
    ~BusyScope() { Publics::ShowBusy(0); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// Runs one step of a teardown: a failure is traced with the step's label and
// the next step runs.
void RunStep(const QString& label, const std::function<void()>& step)
{
    try {
        step();
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error.number(), error.description(), error.source() + label);
    } catch (const std::exception& error) {
        Debugging::TraceRuntimeError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()), kClassModule + label);
    }
}

} // namespace

// --- Creation --------------------------------------------------------------------------

clsTkDispatcher::clsTkDispatcher() = default;

std::shared_ptr<clsTkDispatcher> clsTkDispatcher::Create()
{
    if (global::CurrentDtm())
        throw automation::ComError(kErrCantCreate, QStringLiteral("This process already serves a DTM object"),
                                   kProgId);
    std::shared_ptr<clsTkDispatcher> dtm(new clsTkDispatcher());
    dtm->Class_Initialize();
    return dtm;
}

void clsTkDispatcher::Class_Initialize()
{
    Debugging::ReadTraceOptions();
    Debugging::TraceInfo(QStringLiteral(" "));
    Debugging::TraceInfo(QStringLiteral(" "));
    Debugging::TraceInfo(QStringLiteral("Version: ") + QLatin1String(TRIVEX_VERSION));
    Debugging::TraceInfo(QStringLiteral("Class initialize"));
    SetDtmStatus(DtmStatus::Up);
    frmAsyncFunction::ClearDispatchBusy();
    // A host left by a DTM object that ended without its teardown still holds
    // its views; it is ended, not merely forgotten.
    DestroyAppletHost();
    m_container.reset();
    global::SetCurrentDtm(shared_from_this());
    // The user level belongs to the frame's user of this DTM; none is known yet.
    global::FdtUserLevel() = 0;
    m_saveInProgress = false;
    m_systemTag.clear();
    m_channelWarningSuppressed = false;
    m_unlocking = false;
    m_releaseCommunicationPending = false;
    m_disconnectActive = false;
}

clsTkDispatcher::~clsTkDispatcher()
{
    global::ClearCurrentDtm(this);
    if (m_connect)
        m_connect->Instance_Destroy();
    if (m_dialogs)
        m_dialogs->UnregisterView();
    // The manager and its functions are views of the item manager, which
    // holds them until they leave it.
    if (m_applications)
        m_applications->DestroyApplications();
    if (m_asyncHelper)
        m_asyncHelper->Unload();
    if (m_watchdog)
        m_watchdog->Unload();
}

QString clsTkDispatcher::UserWhoHasLockedDataset() const
{
    return m_lockingUser.isEmpty() ? QStringLiteral("Unknown") : m_lockingUser;
}

// --- Status machine --------------------------------------------------------------------

void clsTkDispatcher::SetDtmStatus(int32_t status)
{
    if (status != m_status) {
        if (status == DtmStatus::CommunicationSet)
            PostAsyncOperation(Op::OnlineStateDisconnected);
        else if (status == DtmStatus::Online)
            PostAsyncOperation(Op::OnlineStateConnected);
    }
    m_status = status;
    Debugging::TraceInfo(QStringLiteral("New DTM status is ") + GetDtmStatusName());
}

QString clsTkDispatcher::GetDtmStatusName() const
{
    return DtmGate::StatusName(m_status);
}

void clsTkDispatcher::ReportWrongStatus(const QString& methodText)
{
    Debugging::TraceError(methodText + QStringLiteral("Not allowed in Status:") + GetDtmStatusName());
}

bool clsTkDispatcher::IsConfiguredStatus() const
{
    return DtmGate::IsConfiguredStatus(m_status);
}

bool clsTkDispatcher::IsRunningStatus() const
{
    return DtmGate::IsRunningStatus(m_status);
}

bool clsTkDispatcher::IsInformationStatus() const
{
    return DtmGate::IsInformationStatus(m_status);
}

bool clsTkDispatcher::IsOnlineParameterAllowed() const
{
    // Without a data manager nothing can be uploaded or downloaded.
    return m_data && DtmGate::IsOnlineParameterAllowed(m_status, m_data->IsDataSetLocked());
}

bool clsTkDispatcher::Admitted(const DtmGate::MethodGate& gate)
{
    const bool locked = !m_data || m_data->IsDataSetLocked();
    if (DtmGate::Admits(gate, m_status, locked))
        return true;
    ReportWrongStatus(QLatin1String(gate.refusal));
    return false;
}

template <class R, class Work>
R clsTkDispatcher::RunMethod(DtmMethod method, R empty, Work&& work)
{
    const DtmGate::MethodGate& gate = DtmGate::Gate(method);
    // The frame may let go of this object while a method runs.
    const std::shared_ptr<clsTkDispatcher> keep = shared_from_this();
    const bool ownSource = method == DtmMethod::Class_ReadProperties || method == DtmMethod::Class_WriteProperties;
    auto trap = [&](const automation::ComError& error) {
        Debugging::TraceRuntimeError(error.number(), error.description(),
                                     ownSource ? QLatin1String(gate.name) : error.source());
        if (method == DtmMethod::Class_WriteProperties) {
            m_saveInProgress = false;
            Publics::ShowBusy(0);
        }
    };
    try {
        if (*gate.entryTrace)
            Debugging::TraceInfo(QLatin1String(gate.entryTrace));
        R result = work(gate);
        if (*gate.exitTrace)
            Debugging::TraceInfo(QLatin1String(gate.exitTrace));
        return result;
    } catch (const automation::ComError& error) {
        trap(error);
    } catch (const std::exception& error) {
        trap(FromStd(error));
    }
    return empty;
}

// --- Persistence -----------------------------------------------------------------------

void clsTkDispatcher::Class_InitProperties()
{
    Debugging::TraceInfo(QStringLiteral("Class_InitProperties"));
    const DtmGate::MethodGate& gate = DtmGate::Gate(DtmMethod::Class_InitProperties);
    if (Admitted(gate))
        SetDtmStatus(DtmStatus::NewCreated);
}

void clsTkDispatcher::Class_ReadProperties(const automation::PropertyBag& bag)
{
    RunMethod(DtmMethod::Class_ReadProperties, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        // The stored bag is kept only once it has been read whole: a
        // half-read bag must not become the dataset.
        m_storedDataBag.reset();
        auto dataBag = std::make_shared<clsDataBag>();
        // Without its parameters a bag holds no instance. The channel count
        // and channel texts of a bag from another writer may be missing: they
        // read as 0 and the empty text (traced); a value that is there but
        // broken is refused.
        if (!bag.Contains(kKeyParameters)) {
            Debugging::TraceError(QStringLiteral("Class_ReadProperties: Property bag lacks ") + kKeyParameters);
            return false;
        }
        const auto traceDefault = [](const QString& key, const QString& value) {
            Debugging::TraceError(QStringLiteral("Class_ReadProperties: Property bag lacks %1; read as %2").arg(key, value));
        };
        const QString parameters = bag.Read(kKeyParameters, QString()).toString();
        dataBag->SetDtmParameters(parameters);
        auto traceParameters = [&] {
            Debugging::TraceInfo(QStringLiteral("PROPERTY BAG Read from database .....started "));
            Debugging::TraceInfo(parameters);
            Debugging::TraceInfo(QStringLiteral("PROPERTY BAG Read from database.....complete "));
        };
        traceParameters();

        const bool sized = bag.Contains(kKeySize);
        if (!sized)
            traceDefault(kKeySize, QStringLiteral("0"));
        bool ok = false;
        const int32_t count = bag.Read(kKeySize, static_cast<int16_t>(0)).toInt(&ok);
        if (!ok)
            throw automation::ComError(kErrTypeMismatch, QStringLiteral("Type mismatch: ") + kKeySize, kClassModule);
        if (count > kMaxStoredChannels)
            throw automation::ComError(kErrOutOfMemory,
                                       QStringLiteral("%1 %2 is more than a dataset can hold").arg(kKeySize).arg(count),
                                       kClassModule);
        if (count < 0) {
            Debugging::TraceError(QStringLiteral("Class_ReadProperties: %1 %2 is no channel count").arg(kKeySize).arg(count));
            return false;
        }
        dataBag->SetChannelCount(count);
        for (int32_t i = count; i >= 1; --i) {
            const QString key = kKeyChannel + QString::number(i);
            if (!bag.Contains(key))
                traceDefault(key, QStringLiteral("the empty text"));
            dataBag->SetChannelData(i, bag.Read(key, QString()).toString());
        }
        // Channel texts beyond a stored count disagree with it; without a
        // count they are not read.
        for (const QString& key : bag.Keys()) {
            if (!key.startsWith(kKeyChannel))
                continue;
            bool numbered = false;
            const int32_t index = key.mid(kKeyChannel.size()).toInt(&numbered);
            if (numbered && index >= 1 && index <= count && key == kKeyChannel + QString::number(index))
                continue;
            if (!sized) {
                Debugging::TraceError(QStringLiteral("Class_ReadProperties: %1 is not read without %2").arg(key, kKeySize));
                continue;
            }
            Debugging::TraceError(QStringLiteral("Class_ReadProperties: %1 does not fit %2 %3")
                                      .arg(key, kKeySize)
                                      .arg(count));
            return false;
        }

        traceParameters();
        global::LastDataBag() = dataBag;
        if (!parameters.isEmpty()) {
            m_storedDataBag = dataBag;
            SetDtmStatus(DtmStatus::ExistingCreated);
        } else {
            Debugging::TraceError(QStringLiteral("Class_ReadProperties: Property bag contains no parameters"));
        }
        return true;
    });
}

void clsTkDispatcher::Class_WriteProperties(automation::PropertyBag& bag)
{
    QString failure = QStringLiteral("the instance cannot be saved in status ") + GetDtmStatusName();
    // The release waits for this save (the watchdog runs); the save stops the watchdog.
    const bool releaseAwaitsSave = m_status == DtmStatus::Unloading && m_watchdog != nullptr;
    const bool written = RunMethod(DtmMethod::Class_WriteProperties, false, [&](const DtmGate::MethodGate& gate) {
        StopWatchdog();
        if (!Admitted(gate)) {
            global::LastDataBag().reset();
            return false;
        }
        BusyScope busy;
        m_saveInProgress = true;
        std::shared_ptr<clsDataBag> dataBag;
        if (!m_data) {
            // A new instance released before InitNew has no dataset.
            Debugging::TraceError(QStringLiteral("Class_WriteProperties: no dataset to save"));
            failure = QStringLiteral("the instance has no dataset");
        } else if (!m_data->GetDataBag(dataBag)) {
            dataBag.reset();
            failure = QStringLiteral("the dataset cannot be read");
        }
        if (!dataBag) {
            m_saveInProgress = false;
            global::LastDataBag().reset();
            return false;
        }
        bag.Write(kKeyParameters, dataBag->DtmParameters());
        const int32_t count = dataBag->ChannelCount();
        bag.Write(kKeySize, count);
        for (int32_t i = count; i >= 1; --i)
            bag.Write(kKeyChannel + QString::number(i), dataBag->ChannelData(i));
        m_saveInProgress = false;
        if (m_status == DtmStatus::Unloading) {
            PostAsyncOperation(Op::PreparedToRelease);
        } else {
            Debugging::TraceInfo(QStringLiteral("Class_WriteProperties: Init Notify other DTMs"));
            PostAsyncOperation(Op::ParameterChanged);
        }
        global::LastDataBag() = dataBag;
        return true;
    });
    // A failed save must not hold the release up: it goes on as the watchdog
    // would have let it.
    if (!written && releaseAwaitsSave) {
        Debugging::TraceError(QStringLiteral("Class_WriteProperties: the save failed; the release goes on without it"));
        PostAsyncOperation(Op::PreparedToRelease);
    }
    // The frame must not store a bag that holds no instance in place of the
    // one it has.
    if (!written)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("Class_WriteProperties: ") + failure,
                                   kClassModule);
}

// --- IDtm: environment, creation, configuration -----------------------------------------

bool clsTkDispatcher::Environment(const QString& systemTag, const std::shared_ptr<automation::ComObject>& container)
{
    const std::shared_ptr<clsTkDispatcher> keep = shared_from_this();
    const DtmGate::MethodGate& gate = DtmGate::Gate(DtmMethod::IDtm_Environment);
    Debugging::TraceInfo(QLatin1String(gate.entryTrace));
    bool ok = AttachContainer(systemTag, container);
    if (ok) {
        if (m_status == DtmStatus::ExistingCreated) {
            SetDtmStatus(DtmStatus::Running);
        } else if (m_status == DtmStatus::NewCreated) {
            SetDtmStatus(DtmStatus::NewEnabled);
        } else {
            ReportWrongStatus(QLatin1String(gate.refusal));
            ok = false;
        }
    }
    Debugging::TraceInfo(QLatin1String(gate.exitTrace));
    return ok;
}

bool clsTkDispatcher::AttachContainer(const QString& systemTag, const std::shared_ptr<automation::ComObject>& container)
{
    m_container = std::dynamic_pointer_cast<fdt::IFdtContainer>(container);
    bool attached = true;
    if (!m_container) {
        Debugging::TraceRuntimeError(automation::E_NOINTERFACE_, QStringLiteral("No such interface supported"),
                                     kClassModule);
        Debugging::TraceError(QStringLiteral("Container does not support interface IFdtContainer"));
        attached = false;
    } else if (!std::dynamic_pointer_cast<fdt::IDtmEvents>(m_container)) {
        Debugging::TraceRuntimeError(automation::E_NOINTERFACE_, QStringLiteral("No such interface supported"),
                                     kClassModule);
        Debugging::TraceError(QStringLiteral("Container does not support interface IDtmEvents"));
        attached = false;
    }
    if (!attached) {
        m_container.reset();
        m_systemTag.clear();
        return false;
    }
    BusyScope busy;
    m_systemTag = systemTag;
    XMLHelper::LoadSchemaCache(m_container->GetXmlSchemaPath());
    if (!m_storedDataBag)
        return true;
    m_data = std::make_shared<clsDataManager>();
    const bool result = m_data->SetDataBag(*m_storedDataBag);
    m_storedDataBag.reset();
    return result;
}

bool clsTkDispatcher::InitNew(const QString& deviceType)
{
    return RunMethod(DtmMethod::IDtm_InitNew, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        m_data = std::make_shared<clsDataManager>();
        return m_data->IDtmParameter_InitNew(deviceType, kNewDatasetTag);
    });
}

bool clsTkDispatcher::DtmLoad(const QString& tdxPath, const QString& fdtPath)
{
    Debugging::TraceInfo(QStringLiteral("DtmLoad"));
    QString failure;
    if (!Publics::LoadFdtFileParser(global::FdtFileParser(), fdtPath, &failure)) {
        TellDescriptionFailure(failure);
        return false;
    }

    auto& host = global::AppletHost();
    // A toolkit that runs already ends before the new one starts.
    DestroyAppletHost();
    try {
        host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
        Debugging::TraceError(QStringLiteral("PioApplet not loaded"));
        host.reset();
        return false;
    }

    int32_t code = 0;
    host->fncSetDBInstance(m_data, code);
    if (code != 0) {
        Debugging::TraceError(QStringLiteral("Execution fncSetDBInstance failed: 0x") + HexText(code));
        return false;
    }

    const QString country = QStringLiteral("&&private&&CountryCode=") + Language::GetLanguageCode();
    code = 0;
    try {
        host->fncInit(tdxPath, QString(), country, code);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
        Debugging::TraceError(QStringLiteral("PioApplet init failed!"));
        DestroyAppletHost();
        return false;
    } catch (const std::exception& error) {
        Debugging::TraceRuntimeError(FromStd(error));
        Debugging::TraceError(QStringLiteral("PioApplet init failed!"));
        DestroyAppletHost();
        return false;
    }
    if (code != 0) {
        // A stored value that does not fit its item: the frame is told which.
        const QString refusal = code == applet::kResultValueRefused ? host->Refusal() : QString();
        DestroyAppletHost();
        Debugging::TraceError(QStringLiteral("PioApplet init failed reason code = 0x") + HexText(code));
        if (!refusal.isEmpty())
            SendErrorMessage(LoadResource::GetResourceString(kTextDatasetRefused) + refusal);
        // The applet tells only its code; the parser tells which file and why.
        std::shared_ptr<applet::TdxFileParser> parser;
        if (code == applet::kResultDescriptionInvalid
            && !Publics::LoadTdxFileParser(parser, tdxPath, applet::kTdxKindDevice, &failure))
            TellDescriptionFailure(failure);
        return false;
    }

    // What the frame may start: the FDT file's applications and the menu of
    // the description. A manager left from an earlier start ends first.
    if (m_applications)
        m_applications->DestroyApplications();
    m_applications = std::make_shared<clsApplicationManager>();
    std::shared_ptr<applet::clsAppletItemManager> itemManager;
    host->GetItemManager(itemManager);
    std::shared_ptr<applet::TdxFileParser> tdxParser;
    if (itemManager)
        itemManager->GetDataDictionary(tdxParser);
    if (!m_applications->RegisterFunctions(tdxParser, global::FdtFileParser()))
        return false;

    // The bulk-data view lives as long as the item manager holds it.
    std::make_shared<clsBulkDataManager>()->RegisterView(host);

    // The applet's error texts and user messages reach the frame through the dialog manager.
    if (m_dialogs)
        m_dialogs->UnregisterView();
    m_dialogs = std::make_shared<clsDialogManager>();
    m_dialogs->RegisterView(m_container ? m_container->GetXmlSchemaPath() : QString());
    return true;
}

void clsTkDispatcher::DestroyAppletHost()
{
    auto& host = global::AppletHost();
    if (!host)
        return;
    RunStep(QStringLiteral(" DestroyApplet"), [&] {
        const std::shared_ptr<applet::AppletHost> destroying = host;
        int32_t result = 0;
        destroying->DestroyApplet(host, result);
    });
    host.reset();
}

bool clsTkDispatcher::Config(const QString& userInformation)
{
    return RunMethod(DtmMethod::IDtm_Config, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        const auto userLevel = std::make_shared<clsUserLevel>();
        if (!userLevel->ApplyUserInformation(global::AppletHost(), userInformation))
            return false;
        SetDtmStatus(DtmStatus::Configured);
        PostAsyncOperation(Op::FunctionChanged);
        return true;
    });
}

bool clsTkDispatcher::SetLanguage(int32_t)
{
    const DtmGate::MethodGate& gate = DtmGate::Gate(DtmMethod::IDtm_SetLanguage);
    Debugging::TraceInfo(QLatin1String(gate.entryTrace));
    // The language of the texts follows the user's; the frame's is not used.
    return Admitted(gate);
}

// --- IDtm: communication -------------------------------------------------------------------

bool clsTkDispatcher::LoadCommunicationServer()
{
    const ProtocolEntry* protocol = m_data ? FindProtocol(m_data->GetBusCategory()) : nullptr;
    if (!protocol) {
        Debugging::TraceError(QStringLiteral("Communication protocol not supported (yet)"));
        return false;
    }
    // Outside an installation there is no description directory: the
    // description is then looked for beside the program, never in whatever
    // folder the process happens to run in.
    const QString descriptionFile = QDir(Publics::ProgramFolder())
                                        .absoluteFilePath(Publics::GetTdxDescriptionDir()
                                                          + QLatin1String(protocol->descriptionFile));

    QString progId;
    std::shared_ptr<applet::TdxFileParser> parser;
    QString failure;
    if (!Publics::LoadTdxFileParser(parser, descriptionFile, applet::kTdxKindProtocol, &failure)) {
        // A description that did not load names no server.
        Debugging::TraceError(QStringLiteral("Unable to load the protocol description: ") + descriptionFile);
        TellDescriptionFailure(failure);
        return false;
    }
    int32_t failed = 0;
    parser->fncReadKey(kAppletAccessKey, progId, failed);
    if (failed != 0) {
        Debugging::TraceError(QStringLiteral("Unable to read ProgId from TDX file: ") + descriptionFile);
        progId.clear();
    }

    m_server.reset();
    if (!progId.isEmpty()) {
        try {
            const auto object = automation::ClassRegistry::instance().CreateObject(progId);
            m_server = std::dynamic_pointer_cast<applet::CServerRequestClass>(object);
            if (!m_server)
                throw automation::ComError(automation::E_NOINTERFACE_, QStringLiteral("No such interface supported"),
                                           kClassModule);
        } catch (const automation::ComError& error) {
            Debugging::TraceRuntimeError(error.number(), error.description(),
                                         error.source() + QStringLiteral("/") + progId);
            Debugging::TraceError(QStringLiteral("IDtm_SetCommunication: Loading CServer failed"));
            m_server.reset();
        }
    }
    if (!m_server)
        return false;

    int32_t code = 0;
    m_server->fncInit(descriptionFile, QString(), QString(), code);
    if (code != 0) {
        Debugging::TraceError(QStringLiteral("CServer init failed reason code: 0x") + HexText(code));
        DestroyCommunicationServer();
        return false;
    }
    return true;
}

void clsTkDispatcher::DestroyCommunicationServer()
{
    if (!m_server)
        return;
    try {
        std::shared_ptr<applet::CServerRequestClass> reference = m_server;
        int32_t code = 0;
        reference->Destroy(reference, code);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error.number(), error.description() + QStringLiteral(" Destroy"),
                                     QStringLiteral("CServer"));
    }
    m_server.reset();
}

bool clsTkDispatcher::SetCommunication(const std::shared_ptr<automation::ComObject>& communication)
{
    return RunMethod(DtmMethod::IDtm_SetCommunication, false, [&](const DtmGate::MethodGate& gate) {
        // An application that works offline cannot take a communication.
        if (m_applications && m_applications->OfflineApplicationActive()) {
            const QString warning = LoadResource::GetResourceString(kTextOfflineApplicationActive);
            SendErrorMessage(warning);
            Debugging::TraceError(warning);
            return false;
        }
        if (!Admitted(gate))
            return false;
        // A release announced for an earlier communication is over.
        m_releaseCommunicationPending = false;
        if (!LoadCommunicationServer())
            return false;

        const auto link = std::dynamic_pointer_cast<applet::CommunicationLink>(m_server);
        int32_t code = automation::E_NOINTERFACE_;
        if (link)
            link->SetCommunication(communication, code);
        if (code != 0) {
            Debugging::TraceError(QStringLiteral("IDtm_SetCommunication: Cannot link CServer"));
            DestroyCommunicationServer();
            return false;
        }
        link->SetXmlSchemaPath(RequireContainer()->GetXmlSchemaPath());

        const ProtocolEntry* protocol = FindProtocol(m_data->GetBusCategory());
        if (protocol->gateway) {
            m_gateway = std::make_shared<clsGatewayHART>([] { return global::AppletHost(); });
            code = m_gateway->ConnectServer(m_server);
            if (ServerRefused(code))
                m_gateway->DisconnectServer();
        } else {
            const auto host = global::AppletHost();
            code = 0;
            if (host)
                host->fncSetCServer(m_server, code);
        }
        if (ServerRefused(code)) {
            Debugging::TraceError(QStringLiteral("IDtm_SetCommunication: Cannot link Applet"));
            int32_t unlinked = 0;
            link->SetCommunication(nullptr, unlinked);
            DestroyCommunicationServer();
            return false;
        }

        if (Debugging::SequenceMonitorEnabled()) {
            m_sequenceWatch = std::make_shared<clsSequenceWatch>();
            m_sequenceWatch->StartSequenceWatch();
        }
        CreateConnectObject();
        SetDtmStatus(DtmStatus::CommunicationSet);
        PostAsyncOperation(Op::FunctionChanged);
        return true;
    });
}

bool clsTkDispatcher::CreateConnectObject()
{
    const auto manager = global::AppletItemManager();
    if (!manager) {
        Debugging::TraceError(QStringLiteral("No applet item manager for the connect object"));
        return false;
    }
    if (m_connect)
        m_connect->Instance_Destroy();
    m_connect = std::make_shared<clsFunctionConnect>();
    const std::weak_ptr<clsTkDispatcher> weak = weak_from_this();
    m_connect->SetDoneHandler([weak](int32_t lastError) {
        if (const auto self = weak.lock())
            self->privMgrConnectStatus_Done(lastError);
    });
    int32_t result = 0;
    manager->RegisterView(m_connect, result);
    m_connect->SetActive(true);
    return true;
}

bool clsTkDispatcher::PrepareToReleaseCommunication()
{
    return RunMethod(DtmMethod::IDtm_PrepareToReleaseCommunication, false, [&](const DtmGate::MethodGate& gate) {
        // The communication stays while an online application uses it.
        if (m_applications && m_applications->OnlineApplicationActive()) {
            const QString warning = LoadResource::GetResourceString(kTextReleaseRefused);
            const QString reason = LoadResource::GetResourceString(kTextOnlineApplicationsOpen);
            SendErrorMessage(warning);
            SendErrorMessage(reason);
            Debugging::TraceError(warning);
            Debugging::TraceError(reason);
            return false;
        }
        switch (m_status) {
        case DtmStatus::CommunicationSet:
            if (m_connect)
                m_connect->SetActive(false);
            PostAsyncOperation(Op::PreparedToReleaseCommunication);
            return true;
        case DtmStatus::GoingOnline:
        case DtmStatus::GoingOffline:
        case DtmStatus::Online: {
            if (!m_connect)
                throw automation::ComError(kErrObjectNotSet, QStringLiteral("No connect object"), kClassModule);
            Publics::ShowBusy(-1);
            m_connect->SetActive(true);
            m_releaseCommunicationPending = true;
            if (m_connect->Disconnect() != 0) {
                Debugging::TraceError(QStringLiteral("Disconnect request failed --> Communication")
                                      + QStringLiteral("shall release anyway!"));
                m_releaseCommunicationPending = false;
                PostAsyncOperation(Op::PreparedToReleaseCommunication);
            }
            return true;
        }
        default:
            ReportWrongStatus(QLatin1String(gate.refusal));
            return false;
        }
    });
}

bool clsTkDispatcher::ReleaseCommunication()
{
    return RunMethod(DtmMethod::IDtm_ReleaseCommunication, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        // A watch started while the switch was on is stopped however it is now.
        if (m_sequenceWatch) {
            m_sequenceWatch->StopSequenceWatch();
            m_sequenceWatch.reset();
        }
        if (m_connect) {
            m_connect->Instance_Destroy();
            m_connect.reset();
        }
        if (m_sequences) {
            m_sequences->Instance_Destroy();
            m_sequences.reset();
        }
        if (m_gateway) {
            m_gateway->DisconnectServer();
            m_gateway.reset();
        } else {
            Debugging::TraceInfo(QStringLiteral("Detach CServer/Applet"));
            try {
                const auto host = global::AppletHost();
                if (!host)
                    throw automation::ComError(kErrObjectNotSet, QStringLiteral("No applet host"), kClassModule);
                int32_t code = 0;
                host->fncSetCServer(nullptr, code);
            } catch (const automation::ComError& error) {
                Debugging::TraceRuntimeError(error.number(),
                                             error.description() + QStringLiteral(" fncSetCServer(Nothing)"),
                                             QStringLiteral("PioApplet"));
            }
        }
        DestroyCommunicationServer();
        SetDtmStatus(DtmStatus::Configured);
        PostAsyncOperation(Op::FunctionChanged);
        return true;
    });
}

// --- IDtm: release announcements, functions, dialogs -------------------------------------

bool clsTkDispatcher::PrepareToDelete()
{
    return RunMethod(DtmMethod::IDtm_PrepareToDelete, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        SetDtmStatus(DtmStatus::Destroyed);
        return true;
    });
}

bool clsTkDispatcher::PrepareToRelease()
{
    return RunMethod(DtmMethod::IDtm_PrepareToRelease, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        if (m_status != DtmStatus::Destroyed)
            SetDtmStatus(DtmStatus::Unloading);
        PostAsyncOperation(Op::PrepareToRelease);
        return true;
    });
}

QString clsTkDispatcher::GetFunctions(const QString& operationState)
{
    return RunMethod(DtmMethod::IDtm_GetFunctions, QString(), [&](const DtmGate::MethodGate& gate) {
        // Refused, the frame still gets a functions document: an empty one.
        if (!Admitted(gate) || !m_applications)
            return XMLHelper::CreateFunctionsDocument();
        const auto applications = m_applications;
        return applications->GetFunctionsXml(operationState);
    });
}

bool clsTkDispatcher::InvokeFunctionRequest(const QString& invokeId, const QString& functionCall)
{
    return RunMethod(DtmMethod::IDtm_InvokeFunctionRequest, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate) || !m_applications)
            return false;
        const auto applications = m_applications;
        return applications->InvokeFunction(invokeId, functionCall);
    });
}

bool clsTkDispatcher::PrivateDialogEnabled(bool enabled)
{
    return RunMethod(DtmMethod::IDtm_PrivateDialogEnabled, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        if (m_dialogs)
            m_dialogs->SetPrivateDialogEnabled(enabled ? -1 : 0);
        return true;
    });
}

// --- IDtmApplication, IDtmChannel, IDtmInformation ---------------------------------------

bool clsTkDispatcher::StartApplication(const QString& invokeId, const QString& functionCall,
                                       const QString& windowTitle)
{
    return RunMethod(DtmMethod::IDtmApplication_StartApplication, false, [&](const DtmGate::MethodGate& gate) {
        Debugging::TraceInfo(QStringLiteral("Execute IDtmApplication::StartApplication: ") + invokeId);
        if (!Admitted(gate) || !m_applications)
            return false;
        const auto applications = m_applications;
        const bool started = applications->StartApplication(invokeId, functionCall, windowTitle);
        if (!started)
            Debugging::TraceInfo(QStringLiteral("IDtmApplication::StartApplication failed"));
        return started;
    });
}

bool clsTkDispatcher::ExitApplication(const QString& invokeId)
{
    return RunMethod(DtmMethod::IDtmApplication_ExitApplication, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate) || !m_applications)
            return false;
        const auto applications = m_applications;
        return applications->ExitApplication(invokeId);
    });
}

std::shared_ptr<fdt::FdtChannelCollection> clsTkDispatcher::GetChannels()
{
    using Result = std::shared_ptr<fdt::FdtChannelCollection>;
    return RunMethod(DtmMethod::IDtmChannel_GetChannels, Result(), [&](const DtmGate::MethodGate& gate) {
        Admitted(gate); // a refusal is only traced
        if (!m_data) {
            Debugging::TraceError(QStringLiteral("IDtmChannels::GetChannels -")
                                  + QStringLiteral(" Data management has been already unloaded"));
            return Result();
        }
        clsDataManager::ChannelList channels;
        if (!m_data->GetChannelCollection(channels) || channels.empty())
            return Result();
        if (ShouldWarnChannelData())
            ShowChannelDataWarning();
        else
            ReleaseChannelDataWarning();
        // The frame gets the data manager's own channel objects, not copies,
        // in a collection of its own making keyed by the channel identifiers.
        const auto collection = automation::ClassRegistry::instance().Create<fdt::FdtChannelCollection>(
            fdt::kChannelCollectionProgId);
        for (const auto& channel : channels)
            collection->Add(channel, channel->GetChannelId());
        return collection;
    });
}

QString clsTkDispatcher::GetInformation()
{
    return RunMethod(DtmMethod::IDtmInformation_GetInformation, QString(), [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return QString();
        return Deployment::GetDtmInformationXml();
    });
}

// --- IDtmOnlineParameter, IDtmParameter -------------------------------------------------

bool clsTkDispatcher::CancelAction(const QString& invokeId)
{
    return RunMethod(DtmMethod::IDtmOnlineParameter_CancelAction, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        if (!m_sequences) {
            Debugging::TraceError(QStringLiteral("IDtmOnlineParameter::CancelAction: No active service available"));
            return false;
        }
        const auto sequences = m_sequences;
        return sequences->CancelAction(invokeId);
    });
}

bool clsTkDispatcher::DownloadRequest(const QString& invokeId, const QString& parameterPath)
{
    return RunMethod(DtmMethod::IDtmOnlineParameter_DownloadRequest, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        return EnsureSequenceManager()->DownloadRequest(invokeId, parameterPath);
    });
}

bool clsTkDispatcher::UploadRequest(const QString& invokeId, const QString& parameterPath)
{
    return RunMethod(DtmMethod::IDtmOnlineParameter_UploadRequest, false, [&](const DtmGate::MethodGate& gate) {
        if (!Admitted(gate))
            return false;
        return EnsureSequenceManager()->UploadRequest(invokeId, parameterPath);
    });
}

std::shared_ptr<clsSequenceManager> clsTkDispatcher::EnsureSequenceManager()
{
    if (!m_sequences) {
        m_sequences = std::make_shared<clsSequenceManager>();
        const std::weak_ptr<clsTkDispatcher> weak = weak_from_this();
        m_sequences->onUploadFinished = [weak](const QString& invokeId, bool success) {
            if (const auto self = weak.lock())
                self->privMgrSequence_onUploadFinished(invokeId, success);
        };
        m_sequences->onDownloadFinished = [weak](const QString& invokeId, bool success) {
            if (const auto self = weak.lock())
                self->privMgrSequence_onDownloadFinished(invokeId, success);
        };
    }
    return m_sequences;
}

QString clsTkDispatcher::GetParameters(const QString& parameterPath)
{
    return RunMethod(DtmMethod::IDtmParameter_GetParameters, QString(), [&](const DtmGate::MethodGate&) {
        return m_data ? m_data->BuildParameterXml(parameterPath) : QString();
    });
}

bool clsTkDispatcher::SetParameters(const QString& parameterPath, const QString& xmlDocument)
{
    return RunMethod(DtmMethod::IDtmParameter_SetParameters, false, [&](const DtmGate::MethodGate&) {
        if (global::FdtUserLevel() == 0)
            return false;
        bool result = false;
        if (m_data) {
            if (!EWAR::IncrementEWAR(QStringLiteral("IDtmParameter_SetParameters "))) {
                Debugging::TraceError(QStringLiteral("Error Dataset locked!"));
            } else {
                Debugging::TraceInfo(QStringLiteral("IDtmParameter::SetParameters - parameterPath : ") + parameterPath);
                Debugging::TraceInfo(QStringLiteral("IDtmParameter::SetParameters - FdtXmlDocument : ") + xmlDocument);
                const auto data = m_data;
                auto finish = [&data](bool accepted) {
                    data->SetDataSetStates(QStringLiteral("transient"), accepted ? QStringLiteral("validModified ")
                                                                                 : QStringLiteral("invalidModified"));
                    EWAR::DecrementEWAR(QStringLiteral("clsTkDispatcher.SetParameters"));
                };
                try {
                    result = data->IDtmParameterExt_SetParameters(parameterPath, xmlDocument);
                } catch (...) {
                    // The write may have changed part of the dataset: it counts
                    // as rejected, and the frame's lock must not stay taken
                    // for a writer that is gone. The error trap traces it.
                    finish(false);
                    throw;
                }
                finish(result);
            }
        }
        Debugging::TraceInfo(QStringLiteral("IDtmParameter::SetParameters result : ") + TrueFalse(result));
        return result;
    });
}

// --- IFdtEvents --------------------------------------------------------------------------

bool clsTkDispatcher::CheckSystemTag(const QString& methodName, const QString& systemTag)
{
    if (!IsRunningStatus()) {
        ReportWrongStatus(methodName + QStringLiteral(": "));
        return false;
    }
    if (systemTag != m_systemTag) {
        Debugging::TraceError(methodName + QStringLiteral(": System tag mismatch!"));
        Debugging::TraceError(QStringLiteral("Defined tag  : ") + m_systemTag);
        Debugging::TraceError(QStringLiteral("Requested tag: ") + systemTag);
        return false;
    }
    if (!m_data) {
        Debugging::TraceError(methodName + QStringLiteral(": Data management not installed!"));
        return false;
    }
    return true;
}

void clsTkDispatcher::OnChildParameterChanged(const QString&) {}

void clsTkDispatcher::OnParameterChanged(const QString& systemTag, const QString& parameter)
{
    if (CheckSystemTag(QStringLiteral("IFdtEvents::OnParameterChanged"), systemTag))
        m_data->OnParameterChanged(parameter);
}

void clsTkDispatcher::OnLockDataSet(const QString& systemTag, const QString& userName)
{
    Debugging::TraceInfo(QStringLiteral("IFdtEvents_OnLockDataSet"));
    if (!CheckSystemTag(QStringLiteral("IFdtEvents::OnlockDataSet"), systemTag))
        return;
    Debugging::TraceInfo(QStringLiteral("clsTKDispatcher.IFdtEvents_OnLockDataSet.. Resetting EWAR flag to -1 .."));
    m_data->OnLockDataSet(userName);
    m_lockingUser = userName;
    Debugging::TraceInfo(QStringLiteral("EWAR - OnLockDataset: locked already by ") + userName);
    EWAR::SetDTMWait();
}

bool clsTkDispatcher::OnUnlockDataSet(const QString& systemTag, const QString& userName)
{
    Debugging::TraceInfo(QStringLiteral("IFdtEvents_OnUnlockDataSet"));
    if (!CheckSystemTag(QStringLiteral("IFdtEvents::OnUnlockDataSet"), systemTag))
        return false;
    m_data->OnUnlockDataSet(userName);
    EWAR::SetDTMReady();
    Debugging::TraceInfo(QStringLiteral("clsTKDispatcher.IFdtEvents_OnUnLockDataSet.. Resetting EWAR flag to 0.."));
    return true;
}

// --- IFdtCommunicationEvents ---------------------------------------------------------------
// They go to the communication server; without one they are dropped.

std::shared_ptr<fdt::IFdtCommunicationEvents> clsTkDispatcher::GetCommunicationEvents()
{
    if (!m_server)
        return nullptr;
    auto events = std::dynamic_pointer_cast<fdt::IFdtCommunicationEvents>(m_server);
    if (!events)
        SendErrorMessage(kNoCommunicationEvents);
    return events;
}

void clsTkDispatcher::OnAbort(const QString& communicationReference)
{
    const QString reference = communicationReference;
    if (const auto events = GetCommunicationEvents())
        events->OnAbort(reference);
}

void clsTkDispatcher::OnConnectResponse(const QString& invokeId, const QString& response)
{
    const QString id = invokeId;
    const QString text = response;
    if (const auto events = GetCommunicationEvents())
        events->OnConnectResponse(id, text);
}

void clsTkDispatcher::OnDisconnectResponse(const QString& invokeId, const QString& response)
{
    const QString id = invokeId;
    const QString text = response;
    if (const auto events = GetCommunicationEvents())
        events->OnDisconnectResponse(id, text);
}

void clsTkDispatcher::OnTransactionResponse(const QString& invokeId, const QString& response)
{
    const QString id = invokeId;
    const QString text = response;
    if (const auto events = GetCommunicationEvents())
        events->OnTransactionResponse(id, text);
}

// --- Transfer completion, saving, channel-data hint ---------------------------------------

void clsTkDispatcher::privMgrSequence_onUploadFinished(const QString& invokeId, bool success)
{
    const std::shared_ptr<clsTkDispatcher> keep = shared_from_this();
    AtFrameBoundary(
        [&] {
            if (const auto events = DtmEvents())
                events->OnUploadFinished(m_systemTag, invokeId, success);
        },
        [](const automation::ComError& error) {
            Debugging::TraceError(QStringLiteral("IDtmEvents::OnUploadFinished: Runtime error ")
                                  + QString::number(error.number()) + QStringLiteral(", ") + error.description());
        });
    Debugging::TraceInfo(QStringLiteral("privMgrSequence.OnUploadFinished with return value : ") + TrueFalse(success));
    if (success) {
        Debugging::TraceInfo(QStringLiteral("Upload was successful so proceeding to SaveData.."));
        SaveAppletData();
    } else {
        Debugging::TraceInfo(QStringLiteral("Upload has failed .. so did not SaveData.."));
    }
    EWAR::DecrementEWAR(QStringLiteral("privMgrSequence.OnUploadFinished"));
}

void clsTkDispatcher::SaveAppletData()
{
    RunStep(QStringLiteral(" PioApplet::SaveToDatabase"), [] {
        const auto host = global::AppletHost();
        if (!host)
            throw automation::ComError(kErrObjectNotSet, QStringLiteral("No applet host"), kClassModule);
        int32_t result = 0;
        host->SaveToDatabase(0, result);
        if (result != 0)
            Debugging::TraceError(QStringLiteral("PioApplet::SaveToDatabase failed reason code: 0x") + HexText(result));
    });
}

void clsTkDispatcher::privMgrSequence_onDownloadFinished(const QString& invokeId, bool success)
{
    const std::shared_ptr<clsTkDispatcher> keep = shared_from_this();
    AtFrameBoundary(
        [&] {
            if (const auto events = DtmEvents())
                events->OnDownloadFinished(m_systemTag, invokeId, success);
        },
        [](const automation::ComError& error) {
            Debugging::TraceError(QStringLiteral("IDtmEvents::OnDownloadFinished: Runtime error ")
                                  + QString::number(error.number()) + QStringLiteral(", ") + error.description());
        });
    Debugging::TraceInfo(QStringLiteral("Download finished...."));
    // What the device holds after a good download is the project: a value it
    // set to the nearest it can hold, a text it keeps in upper case.
    if (success)
        SaveAppletData();
    EWAR::DecrementEWAR(QStringLiteral("privMgrSequence.OnDownloadFinished"));
}

// Whether the applet holds values not yet taken into the instance data. An
// applet that cannot be asked counts as holding changes, so that nothing is
// lost without a question.
static bool AppletHoldsChanges()
{
    const auto host = global::AppletHost();
    return !host || host->HoldsChanges();
}

int32_t clsTkDispatcher::AskSaveChangedData()
{
    constexpr int32_t kNo = static_cast<int32_t>(dialogs::DialogResult::No);
    if (!m_data || m_data->GetStorageState() != QLatin1String("transient"))
        return kNo;
    // The device window asks itself while it is open; an applet without
    // changes (saved or dropped there, or never changed) has nothing to ask about.
    if (!AppletHoldsChanges())
        return kNo;
    dialogs::MessageBoxRequest request;
    request.title = m_data->GetDtmTitle();
    request.text = LoadResource::GetResourceString(kTextAskSave);
    request.icon = dialogs::MessageIcon::Information;
    request.buttons = dialogs::MessageButtons::YesNo;
    request.topMost = true;
    const dialogs::DialogResult answer = dialogs::DialogService::instance().ShowMessage(request);
    // A box closed without a choice keeps nothing.
    return answer == dialogs::DialogResult::Yes ? static_cast<int32_t>(answer) : kNo;
}

void clsTkDispatcher::SaveToDatabase(int32_t answer)
{
    const auto host = global::AppletHost();
    if (!host) {
        Debugging::TraceError(QStringLiteral("SaveToDatabase: no applet host"));
        return;
    }
    int32_t result = 0;
    if (!m_data) {
        host->LoadFromDatabase(0, result);
        return;
    }
    if (m_data->GetStorageState() != QLatin1String("transient"))
        return;
    if (answer == static_cast<int32_t>(dialogs::DialogResult::Yes)) {
        host->SaveToDatabase(0, result);
        if (result != 0)
            Debugging::TraceError(QStringLiteral("PioApplet::SaveToDatabase failed reason code: 0x") + HexText(result));
    } else {
        // The applet drops its changes by reloading what the store holds.
        host->LoadFromDatabase(0, result);
    }
}

bool clsTkDispatcher::GetModuleFlags() const
{
    // Any channel of any module of the dataset protected by channel assignment.
    return m_data && m_data->GetModulesState() != 0;
}

bool clsTkDispatcher::ShouldWarnChannelData() const
{
    // Applications are what may change channel data meanwhile.
    const bool applicationActive = m_applications
                                   && (m_applications->OfflineApplicationActive()
                                       || m_applications->OnlineApplicationActive());
    return applicationActive && !m_channelWarningSuppressed && !GetModuleFlags();
}

void clsTkDispatcher::ShowChannelDataWarning()
{
    if (m_channelDataWarn)
        return;
    auto* window = new frmChannelDataWarn();
    m_channelDataWarn = window;
    const std::weak_ptr<clsTkDispatcher> weak = weak_from_this();
    const QPointer<frmChannelDataWarn> guard(window);
    QObject::connect(window, &frmChannelDataWarn::Done, window, [weak, guard](bool suppress) {
        if (const auto self = weak.lock())
            self->privChannelDataWarn_Done(suppress);
        // Deleted after its own event has returned.
        loop::PostToLoop([guard] { delete guard.data(); });
    });
    window->show();
}

void clsTkDispatcher::ReleaseChannelDataWarning()
{
    if (!m_channelDataWarn)
        return;
    // Done follows from the unload; the window is then deleted.
    frmChannelDataWarn* window = m_channelDataWarn;
    m_channelDataWarn = nullptr;
    window->Unload();
}

void clsTkDispatcher::privChannelDataWarn_Done(bool suppress)
{
    m_channelDataWarn = nullptr;
    m_channelWarningSuppressed = suppress;
}

// --- Events and calls to the frame -----------------------------------------------------------

std::shared_ptr<fdt::IDtmEvents> clsTkDispatcher::DtmEvents() const
{
    return std::dynamic_pointer_cast<fdt::IDtmEvents>(m_container);
}

std::shared_ptr<fdt::IFdtContainer> clsTkDispatcher::RequireContainer() const
{
    if (!m_container)
        throw automation::ComError(kErrObjectNotSet, QStringLiteral("Object variable or With block variable not set"),
                                   kClassModule);
    return m_container;
}

void clsTkDispatcher::SendEvent(const QString& errorSource, const QString& successTrace,
                                const std::function<void(fdt::IDtmEvents&)>& send)
{
    const auto events = DtmEvents();
    if (!events)
        return;
    try {
        send(*events);
        Debugging::TraceInfo(successTrace);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error.number(), error.description(), error.source() + errorSource);
    } catch (const std::exception& error) {
        Debugging::TraceRuntimeError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()), errorSource);
    }
}

void clsTkDispatcher::TellDescriptionFailure(const QString& failure)
{
    // A frame without traces learns from this why the DTM refused.
    SendErrorMessage(LoadResource::GetResourceString(kTextDescriptionNotLoaded) + failure);
}

void clsTkDispatcher::SendErrorMessage(const QString& message)
{
    SendEvent(QStringLiteral(" IFdtEvents::OnErrorMessage ") + m_systemTag,
              QStringLiteral("Sent IDtmEvents::OnErrorMessage ") + m_systemTag + QStringLiteral("Msg = ") + message,
              [&](fdt::IDtmEvents& events) { events.OnErrorMessage(m_systemTag, message); });
}

void clsTkDispatcher::SendFunctionChanged()
{
    SendEvent(QStringLiteral(" IFdtEvents::OnFunctionChanged ") + m_systemTag,
              QStringLiteral("Sent IDtmEvents::OnFunctionChanged ") + m_systemTag,
              [&](fdt::IDtmEvents& events) { events.OnFunctionChanged(m_systemTag); });
}

void clsTkDispatcher::SendOnlineStateChanged(bool connected)
{
    SendEvent(QStringLiteral(" IFdtEvents::OnOnlineStateChanged "),
              QStringLiteral("Sent IDtmEvents::OnOnlineStateChanged"),
              [&](fdt::IDtmEvents& events) { events.OnOnlineStateChanged(m_systemTag, connected); });
}

void clsTkDispatcher::SendParameterChanged(const QString& parameter)
{
    SendEvent(QStringLiteral(" IFdtEvents::OnParameterChanged") + m_systemTag,
              QStringLiteral("Sent IDtmEvents::OnParameterChanged") + m_systemTag,
              [&](fdt::IDtmEvents& events) { events.OnParameterChanged(m_systemTag, parameter); });
}

void clsTkDispatcher::SendApplicationClosed(const QString& invokeId)
{
    SendEvent(QStringLiteral(" IDtmEvents::OnApplicationClosed ") + m_systemTag,
              QStringLiteral("Sent IDtmEvents::OnApplicationClosed ") + invokeId,
              [&](fdt::IDtmEvents& events) { events.OnApplicationClosed(m_systemTag, invokeId); });
}

void clsTkDispatcher::SendInvokedFunctionFinished(const QString& invokeId, bool success)
{
    SendEvent(QStringLiteral(" IDtmEvents::OnInvokedFunctionFinished ") + m_systemTag,
              QStringLiteral("Sent IDtmEvents::OnInvokedFunctionFinished ") + invokeId,
              [&](fdt::IDtmEvents& events) { events.OnInvokedFunctionFinished(m_systemTag, invokeId, success); });
}

bool clsTkDispatcher::FdtContainer_SaveRequest()
{
    try {
        if (m_saveInProgress) {
            Debugging::TraceInfo(QStringLiteral("FdtContainer_SaveRequest - Data will be saved"));
            return true;
        }
        Debugging::TraceInfo(QStringLiteral("FdtContainer_SaveRequest - Request submitted to frame"));
        const bool answer = RequireContainer()->SaveRequest(m_systemTag);
        Debugging::TraceError(QStringLiteral("privFdtContainer.SaveRequest returns: ") + TrueFalse(answer));
        if (!answer) {
            Debugging::TraceError(QStringLiteral("privFdtContainer.SaveRequest failed"));
            if (m_unlocking)
                PostAsyncOperation(Op::ParameterChanged);
        }
        return answer;
    } catch (const automation::ComError& error) {
        Debugging::TraceError(ProcedureError(error, "FdtContainer_SaveRequest"));
    } catch (const std::exception& error) {
        Debugging::TraceError(ProcedureError(FromStd(error), "FdtContainer_SaveRequest"));
    }
    // A failed request counts as refused: a pending unlock still completes.
    if (m_unlocking)
        PostAsyncOperation(Op::ParameterChanged);
    return false;
}

bool clsTkDispatcher::FdtContainer_LockDataSet()
{
    Debugging::TraceInfo(QStringLiteral("FdtContainer_LockDataSet"));
    try {
        return RequireContainer()->LockDataSet(m_systemTag);
    } catch (const automation::ComError& error) {
        Debugging::TraceError(ProcedureError(error, "FdtContainer_LockDataSet"));
    } catch (const std::exception& error) {
        Debugging::TraceError(ProcedureError(FromStd(error), "FdtContainer_LockDataSet"));
    }
    return false;
}

bool clsTkDispatcher::FdtContainer_UnlockDataSet()
{
    Debugging::TraceInfo(QStringLiteral("EWAR - FdtContainer_UnlockDataSet_Start"));
    if (EWAR::GetEWAR() != 1)
        return false;
    m_unlocking = true;
    if (!m_connect) {
        Debugging::TraceInfo(QStringLiteral("EWAR: Save Request..."));
        FdtContainer_SaveRequest();
    } else if (m_connect->GetConnectState() != 0) {
        Debugging::TraceInfo(QStringLiteral("EWAR: Disconnecting... Disconnect is Active"));
        m_disconnectActive = true;
        const auto connect = m_connect;
        connect->Disconnect();
    } else {
        Debugging::TraceInfo(QStringLiteral("EWAR: Save Request..."));
        FdtContainer_SaveRequest();
    }
    return true;
}

bool clsTkDispatcher::FdtDialog_UserDialog(const QString& userDialog, QString& answer)
{
    return AtFrameBoundary(
        [&] {
            const auto dialog = std::dynamic_pointer_cast<fdt::IFdtDialog>(RequireContainer());
            if (!dialog)
                throw automation::ComError(automation::E_NOINTERFACE_, QStringLiteral("No such interface supported"),
                                           kClassModule);
            answer = dialog->UserDialog(m_systemTag, userDialog);
        },
        [](const automation::ComError& error) {
            Debugging::TraceError(QStringLiteral("IFdtDialog::UserDialog: ") + error.description()
                                  + QStringLiteral(", ") + QString::number(error.number()));
        });
}

QString clsTkDispatcher::GetBulkDataPath()
{
    QString path;
    try {
        const auto bulkData = std::dynamic_pointer_cast<fdt::FrameBulkData>(RequireContainer());
        if (!bulkData)
            throw automation::ComError(automation::E_NOINTERFACE_, QStringLiteral("No such interface supported"),
                                       kClassModule);
        path = bulkData->GetBulkDataPath(m_systemTag);
    } catch (const automation::ComError& error) {
        Debugging::TraceError(QStringLiteral("Bulk data path not available") + error.description() + QStringLiteral(", ")
                              + QString::number(error.number()));
        return QString();
    }
    // An empty answer names no folder; made into "/" it would be the root.
    if (path.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Bulk data path not available: the frame named no folder"));
        return QString();
    }
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

// --- Deferred work -------------------------------------------------------------------------

void clsTkDispatcher::PostAsyncOperation(int16_t code)
{
    if (!m_asyncHelper) {
        m_asyncHelper = std::make_shared<frmAsyncFunction>();
        const std::weak_ptr<clsTkDispatcher> weak = weak_from_this();
        m_asyncHelper->DoAsyncOperation = [weak](int16_t functionId) {
            if (const auto self = weak.lock())
                self->privAsyncHelper_DoAsyncOperation(functionId);
        };
    }
    m_asyncHelper->PostFunction(code);
    Debugging::TraceInfo(QStringLiteral(" Requested async function: ") + Op::TraceName(code));
}

void clsTkDispatcher::ReleaseAsyncHelper()
{
    if (!m_asyncHelper)
        return;
    m_asyncHelper->Unload();
    m_asyncHelper.reset();
}

void clsTkDispatcher::privAsyncHelper_DoAsyncOperation(int16_t code)
{
    const std::shared_ptr<clsTkDispatcher> keep = shared_from_this();
    if (m_asyncHelper && m_asyncHelper->PendingCount() == 0)
        ReleaseAsyncHelper();
    // A handler's error must not reach the event loop.
    RunStep(QStringLiteral(" deferred operation ") + Op::TraceName(code), [&] {
        switch (code) {
        case Op::PrepareToRelease:
            PrepareToReleaseDeferred();
            break;
        case Op::ParameterChanged:
            privAsyncHelper_IDtmEvents_OnParameterChanged();
            break;
        case Op::FunctionChanged:
            SendFunctionChanged();
            break;
        case Op::PreparedToRelease:
            privAsyncHelper_IDtmEvents_OnPreparedToRelease();
            break;
        case Op::PreparedToReleaseCommunication:
            SendPreparedToReleaseCommunication();
            break;
        case Op::OnlineStateDisconnected:
            SendOnlineStateChanged(false);
            break;
        case Op::OnlineStateConnected:
            SendOnlineStateChanged(true);
            break;
        default:
            break; // codes without a handler are accepted and do nothing
        }
    });
}

void clsTkDispatcher::PrepareToReleaseDeferred()
{
    bool requested = false;
    bool accepted = false;
    if (m_data && m_status != DtmStatus::Destroyed && m_data->GetStorageState() == QLatin1String("transient")) {
        requested = true;
        accepted = RequestSaveBeforeRelease();
    }
    // When the frame accepted, its save (Class_WriteProperties) or the
    // watchdog starts the teardown.
    if (!requested || !accepted)
        PostAsyncOperation(Op::PreparedToRelease);
}

bool clsTkDispatcher::RequestSaveBeforeRelease()
{
    DataTypes::WriteTrace(Debugging::kLevelInfo, QStringLiteral("Watch PrepareToRelease / Save Request "));
    StartWatchdog(kWatchdogPrepareToRelease, kReleaseWatchdogMs);
    const bool accepted = FdtContainer_SaveRequest();
    if (!accepted) {
        Debugging::TraceError(QStringLiteral("Frame application refused to save changed Instance data!"));
        StopWatchdog();
    }
    return accepted;
}

void clsTkDispatcher::privAsyncHelper_IDtmEvents_OnParameterChanged()
{
    Debugging::TraceInfo(QStringLiteral("Postponed event OnParameterChanged"));
    const QString changed = m_data ? m_data->TakeChangedParameters() : QString();
    // Without changed data there is nothing to notify, but a pending unlock
    // still completes: the frame's dataset must not stay locked.
    if (!changed.isEmpty()) {
        Debugging::TraceInfo(QStringLiteral("Notify other DTMs"));
        SendParameterChanged(changed);
    }
    if (!m_unlocking)
        return;
    Debugging::TraceInfo(QStringLiteral("in privAsyncHelper_IDtmEvents_OnParameterChanged EWAR value = ")
                         + QString::number(m_lockCounter));
    if (m_disconnectActive) {
        Debugging::TraceInfo(QStringLiteral("The Disconnect is still active.. so the privUnlocking is still active"));
        return;
    }
    if (m_lockCounter == 1) {
        Debugging::TraceInfo(QStringLiteral("EWAR - UnlockDataSet"));
        bool unlocked = false;
        try {
            unlocked = RequireContainer()->UnlockDataSet(m_systemTag);
        } catch (const automation::ComError& error) {
            // A failing unlock counts as refused.
            Debugging::TraceRuntimeError(error.number(), error.description(),
                                         error.source() + QStringLiteral(" IFdtContainer::UnlockDataSet"));
        }
        if (unlocked)
            EWAR::SetDTMReady();
        m_unlocking = false;
        return;
    }
    if (m_lockCounter > 1)
        EWAR::DecrementEWAR(QStringLiteral("clsTkDispatcher.privAsyncHelper_IDtmEvents_OnParameterChanged "));
    m_unlocking = false;
}

void clsTkDispatcher::privAsyncHelper_IDtmEvents_OnPreparedToRelease()
{
    // The frame lets go of this object when it hears OnPreparedToRelease, and
    // the process-wide reference goes before that; the object must live to the
    // last step.
    const std::shared_ptr<clsTkDispatcher> keep = shared_from_this();
    Debugging::TraceInfo(QStringLiteral("privAsyncHelper_IDtmEvents_OnPreparedToRelease"));
    RunStep(QStringLiteral(" Unload privMgrDialogs"), [&] {
        if (m_dialogs) {
            m_dialogs->UnregisterView();
            m_dialogs.reset();
        }
    });
    RunStep(QStringLiteral(" Unload privMgrData"), [&] {
        if (m_data) {
            m_data->ReleaseDataModel();
            m_data.reset();
        }
    });
    RunStep(QStringLiteral(" Unload privMgrApplications"), [&] {
        if (m_applications) {
            const auto applications = m_applications;
            m_applications.reset();
            applications->DestroyApplications();
        }
    });
    RunStep(QStringLiteral(" Unload privMgrSequence"), [&] {
        if (m_sequences) {
            m_sequences->Instance_Destroy();
            m_sequences.reset();
        }
    });
    RunStep(QStringLiteral(" Unload privChannelDataWarn"), [&] { ReleaseChannelDataWarning(); });
    RunStep(QStringLiteral(" Unload privAsyncHelper"), [&] { ReleaseAsyncHelper(); });
    RunStep(QStringLiteral(" Unload privWatchdog_Stop"), [&] { StopWatchdog(); });
    RunStep(QStringLiteral(" Unload Applet"), [&] { DestroyAppletHost(); });
    RunStep(QStringLiteral(" Unload global Object Pointer"), [&] {
        global::FdtFileParser().reset();
        global::ClearCurrentDtm(this);
    });
    if (m_lockCounter > 0) {
        RunStep(QStringLiteral(" IFdtContainer::UnlockDataset ") + m_systemTag, [&] {
            RequireContainer()->UnlockDataSet(m_systemTag);
            Debugging::TraceInfo(QStringLiteral("Sent : FdtContainer::UnlockDataSet"));
        });
    } else {
        Debugging::TraceInfo(QStringLiteral("Dataset not locked by this DTM. "));
    }
    RunStep(QStringLiteral(" IFdtEvents::OnPreparedToRelease ") + m_systemTag, [&] {
        const auto events = DtmEvents();
        if (!events)
            throw automation::ComError(kErrObjectNotSet, QStringLiteral("Object variable or With block variable not set"),
                                       kClassModule);
        events->OnPreparedToRelease(m_systemTag);
        Debugging::TraceInfo(QStringLiteral("Sent : IDtmEvents::OnPreparedToRelease"));
    });
    RunStep(QStringLiteral(" Release container"), [&] { m_container.reset(); });
    RunStep(QStringLiteral(" Unload XML Schema cache"), [] { XMLHelper::ReleaseSchemaCache(); });
    SetDtmStatus(DtmStatus::Inoperable);
}

void clsTkDispatcher::SendPreparedToReleaseCommunication()
{
    // The release this event announces is complete; a later connect must not
    // announce it again.
    m_releaseCommunicationPending = false;
    Publics::ShowBusy(0);
    try {
        const auto events = DtmEvents();
        if (!events)
            throw automation::ComError(kErrObjectNotSet, QStringLiteral("Object variable or With block variable not set"),
                                       kClassModule);
        events->OnPreparedToReleaseCommunication(m_systemTag);
        Debugging::TraceInfo(QStringLiteral("Sent : IDtmEvents::OnPreparedToReleaseCommunication"));
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
        Debugging::TraceError(QStringLiteral("Calling IDtmEvents::OnPreparedToReleaseCommunication failed!"));
    }
}

void clsTkDispatcher::StartWatchdog(int16_t kind, int32_t intervalMs)
{
    if (m_watchdog)
        m_watchdog->Unload();
    m_watchdog = std::make_shared<frmAsyncFunction>();
    const std::weak_ptr<clsTkDispatcher> weak = weak_from_this();
    m_watchdog->TimeoutOccured = [weak](int16_t value) {
        if (const auto self = weak.lock())
            self->privWatchdog_TimeoutOccured(value);
    };
    m_watchdog->StartTimeout(kind, intervalMs);
}

void clsTkDispatcher::StopWatchdog()
{
    if (!m_watchdog)
        return;
    m_watchdog->Unload();
    m_watchdog.reset();
}

void clsTkDispatcher::privWatchdog_TimeoutOccured(int16_t kind)
{
    const std::shared_ptr<clsTkDispatcher> keep = shared_from_this();
    StopWatchdog();
    if (kind == kWatchdogPrepareToRelease) {
        Debugging::TraceError(QStringLiteral("Call chain for function PrepareToRelease out of time!"));
        RunStep(QStringLiteral(" watchdog teardown"), [&] { privAsyncHelper_IDtmEvents_OnPreparedToRelease(); });
    }
}

void clsTkDispatcher::privMgrConnectStatus_Done(int32_t lastError)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsTkDispatcher::privMgrConnectStatus_Done ")
                         + (lastError == 0 ? QStringLiteral("(+)") : QStringLiteral("(-)")));
    if (m_releaseCommunicationPending) {
        if (m_connect)
            m_connect->SetActive(false);
        PostAsyncOperation(Op::PreparedToReleaseCommunication);
        // Acted on once: a later connect of a new communication must not
        // announce a release again.
        m_releaseCommunicationPending = false;
    }
    if (m_disconnectActive) {
        Debugging::TraceInfo(QStringLiteral("The Disconnect is complete now.."));
        m_disconnectActive = false;
    }
    if (m_unlocking) {
        Debugging::TraceInfo(QStringLiteral("EWAR: Save Request..."));
        FdtContainer_SaveRequest();
    }
}
