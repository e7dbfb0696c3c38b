#include "fennick/fdt/clsApplicationFunction.h"
#include "fennick/communication/clsFunctionSequence.h"
#include "fennick/dataset/clsChannelConfigurator.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/fdt/DtmGate.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/frmAsyncFunction.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/LoadResource.h"
#include "fennick/services/Publics.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <array>
#include <cmath>
#include <exception>

namespace {

// --- Command keywords --------------------------------------------------------------

struct KeywordRow {
    const char* keyword; // compared upper-cased
    int32_t type;
    bool hasGui;
};

constexpr std::array<KeywordRow, 12> kKeywords{{
    {"CONNECT", clsApplicationFunction::kConnect, false},
    {"DISCONNECT", clsApplicationFunction::kDisconnect, false},
    {"FNCCLOSEFORM", clsApplicationFunction::kCloseForm, false},
    {"FNCFORCESEQUENCE", clsApplicationFunction::kForceSequence, false},
    {"FNCSTARTFORM", clsApplicationFunction::kStartForm, true},
    {"STARTVIEW", clsApplicationFunction::kStartView, true},
    {"LOADFROMDATABASE", clsApplicationFunction::kLoadFromDatabase, false},
    {"LOADFROMDEVICE", clsApplicationFunction::kLoadFromDevice, false},
    {"SAVETODATABASE", clsApplicationFunction::kSaveToDatabase, false},
    {"SAVETODEVICE", clsApplicationFunction::kSaveToDevice, false},
    {"STARTSEQUENCE", clsApplicationFunction::kStartSequence, false},
    {"EXPORT", clsApplicationFunction::kExport, false},
}};

const KeywordRow* FindKeyword(const QString& keyword)
{
    const QString upper = keyword.toUpper();
    for (const KeywordRow& row : kKeywords)
        if (upper == QLatin1String(row.keyword))
            return &row;
    return nullptr;
}

// --- Access rules -------------------------------------------------------------------

constexpr uint32_t Bit(int32_t n)
{
    return n >= 0 && n < 32 ? (1u << n) : 0u;
}
bool Has(uint32_t mask, int32_t n)
{
    return (mask & Bit(n)) != 0;
}

constexpr int32_t kPhaseEngineering = 1;

// Who may see a function of a type, and whether the engineering phase hides it.
// Types without a row (5, 12, and everything outside 1 to 14) are always hidden.
struct TypeAccessRow {
    int32_t type;
    uint32_t userLevels; // bits of the user levels 0 to 3
    bool hiddenInEngineering;
};

constexpr uint32_t kOperatorAndUp = Bit(1) | Bit(2) | Bit(3);
constexpr uint32_t kMaintenanceAndUp = Bit(2) | Bit(3);

constexpr std::array<TypeAccessRow, 12> kTypeAccess{{
    {clsApplicationFunction::kConnect, kOperatorAndUp, true},
    {clsApplicationFunction::kDisconnect, kOperatorAndUp, true},
    {clsApplicationFunction::kCloseForm, kOperatorAndUp, false},
    {clsApplicationFunction::kForceSequence, kOperatorAndUp, true},
    {clsApplicationFunction::kStartForm, kOperatorAndUp, false},
    {clsApplicationFunction::kStartView, kOperatorAndUp, false},
    {clsApplicationFunction::kLoadFromDatabase, kOperatorAndUp, false},
    {clsApplicationFunction::kLoadFromDevice, kMaintenanceAndUp, true},
    {clsApplicationFunction::kSaveToDatabase, kOperatorAndUp, false},
    {clsApplicationFunction::kSaveToDevice, kMaintenanceAndUp, true},
    {clsApplicationFunction::kStartSequence, kOperatorAndUp, true},
    {clsApplicationFunction::kExport, kOperatorAndUp, true},
}};

const TypeAccessRow* FindTypeAccess(int32_t type)
{
    for (const TypeAccessRow& row : kTypeAccess)
        if (row.type == type)
            return &row;
    return nullptr;
}

// The DTM statuses in which an enabled menu function stays enabled, by type.
struct StatusEnableRow {
    int32_t status;
    uint32_t types; // bits of the function types
};

constexpr std::array<StatusEnableRow, 3> kStatusEnable{{
    {DtmStatus::Configured,
     Bit(clsApplicationFunction::kCloseForm) | Bit(clsApplicationFunction::kStartForm)
         | Bit(clsApplicationFunction::kStartView) | Bit(clsApplicationFunction::kLoadFromDatabase)
         | Bit(clsApplicationFunction::kSaveToDatabase) | Bit(clsApplicationFunction::kExport)},
    {DtmStatus::CommunicationSet,
     Bit(clsApplicationFunction::kConnect) | Bit(clsApplicationFunction::kCloseForm)
         | Bit(clsApplicationFunction::kStartForm) | Bit(clsApplicationFunction::kStartView)
         | Bit(clsApplicationFunction::kLoadFromDatabase) | Bit(clsApplicationFunction::kSaveToDatabase)
         | Bit(clsApplicationFunction::kExport)},
    {DtmStatus::Online,
     Bit(clsApplicationFunction::kDisconnect) | Bit(clsApplicationFunction::kCloseForm)
         | Bit(clsApplicationFunction::kForceSequence) | Bit(clsApplicationFunction::kStartForm)
         | Bit(clsApplicationFunction::kStartView) | Bit(clsApplicationFunction::kLoadFromDevice)
         | Bit(clsApplicationFunction::kSaveToDevice) | Bit(clsApplicationFunction::kStartSequence)
         | Bit(clsApplicationFunction::kExport)},
}};

bool StaysEnabledInStatus(int32_t status, int32_t type)
{
    for (const StatusEnableRow& row : kStatusEnable)
        if (row.status == status)
            return Has(row.types, type);
    return false;
}

// When an FDT application may start. Application ids without a row never start.
struct ApplicationStartRow {
    int32_t applicationId;
    bool always;
    uint32_t phases;     // bits of the operation phases 0 to 3
    uint32_t statuses;   // bits of the DTM statuses
    uint32_t userLevels; // bits of the user levels 0 to 3
};

constexpr uint32_t kOnlineStatuses = Bit(DtmStatus::CommunicationSet) | Bit(DtmStatus::GoingOnline)
                                     | Bit(DtmStatus::GoingOffline) | Bit(DtmStatus::Online);
constexpr int32_t kFdtConfiguration = 4;

constexpr std::array<ApplicationStartRow, 8> kApplicationStart{{
    {0, true, 0, 0, 0},
    {1, false, Bit(0) | Bit(2) | Bit(3), kOnlineStatuses, kOperatorAndUp},  // fdtAdjustSetValue
    {5, false, Bit(0) | Bit(2) | Bit(3), kOnlineStatuses, kOperatorAndUp},  // fdtDiagnosis
    {8, false, Bit(0) | Bit(2) | Bit(3), kOnlineStatuses, kOperatorAndUp},  // fdtObserve
    {kFdtConfiguration, false, Bit(0) | Bit(1), Bit(DtmStatus::Configured), Bit(3)},
    {6, false, Bit(0) | Bit(2), kOnlineStatuses, kOperatorAndUp},           // fdtForce
    {12, false, Bit(0) | Bit(2), kOnlineStatuses, kOperatorAndUp},          // fdtOnlineParameterize
    {10, false, Bit(0) | Bit(2), Bit(DtmStatus::Configured) | Bit(DtmStatus::CommunicationSet),
     kMaintenanceAndUp},                                                    // fdtOfflineParameterize
}};

// The applications that connect the device when they start.
constexpr uint32_t kOnlineApplications = Bit(1) | Bit(5) | Bit(6) | Bit(8) | Bit(12);

// The bit of an application in "&&private_FDT&&EngineeringContext".
struct EngineeringBitRow {
    int32_t applicationId;
    uint32_t bit;
};

constexpr std::array<EngineeringBitRow, 7> kEngineeringBits{{
    {4, 2},   // fdtConfiguration
    {10, 2},  // fdtOfflineParameterize
    {5, 8},   // fdtDiagnosis
    {6, 128}, // fdtForce
    {7, 16},  // fdtManagement
    {8, 32},  // fdtObserve
    {12, 4},  // fdtOnlineParameterize
}};

uint32_t EngineeringBit(int32_t applicationId)
{
    for (const EngineeringBitRow& row : kEngineeringBits)
        if (row.applicationId == applicationId)
            return row.bit;
    return 0;
}

// The bus categories of datasets whose modules are configured before the
// configuration application runs.
const QString kModularBusCategories[] = {QStringLiteral("036D1497-387B-11D4-86E1-00E0987270B9"),
                                         QStringLiteral("036D1499-387B-11D4-86E1-00E0987270B9")};

const QString kMenuStatePrefix = QStringLiteral("&&Menu_State&&");
const QString kMessageItem = QStringLiteral("&&private&&Message");
const QString kEngineeringContextItem = QStringLiteral("&&private_FDT&&EngineeringContext");
const QString kActiveFormsItem = QStringLiteral("&&private_FDT&&ActiveForms");
const QString kCloseFormMessage = QStringLiteral("FNCCLOSEFORM");
const QString kExportName = QStringLiteral("Export");

constexpr int32_t kMenuVisible = 1;
constexpr int32_t kMenuEnabled = 2;
constexpr int32_t kMenuChecked = 4;
constexpr int32_t kExportMenuState = kMenuVisible | kMenuEnabled;
// "&&private_FDT&&EngineeringContext" with every bit set is not a valid mask.
constexpr uint32_t kEngineeringContextInvalid = 0xFFFFFFFFu;
constexpr int16_t kTextDeviceNotConnected = 5001;
constexpr int32_t kResultFailed = 1;

// Notifications the function does not act on as changes.
constexpr int32_t kIgnoredStateBits =
    applet::StateInfo::kShadowOnly | applet::StateInfo::kRefresh | applet::StateInfo::kNoRules;

int32_t CurrentDtmStatus()
{
    const auto dtm = global::CurrentDtm();
    return dtm ? dtm->GetDtmStatus() : -1;
}

int32_t CurrentUserLevel()
{
    const int32_t level = global::FdtUserLevel();
    return level >= 0 && level <= 3 ? level : 0;
}

// Runs an operation whose run-time error must end here, traced.
template <class Work>
bool Trapped(const QString& source, Work&& work)
{
    try {
        work();
        return true;
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error.number(), error.description(), source);
    } catch (const std::exception& error) {
        Debugging::TraceRuntimeError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()), source);
    }
    return false;
}

} // namespace

// --- Creation and description ----------------------------------------------------------

clsApplicationFunction::clsApplicationFunction()
{
    ResetFunction();
}

clsApplicationFunction::~clsApplicationFunction() = default;

std::shared_ptr<clsApplicationFunction> clsApplicationFunction::Create()
{
    return std::shared_ptr<clsApplicationFunction>(new clsApplicationFunction());
}

void clsApplicationFunction::ResetFunction()
{
    m_type = -1;
    m_keyword.clear();
    m_argument.clear();
    m_label.clear();
    m_help.clear();
    m_menuStateItem.clear();
    m_menuNumber = 0;
    m_functionId = QStringLiteral("-1");
    m_hasGui = false;
    m_invokeId.clear();
    m_callback.reset();
    m_callbackSet = false;
    m_phase = 0;
    m_formStarted = false;
    m_lockHeld = false;
    m_itemManager.reset();
    m_viewHandle = -1;
    m_hdlMenuState = -1;
    m_hdlMessage = -1;
    m_hdlEngineeringContext = -1;
    m_hdlActiveForms = -1;
}

std::shared_ptr<applet::AppletHost> clsApplicationFunction::Host() const
{
    std::shared_ptr<applet::AppletHost> host;
    if (m_itemManager)
        m_itemManager->GetApplet(host);
    return host ? host : global::AppletHost();
}

int32_t clsApplicationFunction::RegisterAsView()
{
    const auto manager = global::AppletItemManager();
    if (!manager) {
        Debugging::TraceError(QStringLiteral("clsApplicationFunction: no applet item manager to register ")
                              + CommandLine());
        return kResultFailed;
    }
    int32_t result = kResultFailed;
    manager->RegisterView(shared_from_this(), result);
    if (result != 0) {
        Debugging::TraceError(QStringLiteral("clsApplicationFunction: View registration of %1 failed (0x%2)")
                                  .arg(CommandLine())
                                  .arg(static_cast<uint32_t>(result), 8, 16, QLatin1Char('0')));
        // A function that is not used must not stay behind as a view.
        if (manager->IsRegistered(this)) {
            int32_t unregistered = 0;
            manager->UnregisterView(this, unregistered);
        }
        m_itemManager.reset();
    }
    return result;
}

int32_t clsApplicationFunction::InitFromMenuEntry(int32_t entryHandle, int32_t id)
{
    QString name;
    if (id == kExportMenuId) {
        name = kExportName;
        m_functionId = QString::number(kExportMenuId);
        m_label = kExportName;
        m_help = kExportName;
        m_keyword = kExportName;
        m_argument.clear();
    } else {
        const auto manager = global::AppletItemManager();
        std::shared_ptr<applet::TdxFileParser> parser;
        if (manager)
            manager->GetDataDictionary(parser);
        if (!parser) {
            Debugging::TraceError(QStringLiteral("InitFromMenuEntry: no TDX-file parser for menu entry %1")
                                      .arg(entryHandle));
            return kResultFailed;
        }
        QString label;
        QString help;
        QString command;
        int32_t number = 0;
        int32_t failed = 0;
        parser->fncGetMenuEntry(entryHandle, name, label, help, command, number, failed);
        if (failed != 0) {
            Debugging::TraceError(QStringLiteral("InitFromMenuEntry: menu entry %1 not readable (0x%2)")
                                      .arg(entryHandle)
                                      .arg(static_cast<uint32_t>(failed), 8, 16, QLatin1Char('0')));
            return failed;
        }
        name = name.trimmed();
        m_functionId = QString::number(id);
        m_label = label.trimmed();
        const qsizetype ampersand = m_label.indexOf(QLatin1Char('&'));
        if (ampersand >= 0)
            m_label.remove(ampersand, 1);
        m_help = help.trimmed();
        m_menuNumber = number;
        // Left-trimmed: the keyword starts at the first non-blank.
        qsizetype first = 0;
        while (first < command.size() && command.at(first).isSpace())
            ++first;
        command = command.mid(first);
        const qsizetype blank = command.indexOf(QLatin1Char(' '));
        if (blank >= 0) {
            m_keyword = command.left(blank);
            m_argument = command.mid(blank + 1);
        } else {
            m_keyword = command;
            m_argument.clear();
        }
    }
    const KeywordRow* row = FindKeyword(m_keyword);
    m_type = row ? row->type : kUnknown;
    m_hasGui = row && row->hasGui;
    if (!row) {
        Debugging::TraceError(QStringLiteral("Unknown/not supported menu function >>") + m_keyword
                              + QStringLiteral("<< in TDX file!"));
        return kResultFailed;
    }
    m_menuStateItem = kMenuStatePrefix + name;
    return RegisterAsView();
}

int32_t clsApplicationFunction::InitStartForm(const QString& name)
{
    m_keyword = QStringLiteral("FNCSTARTFORM");
    m_type = kStartForm;
    m_hasGui = true;
    m_argument = name.toUpper();
    m_menuStateItem.clear();
    return RegisterAsView();
}

QString clsApplicationFunction::CommandLine() const
{
    return m_keyword + QLatin1Char(' ') + m_argument;
}
QString clsApplicationFunction::FunctionId() const
{
    return m_functionId;
}
void clsApplicationFunction::SetFunctionId(const QString& id)
{
    m_functionId = id;
}
QString clsApplicationFunction::InvokeId() const
{
    return m_invokeId;
}
bool clsApplicationFunction::HasGUI() const
{
    return m_hasGui;
}
QString clsApplicationFunction::Label() const
{
    return m_label;
}
QString clsApplicationFunction::Help() const
{
    return m_help;
}
int32_t clsApplicationFunction::Type() const
{
    return m_type;
}
QString clsApplicationFunction::Argument() const
{
    return m_argument;
}
QString clsApplicationFunction::MenuStateItemName() const
{
    return m_menuStateItem;
}

int32_t clsApplicationFunction::MenuState()
{
    if (m_type == kExport)
        return kExportMenuState;
    if (!m_itemManager || m_hdlMenuState == -1)
        return 0;
    double value = 0;
    int32_t failed = 0;
    m_itemManager->fncGetUIntValue(m_hdlMenuState, value, failed);
    if (failed != 0 || !std::isfinite(value)) {
        Debugging::TraceReadFailed(m_menuStateItem);
        return 0;
    }
    return static_cast<int32_t>(static_cast<int64_t>(value) & 0x7FFFFFFF);
}

// --- Access rules ----------------------------------------------------------------------

void clsApplicationFunction::GetAccessState(int32_t dtmStatus, int32_t userLevel, int32_t phase, bool& hidden,
                                            bool& enabled, bool& running)
{
    hidden = false;
    enabled = false;
    running = false;
    const bool isExport = m_type == kExport;
    const int32_t menuState = isExport ? kExportMenuState : MenuState();
    if (!isExport)
        hidden = (menuState & kMenuVisible) == 0;
    const TypeAccessRow* access = FindTypeAccess(m_type);
    if (!hidden)
        hidden = !access || !Has(access->userLevels, userLevel >= 0 && userLevel <= 3 ? userLevel : 0);
    if (!hidden)
        hidden = access->hiddenInEngineering && phase == kPhaseEngineering;
    if (hidden)
        return;
    running = !m_invokeId.isEmpty() || (menuState & kMenuChecked) != 0;
    enabled = isExport || (menuState & kMenuEnabled) != 0;
    if (enabled)
        enabled = StaysEnabledInStatus(dtmStatus, m_type);
}

bool clsApplicationFunction::Function_ExecutionAllowed(int32_t phase)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::Function_ExecutionAllowed"));
    if (EWAR::GetEWAR() < 0) {
        EWAR::ReportLockNotAvailable(QStringLiteral("Function_ExecutionAllowed "));
        return false;
    }
    bool hidden = false;
    bool enabled = false;
    bool running = false;
    GetAccessState(CurrentDtmStatus(), CurrentUserLevel(), phase, hidden, enabled, running);
    return enabled;
}

bool clsApplicationFunction::Application_StartAllowed(int32_t applicationId, int32_t phase)
{
    Debugging::TraceInfo(QStringLiteral("clsApplicationFunction.Application_StartAllowed"));
    if (EWAR::GetEWAR() < 0) {
        EWAR::ReportLockNotAvailable(QStringLiteral("Application_StartAllowed"));
        return false;
    }
    if (applicationId == kFdtConfiguration)
        Debugging::TraceInfo(QStringLiteral("The operation phase is set as : ") + QString::number(phase));
    for (const ApplicationStartRow& row : kApplicationStart) {
        if (row.applicationId != applicationId)
            continue;
        if (row.always)
            return true;
        return Has(row.phases, phase) && Has(row.statuses, CurrentDtmStatus())
               && Has(row.userLevels, CurrentUserLevel());
    }
    return false;
}

// --- The applet's view ---------------------------------------------------------------------

void clsApplicationFunction::RegisterOwnItem(const QString& name, int32_t& handle)
{
    int32_t failed = 0;
    handle = -1;
    m_itemManager->RegisterItem(name, false, m_viewHandle, handle, 0, 0, failed);
    if (failed != 0) {
        handle = -1;
        Debugging::TraceRegistrationFailed(name);
    }
}

void clsApplicationFunction::SetAppletItemManagRef(int32_t lViewHandle,
                                                   const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                                   int32_t& result)
{
    result = 0;
    m_viewHandle = lViewHandle;
    m_itemManager = manager;
    if (!m_itemManager)
        return;
    // The export's menu state is fixed; the applet has no item for it.
    if (!m_menuStateItem.isEmpty() && m_type != kExport)
        RegisterOwnItem(m_menuStateItem, m_hdlMenuState);
    RegisterOwnItem(kMessageItem, m_hdlMessage);
    RegisterOwnItem(kEngineeringContextItem, m_hdlEngineeringContext);
    // Without the applet's messages a closed form shows in the count of open forms.
    if (m_hdlMessage == -1)
        RegisterOwnItem(kActiveFormsItem, m_hdlActiveForms);
}

void clsApplicationFunction::Show(int32_t& result)
{
    result = 1;
}

void clsApplicationFunction::Hide(int32_t& result)
{
    result = 1;
}

void clsApplicationFunction::Destroy(int32_t& result)
{
    if (m_itemManager && m_hdlMenuState != -1) {
        int32_t failed = 0;
        m_itemManager->UnregisterItem(m_viewHandle, m_hdlMenuState, false, failed);
    }
    m_itemManager.reset();
    ReleaseFunction();
    result = 0;
}

void clsApplicationFunction::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t,
                                           int32_t& result)
{
    // A completion may let the manager drop this function.
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    if (!m_itemManager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    Trapped(QStringLiteral("clsApplicationFunction.View_NotifyChanged"), [&] {
        if ((lStateInfo & kIgnoredStateBits) == 0 && lAppletItemHandle > 0) {
            if (lAppletItemHandle == m_hdlMenuState)
                OnMenuStateChanged();
            else if (lAppletItemHandle == m_hdlMessage)
                OnMessageChanged();
            else if (lAppletItemHandle == m_hdlActiveForms)
                OnActiveFormsChanged();
        }
        if (lAppletItemHandle > 0 && lAppletItemHandle == m_hdlEngineeringContext
            && (lStateInfo & applet::StateInfo::kRefresh) != 0)
            OnEngineeringContextChanged();
    });
}

void clsApplicationFunction::OnMenuStateChanged()
{
    double previous = 0;
    double current = 0;
    int32_t failedPrevious = 0;
    int32_t failedCurrent = 0;
    m_itemManager->GetPreviousUIntValue(m_hdlMenuState, previous, failedPrevious);
    m_itemManager->fncGetUIntValue(m_hdlMenuState, current, failedCurrent);
    if (failedPrevious != 0 || failedCurrent != 0) {
        Debugging::TraceReadFailed(m_menuStateItem);
        return;
    }
    if (previous != current) {
        if (const auto dtm = global::CurrentDtm())
            dtm->SendFunctionChanged();
    }
}

void clsApplicationFunction::OnMessageChanged()
{
    QString text;
    int32_t failed = 0;
    m_itemManager->GetStringValue(m_hdlMessage, text, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(kMessageItem);
        return;
    }
    // Only a function with a window closes with it; the message names the
    // window, so a function without an argument can never match.
    if (text.isEmpty() || !m_hasGui || m_argument.isEmpty())
        return;
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.at(0).toUpper() != kCloseFormMessage)
        return;
    if (parts.at(1).toUpper().contains(m_argument.toUpper()))
        Function_FinishedApplication();
}

void clsApplicationFunction::OnActiveFormsChanged()
{
    double value = 0;
    int32_t failed = 0;
    m_itemManager->fncGetUIntValue(m_hdlActiveForms, value, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(kActiveFormsItem);
        return;
    }
    if (value == 0 && m_formStarted) {
        m_formStarted = false;
        Function_FinishedApplication();
    }
}

bool clsApplicationFunction::ReadEngineeringContext(uint32_t& value)
{
    double number = 0;
    int32_t failed = 1;
    if (m_itemManager && m_hdlEngineeringContext != -1)
        m_itemManager->fncGetUIntValue(m_hdlEngineeringContext, number, failed);
    if (failed != 0 || !std::isfinite(number)) {
        Debugging::TraceReadFailed(kEngineeringContextItem);
        return false;
    }
    // The applet may keep the mask in a signed item: -1 is every bit set.
    if (number < 0)
        value = static_cast<uint32_t>(static_cast<int64_t>(number) & 0xFFFFFFFF);
    else if (number >= static_cast<double>(kEngineeringContextInvalid))
        value = kEngineeringContextInvalid;
    else
        value = static_cast<uint32_t>(number);
    return true;
}

bool clsApplicationFunction::WriteEngineeringContext(uint32_t value)
{
    double number = value;
    const applet::AppletItem* item = m_itemManager ? m_itemManager->Item(m_hdlEngineeringContext) : nullptr;
    if (item && item->Type() == applet::ItemType::Int)
        number = static_cast<int32_t>(value);
    int32_t failed = 1;
    if (item)
        m_itemManager->fncPutUintValue(m_hdlEngineeringContext, number, failed);
    return failed == 0;
}

void clsApplicationFunction::SetEngineeringContext(int32_t applicationId, bool active)
{
    const uint32_t bit = EngineeringBit(applicationId);
    if (bit == 0)
        return;
    uint32_t value = 0;
    if (!ReadEngineeringContext(value))
        return;
    const uint32_t changed = active ? (value | bit) : (value & ~bit);
    if (changed != value && !WriteEngineeringContext(changed))
        Debugging::TraceError(QStringLiteral("Unable to write ") + kEngineeringContextItem);
}

void clsApplicationFunction::OnEngineeringContextChanged()
{
    uint32_t value = 0;
    if (!ReadEngineeringContext(value))
        return;
    if (value >= kEngineeringContextInvalid && !WriteEngineeringContext(0))
        Debugging::TraceWriteFailed(kEngineeringContextItem);
}

// --- Execution -------------------------------------------------------------------------------

void clsApplicationFunction::KeepRun(const QString& invokeId, const std::shared_ptr<clsIEventFinished>& callback)
{
    m_invokeId = invokeId;
    m_callback = callback;
    m_callbackSet = callback != nullptr;
}

void clsApplicationFunction::ClearRun()
{
    m_invokeId.clear();
    m_callback.reset();
    m_callbackSet = false;
}

bool clsApplicationFunction::Function_Execute(const QString& invokeId,
                                              const std::shared_ptr<clsIEventFinished>& callback, int32_t phase,
                                              bool partOfApplication, bool lockHeld)
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::Function_Execute ") + CommandLine());
    // A window function asked again under the invoke id it runs with shows its
    // window again; that run keeps the lock of the first one.
    bool rerun = false;
    if (!partOfApplication) {
        if (!Function_ExecutionAllowed(phase))
            return false;
        if (!m_invokeId.isEmpty()) {
            if (!m_hasGui || m_invokeId.toUpper() != invokeId.toUpper()) {
                Debugging::TraceInfo(QStringLiteral("Function_Execute refused: %1 runs for invoke id %2")
                                         .arg(CommandLine(), m_invokeId));
                return false;
            }
            rerun = true;
        }
    }
    bool locked = false;
    if (!lockHeld && !rerun) {
        Trapped(QStringLiteral("clsApplicationFunction.Function_Execute"),
                [&] { locked = EWAR::IncrementEWAR(QStringLiteral("Function_Execute ")); });
        if (!locked) {
            ClearRun();
            return false;
        }
    }
    KeepRun(invokeId, callback);
    bool result = false;
    Trapped(QStringLiteral("clsApplicationFunction.Function_Execute"), [&] {
        switch (m_type) {
        case kConnect:
            result = ExecuteConnect(true);
            break;
        case kDisconnect:
            result = ExecuteConnect(false);
            break;
        case kCloseForm:
        case kStartForm:
        case kStartView:
        case kLoadFromDatabase:
        case kSaveToDatabase:
            QueueAsyncOperation(static_cast<int16_t>(m_type));
            result = true;
            break;
        case kForceSequence:
        case kLoadFromDevice:
        case kSaveToDevice:
        case kStartSequence:
        case kExport:
            result = ExecuteSequence(m_type);
            break;
        case 5:
        case 12:
            result = true;
            break;
        default:
            Debugging::TraceError(QStringLiteral("Function_Execute: no operation for function type %1").arg(m_type));
            break;
        }
    });
    if (result) {
        if (const auto dtm = global::CurrentDtm())
            dtm->SendFunctionChanged();
        return true;
    }
    Debugging::TraceError(QStringLiteral("clsApplicationFunction.Function_Execute FAILED"));
    if (locked)
        EWAR::DecrementEWAR(QStringLiteral("clsApplicationFunction.Function_Execute "));
    if (!rerun)
        ClearRun();
    return false;
}

bool clsApplicationFunction::ExecuteConnect(bool connect)
{
    const auto object = std::make_shared<clsFunctionConnect>();
    object->SetDoneHandler([weak = weak_from_this(), raw = object.get()](int32_t lastError) {
        const auto self = weak.lock();
        if (self && self->m_execConnect.get() == raw)
            self->privExecConnect_Done(lastError);
    });
    if (m_execConnect)
        m_execConnect->Instance_Destroy();
    m_execConnect = object;
    int32_t registered = kResultFailed;
    if (m_itemManager)
        m_itemManager->RegisterView(object, registered);
    int32_t result = kResultFailed;
    if (registered == 0)
        Trapped(QStringLiteral("clsApplicationFunction.ExecuteConnect"),
                [&] { result = connect ? object->Connect() : object->Disconnect(); });
    else
        Debugging::TraceError(QStringLiteral("ExecuteConnect: Unable to establish connect view!"));
    if (m_execConnect != object)
        return true; // the request ended already and its end was reported
    if (registered != 0 || result != 0) {
        object->Instance_Destroy();
        m_execConnect.reset();
        return false;
    }
    // A request for the state the applet is in already changes nothing, so
    // no state change would ever end it.
    const int32_t state = object->GetConnectState();
    if ((connect && state == applet::ConnectState::Connected)
        || (!connect && state == applet::ConnectState::NotConnected))
        privExecConnect_Done(0);
    return true;
}

bool clsApplicationFunction::ExecuteSequence(int32_t type)
{
    if (type == kExport) {
        // The export reports its end once, after the file step.
        const bool ok = WriteExportXML();
        Function_FinishedFunction(ok);
        return true;
    }
    const auto sequence = std::make_shared<clsFunctionSequence>();
    sequence->SetDoneHandler([weak = weak_from_this(), raw = sequence.get()](int32_t lastError) {
        const auto self = weak.lock();
        if (self && self->m_sequence.get() == raw)
            self->privExecSequence_Done(lastError);
    });
    if (m_sequence)
        m_sequence->Instance_Destroy();
    m_sequence = sequence;
    int32_t registered = kResultFailed;
    if (m_itemManager)
        m_itemManager->RegisterView(sequence, registered);
    if (registered != 0) {
        Debugging::TraceError(QStringLiteral("ExecuteSequence: Unable to establish sequence view!"));
        sequence->Instance_Destroy();
        m_sequence.reset();
        return false;
    }
    int32_t start = clsFunctionSequence::kRefused;
    Trapped(QStringLiteral("clsApplicationFunction.ExecuteSequence"), [&] {
        switch (type) {
        case kForceSequence:
            start = sequence->ForceSequence(m_argument);
            break;
        case kLoadFromDevice:
            start = sequence->Upload();
            break;
        case kSaveToDevice:
            start = sequence->Download();
            break;
        case kStartSequence:
            start = sequence->StartSequence(m_argument);
            break;
        default:
            break;
        }
    });
    if (m_sequence != sequence)
        return true; // the sequence ended already and its end was reported
    if (start != clsFunctionSequence::kStarted) {
        Debugging::TraceError(QStringLiteral("ExecuteSequence: %1 not started (0x%2)")
                                  .arg(CommandLine())
                                  .arg(static_cast<uint32_t>(start), 8, 16, QLatin1Char('0')));
        sequence->Instance_Destroy();
        m_sequence.reset();
        return false;
    }
    return true;
}

void clsApplicationFunction::QueueAsyncOperation(int16_t code)
{
    if (!m_asyncHelper) {
        m_asyncHelper = std::make_shared<frmAsyncFunction>();
        m_asyncHelper->DoAsyncOperation = [weak = weak_from_this()](int16_t functionId) {
            if (const auto self = weak.lock())
                self->privAsyncHelper_DoAsyncOperation(functionId);
        };
    }
    m_asyncHelper->PostFunction(code);
}

void clsApplicationFunction::privAsyncHelper_DoAsyncOperation(int16_t code)
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    if (m_asyncHelper && m_asyncHelper->PendingCount() == 0) {
        m_asyncHelper->Unload();
        m_asyncHelper.reset();
    }
    bool ok = false;
    const auto host = Host();
    if (!host) {
        Debugging::TraceError(QStringLiteral("Deferred operation %1 of %2: no applet host").arg(code).arg(CommandLine()));
    } else {
        Trapped(QStringLiteral("clsApplicationFunction.privAsyncHelper_DoAsyncOperation"), [&] {
            int32_t result = kResultFailed;
            switch (code) {
            case kCloseForm:
                host->fncCloseForm(m_argument, result);
                break;
            case kStartForm:
            case kStartView:
                // Started as a single view so that its closing is announced
                // ("FNCCLOSEFORM:" + name) like a form's.
                m_formStarted = true;
                host->StartSingleView(m_argument, result);
                break;
            case kLoadFromDatabase:
                host->LoadFromDatabase(0, result);
                break;
            case kSaveToDatabase:
                host->SaveToDatabase(0, result);
                break;
            default:
                Debugging::TraceError(QStringLiteral("Deferred operation %1 is not known").arg(code));
                return;
            }
            ok = result == 0;
            if (!ok)
                Debugging::TraceError(QStringLiteral("Deferred operation of %1 failed (0x%2)")
                                          .arg(CommandLine())
                                          .arg(static_cast<uint32_t>(result), 8, 16, QLatin1Char('0')));
        });
    }
    if (!m_hasGui) {
        Function_FinishedFunction(ok);
    } else if (!ok && (code == kStartForm || code == kStartView)) {
        // No window opened, so none will close: the run ends here.
        m_formStarted = false;
        Function_FinishedApplication();
    }
}

bool clsApplicationFunction::SaveAppletData(int16_t code)
{
    if (code != kSaveToDatabase)
        return false;
    const auto host = Host();
    int32_t result = kResultFailed;
    if (host)
        Trapped(QStringLiteral("clsApplicationFunction.SaveAppletData"), [&] { host->SaveToDatabase(0, result); });
    if (result != 0)
        Debugging::TraceError(QStringLiteral("SaveAppletData: the applet data were not saved (0x%1)")
                                  .arg(static_cast<uint32_t>(result), 8, 16, QLatin1Char('0')));
    return result == 0;
}

bool clsApplicationFunction::Application_Start(const QString& invokeId, int32_t applicationId,
                                               const std::shared_ptr<clsIEventFinished>& callback, int32_t phase,
                                               bool& first, bool alreadyRunning)
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("The operation phase is set as : ") + QString::number(phase));
    Debugging::TraceInfo(QStringLiteral("The Function ID is set as : ") + QString::number(applicationId));
    if (!Application_StartAllowed(applicationId, phase))
        return false;
    bool result = false;
    const auto dtm = global::CurrentDtm();
    const auto data = dtm ? dtm->DataManager() : nullptr;
    bool configureFirst = false;
    if (first && applicationId == kFdtConfiguration && data) {
        const QString bus = data->GetBusCategory();
        bool modular = false;
        for (const QString& category : kModularBusCategories)
            modular = modular || bus.compare(category, Qt::CaseInsensitive) == 0;
        configureFirst = modular && data->GetModulesState() == 0;
    }
    if (configureFirst) {
        first = false;
        bool lock = alreadyRunning;
        if (!lock)
            Trapped(QStringLiteral("clsApplicationFunction.Application_Start"),
                    [&] { lock = EWAR::IncrementEWAR(QStringLiteral("Application_Start ")); });
        if (lock)
            StartChannelConfigurator(invokeId, callback, phase, alreadyRunning);
        result = lock;
    } else if (Has(kOnlineApplications, applicationId)) {
        result = Function_Execute(invokeId, callback, phase, true, alreadyRunning);
        const int32_t status = CurrentDtmStatus();
        if (result && status != DtmStatus::GoingOnline && status != DtmStatus::Online)
            StartAutoConnect();
    } else {
        // One lock per running application: a start while it runs (or of its
        // further functions) goes on under the lock its first start took,
        // since its closing gives back only one.
        result = Function_Execute(invokeId, callback, phase, true, alreadyRunning);
    }
    if (result)
        SetEngineeringContext(applicationId, true);
    return result;
}

void clsApplicationFunction::StartAutoConnect()
{
    if (m_autoConnect)
        return; // a connect of this application is on its way
    const auto object = std::make_shared<clsFunctionConnect>();
    object->SetDoneHandler([weak = weak_from_this(), raw = object.get()](int32_t lastError) {
        const auto self = weak.lock();
        if (self && self->m_autoConnect.get() == raw)
            self->privAutoConnect_Done(lastError);
    });
    m_autoConnect = object;
    int32_t registered = kResultFailed;
    if (m_itemManager)
        m_itemManager->RegisterView(object, registered);
    if (registered != 0) {
        Debugging::TraceError(QStringLiteral("Application_Start: Unable to establish connect view!"));
        object->Instance_Destroy();
        m_autoConnect.reset();
        return;
    }
    int32_t result = kResultFailed;
    Trapped(QStringLiteral("clsApplicationFunction.Application_Start"), [&] { result = object->Connect(); });
    if (m_autoConnect != object)
        return; // the connect ended already
    if (result == 0 && object->GetConnectState() == applet::ConnectState::Connected) {
        // Connected already: nothing to wait for.
        object->Instance_Destroy();
        m_autoConnect.reset();
        return;
    }
    if (result != 0) {
        object->Instance_Destroy();
        m_autoConnect.reset();
        // The application runs on without the device; the user learns why.
        Debugging::TraceError(QStringLiteral("Application_Start: the automatic connect was refused (0x%1)")
                                  .arg(static_cast<uint32_t>(result), 8, 16, QLatin1Char('0')));
        if (const auto dtm = global::CurrentDtm())
            dtm->SendErrorMessage(LoadResource::GetResourceString(kTextDeviceNotConnected));
        return;
    }
    Publics::ShowBusy(-1);
}

void clsApplicationFunction::DestroyAutoConnect()
{
    if (!m_autoConnect)
        return;
    const auto object = m_autoConnect;
    m_autoConnect.reset();
    object->Instance_Destroy();
    Publics::ShowBusy(0);
}

void clsApplicationFunction::StartChannelConfigurator(const QString& invokeId,
                                                      const std::shared_ptr<clsIEventFinished>& callback,
                                                      int32_t phase, bool lockHeld)
{
    m_phase = phase;
    KeepRun(invokeId, callback);
    if (m_channelConfigurator)
        return;
    const auto configurator = std::make_shared<clsChannelConfigurator>();
    configurator->SetDoneHandler([weak = weak_from_this(), raw = configurator.get()](int32_t success) {
        const auto self = weak.lock();
        if (self && self->m_channelConfigurator.get() == raw)
            self->privChannelConfigurator_Done(success);
    });
    // Known before it registers: the dialog may end inside the registration.
    m_channelConfigurator = configurator;
    m_lockHeld = lockHeld;
    int32_t registered = kResultFailed;
    if (m_itemManager)
        m_itemManager->RegisterView(configurator, registered);
    if (registered != 0 && m_channelConfigurator == configurator) {
        // No dialog: the application runs with the configuration it has.
        Debugging::TraceError(QStringLiteral("Application_Start: Unable to open the channel configuration!"));
        privChannelConfigurator_Done(1);
    }
}

void clsApplicationFunction::privChannelConfigurator_Done(int32_t result)
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::privChannelConfigurator_Done"));
    if (m_channelConfigurator) {
        const auto configurator = m_channelConfigurator;
        m_channelConfigurator.reset();
        configurator->CloseConfigurator();
    }
    const auto dtm = global::CurrentDtm();
    if (result == 0) {
        if (const auto data = dtm ? dtm->DataManager() : nullptr) {
            Trapped(QStringLiteral("clsApplicationFunction.privChannelConfigurator_Done"), [&] {
                data->UpdateBusMasterConfiguration();
                data->SetDataSetStates(QStringLiteral("transient"), QStringLiteral("validModified "));
            });
        }
    }
    const QString invokeId = m_invokeId;
    const std::shared_ptr<clsIEventFinished> callback = m_callback.lock();
    const bool lockHeld = m_lockHeld;
    const bool run = Function_Execute(invokeId, callback, m_phase, true, lockHeld);
    if (lockHeld)
        m_lockHeld = false;
    else if (run || !callback)
        EWAR::DecrementEWAR(QStringLiteral("clsApplicationFunction.privChannelConfigurator.Done"));
    // After a failed run the dialog's lock stays with the application: its
    // closing, reported below, gives it back once.
    if (!run) {
        // The failed run forgot its caller; the caller still has to hear that
        // the application ended.
        KeepRun(invokeId, callback);
        Function_FinishedApplication();
    }
}

void clsApplicationFunction::privExecConnect_Done(int32_t lastError)
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::privExecConnect_Done"));
    if (m_execConnect) {
        const auto object = m_execConnect;
        m_execConnect.reset();
        object->Instance_Destroy();
    }
    if (m_hasGui)
        Function_FinishedApplication();
    else
        Function_FinishedFunction(lastError == 0);
}

void clsApplicationFunction::privExecSequence_Done(int32_t lastError)
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::privExecSequence_Done"));
    if (m_sequence) {
        const auto sequence = m_sequence;
        m_sequence.reset();
        sequence->Instance_Destroy();
    }
    if (m_hasGui)
        Function_FinishedApplication();
    else
        Function_FinishedFunction(lastError == 0);
}

void clsApplicationFunction::privAutoConnect_Done(int32_t lastError)
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::privAutoConnect_Done"));
    DestroyAutoConnect();
    if (lastError != 0) {
        if (const auto dtm = global::CurrentDtm())
            dtm->SendErrorMessage(LoadResource::GetResourceString(kTextDeviceNotConnected));
    }
}

void clsApplicationFunction::Function_FinishedApplication()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::Function_FinishedApplication"));
    const QString invokeId = m_invokeId;
    const bool callbackSet = m_callbackSet;
    const std::shared_ptr<clsIEventFinished> callback = m_callback.lock();
    // Cleared first: the caller asks every function whether it still runs.
    ClearRun();
    m_phase = 0;
    m_formStarted = false;
    if (!callbackSet)
        return;
    if (callback)
        callback->OnApplicationClosed(invokeId, m_functionId.toInt());
    else
        Debugging::TraceError(QStringLiteral("Function_FinishedApplication: the caller of %1 has gone").arg(invokeId));
}

void clsApplicationFunction::Function_FinishedFunction(bool result)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::Function_FinishedFunction"));
    const QString invokeId = m_invokeId;
    const bool callbackSet = m_callbackSet;
    const std::shared_ptr<clsIEventFinished> callback = m_callback.lock();
    ClearRun();
    if (!callbackSet)
        return;
    if (callback)
        callback->OnInvokedFunctionFinished(invokeId, result ? int16_t(-1) : int16_t(0));
    else
        Debugging::TraceError(QStringLiteral("Function_FinishedFunction: the caller of %1 has gone").arg(invokeId));
}

bool clsApplicationFunction::Application_Exit()
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsApplicationFunction::Application_Exit"));
    if (m_autoConnect) {
        DestroyAutoConnect();
        return true;
    }
    if (m_channelConfigurator) {
        const auto configurator = m_channelConfigurator;
        m_channelConfigurator.reset();
        configurator->CloseConfigurator();
        Function_FinishedApplication();
        return true;
    }
    int32_t result = kResultFailed;
    if (const auto host = Host())
        Trapped(QStringLiteral("clsApplicationFunction.Application_Exit"),
                [&] { host->fncCloseForm(m_argument, result); });
    Debugging::TraceInfo(QStringLiteral("fncCloseForm (") + m_argument + QStringLiteral(") ")
                         + (result == 0 ? QStringLiteral("Succeeded") : QStringLiteral("failed")));
    return result == 0;
}

void clsApplicationFunction::ReleaseFunction()
{
    const std::shared_ptr<clsApplicationFunction> keep = weak_from_this().lock();
    if (m_channelConfigurator) {
        const auto configurator = m_channelConfigurator;
        m_channelConfigurator.reset();
        configurator->CloseConfigurator();
    }
    if (m_itemManager) {
        const auto manager = m_itemManager;
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    if (m_execConnect) {
        const auto object = m_execConnect;
        m_execConnect.reset();
        object->Instance_Destroy();
    }
    DestroyAutoConnect();
    if (m_sequence) {
        const auto sequence = m_sequence;
        m_sequence.reset();
        sequence->Instance_Destroy();
    }
    if (m_asyncHelper) {
        m_asyncHelper->Unload();
        m_asyncHelper.reset();
    }
    ResetFunction();
    Debugging::TraceInfo(QStringLiteral("clsApplicationFunction destroyed"));
}
