#include "fennick/fdt/clsApplicationManager.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsApplicationFunction.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/LoadResource.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"

namespace {

// Which kind of application keeps the DTM busy while it runs: an online one
// must keep the communication, an offline one must not get one.
enum class Activity { None, Online, Offline };

struct ApplicationEntry {
    int32_t id;
    const char* name;
    int32_t fdtFileFlag; // the flag bit of an FDT-file application; 0: none
    Activity activity;
};

constexpr ApplicationEntry kApplications[clsApplicationManager::kApplicationCount] = {
    {1, "fdtAdjustSetValue", 0, Activity::Online},
    {2, "fdtAssetManagement", 256, Activity::None},
    {3, "fdtAuditTrail", 0, Activity::None},
    {4, "fdtConfiguration", 2, Activity::Offline},
    {5, "fdtDiagnosis", 8, Activity::Online},
    {6, "fdtForce", 128, Activity::Online},
    {7, "fdtManagement", 16, Activity::None},
    {8, "fdtObserve", 32, Activity::Online},
    {9, "fdtOfflineCompare", 0, Activity::Offline},
    {10, "fdtOfflineParameterize", 0, Activity::Offline},
    {11, "fdtOnlineCompare", 0, Activity::Online},
    {12, "fdtOnlineParameterize", 4, Activity::Online},
};

// The flag bits of an FDT-file application in the order they are examined;
// 64 stands for no application.
constexpr int32_t kFlagOrder[] = {256, 2, 8, 64, 128, 16, 32, 4};

struct PhaseName {
    const char* name;
    int32_t phase;
};
constexpr PhaseName kPhases[] = {
    {"engineering", clsApplicationManager::kPhaseEngineering},
    {"commissioning", clsApplicationManager::kPhaseCommissioning},
    {"runtime", clsApplicationManager::kPhaseRuntime},
};

// Highest id that names an FDT application rather than a menu function.
constexpr int32_t kLastApplicationId = clsApplicationManager::kApplicationCount;
// "No help available", "DTM function set", "DtmFunctions"; "Data set locked by: "
constexpr int16_t kTextFunctionsLabel = 201;
constexpr int16_t kTextFunctionsName = 202;
constexpr int16_t kTextNoHelp = 203;
constexpr int16_t kTextLockedBy = 5012;
constexpr int32_t kAnswerNo = 7;

const QString kFunctionsNamespace = QStringLiteral("x-schema:DTMFunctionsSchema.xml");
const QString kDataTypesNamespace = QStringLiteral("x-schema:FDTDataTypesSchema.xml");
const QString kApplicationIdNamespace = QStringLiteral("x-schema:FDTApplicationIdSchema.xml");

QString HexText(int32_t code)
{
    return QString::number(static_cast<uint32_t>(code), 16).toUpper();
}

QString TrueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

const ApplicationEntry* Entry(int32_t applicationId)
{
    if (applicationId < 1 || applicationId > clsApplicationManager::kApplicationCount)
        return nullptr;
    return &kApplications[applicationId - 1];
}

} // namespace

clsApplicationManager::clsApplicationManager() = default;

clsApplicationManager::~clsApplicationManager() = default;

// --- Names and numbers ----------------------------------------------------------------

int32_t clsApplicationManager::ApplicationIdFromName(const QString& name)
{
    const QString upper = name.toUpper();
    for (const ApplicationEntry& entry : kApplications)
        if (upper == QString::fromLatin1(entry.name).toUpper())
            return entry.id;
    return 0;
}

QString clsApplicationManager::ApplicationIdName(int32_t applicationId)
{
    const ApplicationEntry* entry = Entry(applicationId);
    return entry ? QString::fromLatin1(entry->name) : QString();
}

int32_t clsApplicationManager::OperationPhaseFromName(const QString& name)
{
    for (const PhaseName& entry : kPhases)
        if (name == QLatin1String(entry.name))
            return entry.phase;
    return kPhaseNone;
}

int32_t clsApplicationManager::ApplicationIdFromFlag(int32_t flagBit)
{
    if (flagBit == 0)
        return 0;
    for (const ApplicationEntry& entry : kApplications)
        if (entry.fdtFileFlag == flagBit)
            return entry.id;
    return 0;
}

// --- The list -------------------------------------------------------------------------

std::shared_ptr<clsApplicationFunction> clsApplicationManager::FunctionAt(int32_t position) const
{
    if (position < 1 || position > FunctionCount())
        return nullptr;
    return m_functions[static_cast<size_t>(position - 1)];
}

int32_t clsApplicationManager::FunctionIndex(int32_t functionId) const
{
    if (functionId <= kLastApplicationId)
        return 0;
    const int64_t position = static_cast<int64_t>(functionId) + m_fdtApplicationCount - kLastApplicationId;
    return position <= FunctionCount() ? static_cast<int32_t>(position) : 0;
}

std::shared_ptr<clsApplicationFunction> clsApplicationManager::FunctionById(int32_t functionId) const
{
    if (functionId >= 1 && functionId <= m_fdtApplicationCount)
        return FunctionAt(functionId);
    return FunctionAt(FunctionIndex(functionId));
}

clsApplicationManager::ApplicationRecord* clsApplicationManager::Record(int32_t applicationId)
{
    if (applicationId < 1 || applicationId > kApplicationCount)
        return nullptr;
    return &m_applications[static_cast<size_t>(applicationId - 1)];
}

clsApplicationManager::ApplicationRecord clsApplicationManager::Application(int32_t applicationId) const
{
    if (applicationId < 1 || applicationId > kApplicationCount)
        return ApplicationRecord();
    return m_applications[static_cast<size_t>(applicationId - 1)];
}

bool clsApplicationManager::AllGuiFunctionsIdle() const
{
    for (const auto& function : m_functions)
        if (function->HasGUI() && !function->InvokeId().isEmpty())
            return false;
    return true;
}

bool clsApplicationManager::AddToCollection(FunctionCollection& collection, const QString& key,
                                            const std::shared_ptr<clsApplicationFunction>& function)
{
    if (FindInCollection(collection, key)) {
        // The first entry of a command stays; a second would run the same.
        Debugging::TraceError(QStringLiteral("Duplicate function ignored: ") + key);
        function->ReleaseFunction();
        return false;
    }
    collection.push_back(KeyedFunction{key, function});
    return true;
}

std::shared_ptr<clsApplicationFunction> clsApplicationManager::FindInCollection(const FunctionCollection& collection,
                                                                                const QString& key)
{
    for (const KeyedFunction& entry : collection)
        if (entry.key == key)
            return entry.function;
    return nullptr;
}

bool clsApplicationManager::RegisterFunctions(const std::shared_ptr<applet::TdxFileParser>& tdxParser,
                                              const std::shared_ptr<applet::FdtFileParser>& fdtParser)
{
    FunctionCollection applications;
    int32_t result = ReadFdtFileApplications(fdtParser, applications);
    if (result != 0) {
        Debugging::TraceError(QStringLiteral("No FDT file based applications available, reason code = 0x")
                              + HexText(result));
        for (const KeyedFunction& entry : applications)
            entry.function->ReleaseFunction();
        applications.clear();
    }
    FunctionCollection menu;
    result = ReadMenuFunctions(tdxParser, menu, applications);
    if (result != 0) {
        Debugging::TraceError(QStringLiteral("No TDX file based function available, reason code = 0x")
                              + HexText(result));
        for (const KeyedFunction& entry : menu)
            entry.function->ReleaseFunction();
        menu.clear();
    }
    if (applications.empty() && menu.empty()) {
        // The records may name functions that were dropped.
        m_applications.fill(ApplicationRecord());
        return false;
    }

    m_functions.clear();
    m_fdtApplicationCount = static_cast<int32_t>(applications.size());
    for (const KeyedFunction& entry : applications)
        m_functions.push_back(entry.function);
    int32_t menuNumber = 0;
    for (const KeyedFunction& entry : menu) {
        entry.function->SetFunctionId(QString::number(kLastApplicationId + ++menuNumber));
        m_functions.push_back(entry.function);
    }
    RegisterView();
    return true;
}

void clsApplicationManager::RegisterView()
{
    const auto manager = global::AppletItemManager();
    int32_t result = automation::E_FAIL_;
    if (manager)
        manager->RegisterView(shared_from_this(), result);
    if (result != 0)
        Debugging::TraceError(QStringLiteral("Unable to register View (clsApplicationManager) "));
}

int32_t clsApplicationManager::ReadFdtFileApplications(const std::shared_ptr<applet::FdtFileParser>& parser,
                                                       FunctionCollection& applications)
{
    int32_t result = automation::E_FAIL_;
    m_applications.fill(ApplicationRecord());
    if (!parser) {
        Debugging::TraceError(QStringLiteral("No FDT file parser"));
        return result;
    }
    int32_t count = 0;
    parser->fncGetNumberOfApplications(0, count);
    int32_t lastId = 0;
    for (int32_t index = count - 1; index >= 0; --index) {
        QString text;
        QString formName;
        int32_t flags = 0;
        int32_t error = 0;
        parser->fncGetApplication(index, text, formName, flags, error);
        if (error != 0) {
            Debugging::TraceError(QStringLiteral("FDT file application %1 not readable, reason code = 0x%2")
                                      .arg(index)
                                      .arg(HexText(error)));
            continue;
        }
        formName = formName.toUpper();

        std::shared_ptr<clsApplicationFunction> function;
        if (applications.empty()) {
            lastId = 1;
            auto created = clsApplicationFunction::Create();
            const int32_t registered = created->InitStartForm(formName);
            created->SetFunctionId(QString::number(lastId));
            if (registered == 0 && AddToCollection(applications, formName, created)) {
                function = created;
                result = 0;
            } else {
                Debugging::TraceError(QStringLiteral("FDT file application %1 not registered").arg(formName));
                created->ReleaseFunction();
            }
        } else {
            function = FindInCollection(applications, formName);
            if (!function) {
                function = clsApplicationFunction::Create();
                function->InitStartForm(formName);
                function->SetFunctionId(QString::number(++lastId));
                AddToCollection(applications, formName, function);
            }
        }
        // Flags name applications only through a function that is in the list.
        if (!function)
            continue;
        const int32_t functionId = function->FunctionId().toInt();
        for (int32_t bit : kFlagOrder) {
            if ((flags & bit) == 0)
                continue;
            ApplicationRecord* record = Record(ApplicationIdFromFlag(bit));
            if (!record)
                continue;
            // Two entries of one form with the same flag start it once.
            if (!record->functionIds.contains(functionId))
                record->functionIds.append(functionId);
            record->applicationId = ApplicationIdFromFlag(bit);
            record->registered = true;
        }
    }
    return result;
}

int32_t clsApplicationManager::ReadMenuFunctions(const std::shared_ptr<applet::TdxFileParser>& parser,
                                                 FunctionCollection& menu, const FunctionCollection& applications)
{
    static const QString kMenuKind = QStringLiteral("menu");
    int32_t handle = 0;
    if (parser) {
        int32_t count = 0;
        int32_t countError = 0;
        int32_t handleError = 0;
        parser->fncNumberOfEntries(kMenuKind, count, countError);
        parser->fncGetFirstEntryHandle(kMenuKind, handle, handleError);
        if (countError == 0 && handleError == 0 && count > 0) {
            menu.clear();
            for (int32_t i = 0; i < count; ++i) {
                auto function = clsApplicationFunction::Create();
                if (function->InitFromMenuEntry(handle, 1) == 0) {
                    if (IsObsoleteMenuFunction(applications, *function))
                        function->ReleaseFunction();
                    else
                        AddToCollection(menu, function->CommandLine().toUpper(), function);
                } else {
                    // A registration that failed half-way leaves nothing behind.
                    function->ReleaseFunction();
                }
                int32_t nextError = 0;
                parser->fncGetNextEntryHandle(handle, nextError);
                if (nextError != 0)
                    break;
            }
        }
    } else {
        Debugging::TraceError(QStringLiteral("No TDX file parser"));
    }
    auto exportFunction = clsApplicationFunction::Create();
    const int32_t result = exportFunction->InitFromMenuEntry(handle + 1, clsApplicationFunction::kExportMenuId);
    if (result == 0)
        AddToCollection(menu, exportFunction->CommandLine().toUpper(), exportFunction);
    else
        exportFunction->ReleaseFunction();
    return result;
}

bool clsApplicationManager::IsObsoleteMenuFunction(const FunctionCollection& applications,
                                                   const clsApplicationFunction& function) const
{
    const QString commandLine = function.CommandLine().toUpper();
    for (const KeyedFunction& entry : applications) {
        if (entry.function->CommandLine().toUpper() == commandLine) {
            Debugging::TraceInfo(QStringLiteral("Obsolete TDX function : ") + function.CommandLine());
            return true;
        }
    }
    return false;
}

// --- The functions document ---------------------------------------------------------------

QString clsApplicationManager::GetFunctionsXml(const QString& operationState)
{
    const auto keep = weak_from_this().lock();
    XMLHelper::DocumentPtr document;
    xml::XmlNode root;
    XMLHelper::AppendFdtRoot(document, root);
    if (!document)
        return QString();
    XMLHelper::SetNamespace(root, QString(), kFunctionsNamespace);
    XMLHelper::SetNamespace(root, QStringLiteral("fdt"), kDataTypesNamespace);
    XMLHelper::SetNamespace(root, QStringLiteral("appId"), kApplicationIdNamespace);
    xml::XmlNode functions = root.AppendChild(CreateFunctionsElement(*document));

    if (EWAR::GetEWAR() < 0) {
        AppendLockedOutFunction(*document, functions);
    } else {
        int32_t phase = kPhaseNone;
        if (ParseOperationState(operationState, phase)) {
            AppendFunctionElements(*document, functions, phase);
            AppendStandardFunctions(*document, functions, phase);
        }
    }
    XMLHelper::SaveDebugXml(document, QStringLiteral("DtmFunctions"));
    return document->Xml();
}

xml::XmlNode clsApplicationManager::CreateFunctionsElement(xml::XmlDocument& document)
{
    xml::XmlNode functions = document.CreateElement(QStringLiteral("Functions"));
    functions.SetAttribute(QStringLiteral("label"), LoadResource::GetResourceString(kTextFunctionsLabel));
    functions.SetAttribute(QStringLiteral("fdt:name"), LoadResource::GetResourceString(kTextFunctionsName));
    functions.SetAttribute(QStringLiteral("help"), LoadResource::GetResourceString(kTextNoHelp));
    return functions;
}

void clsApplicationManager::AppendFunctionElements(xml::XmlDocument& document, xml::XmlNode& functions,
                                                   int32_t phase)
{
    for (int32_t position = m_fdtApplicationCount + 1; position <= FunctionCount(); ++position) {
        const auto function = FunctionAt(position);
        if (function->Function_ExecutionAllowed(phase))
            functions.AppendChild(function->BuildFunctionXml(document));
    }
}

void clsApplicationManager::AppendStandardFunctions(xml::XmlDocument& document, xml::XmlNode& functions,
                                                    int32_t phase)
{
    for (int32_t applicationId = 1; applicationId <= kApplicationCount; ++applicationId) {
        const ApplicationRecord& record = m_applications[static_cast<size_t>(applicationId - 1)];
        if (!record.registered)
            continue;
        bool allowed = false;
        for (int32_t functionId : record.functionIds)
            if (const auto function = FunctionAt(functionId))
                allowed = function->Application_StartAllowed(applicationId, phase) || allowed;
        Debugging::TraceInfo(QStringLiteral("App Start allowed returns") + TrueFalse(allowed)
                             + QStringLiteral(" for Operation Phase : ") + QString::number(phase));
        if (!allowed)
            continue;
        const QString name = ApplicationIdName(applicationId);
        xml::XmlNode standard = functions.AppendChild(document.CreateElement(QStringLiteral("StandardFunction")));
        standard.SetAttribute(QStringLiteral("fdt:name"), name);
        standard.SetAttribute(QStringLiteral("help"), LoadResource::GetResourceString(kTextNoHelp));
        standard.SetAttribute(QStringLiteral("functionId"), QString::number(applicationId));
        xml::XmlNode status;
        XMLHelper::CreateStatusElement(true, true, !record.invokeId.isEmpty(), document, status);
        standard.AppendChild(status);
        xml::XmlNode applicationIdElement =
            standard.AppendChild(document.CreateElement(QStringLiteral("appId:ApplicationId")));
        applicationIdElement.SetAttribute(QStringLiteral("applicationId"), name);
    }
}

void clsApplicationManager::AppendLockedOutFunction(xml::XmlDocument& document, xml::XmlNode& functions)
{
    const auto dtm = global::CurrentDtm();
    xml::XmlNode function = functions.AppendChild(document.CreateElement(QStringLiteral("Function")));
    function.SetAttribute(QStringLiteral("label"), LoadResource::GetResourceString(kTextLockedBy)
                                                       + (dtm ? dtm->UserWhoHasLockedDataset() : QString()));
    function.SetAttribute(QStringLiteral("fdt:name"), QStringLiteral("locked out"));
    function.SetAttribute(QStringLiteral("help"), QStringLiteral("No Help available"));
    function.SetAttribute(QStringLiteral("hasGUI"), QStringLiteral("0"));
    function.SetAttribute(QStringLiteral("functionId"), QString::number(kLockedOutFunctionId));
    xml::XmlNode status;
    XMLHelper::CreateStatusElement(true, false, false, document, status);
    function.AppendChild(status);
}

bool clsApplicationManager::ParseOperationState(const QString& operationState, int32_t& phase)
{
    phase = kPhaseNone;
    Debugging::TraceInfo(QStringLiteral("Parsing xml document for operation phase"));
    XMLHelper::DocumentPtr document;
    if (!XMLHelper::LoadXmlString(operationState, document))
        return false;
    XMLHelper::SaveDebugXml(document, QStringLiteral("OperationState"));
    const xml::XmlNode root = document->SelectSingleNode(QStringLiteral("FDT"));
    if (!root) {
        Debugging::TraceError(QStringLiteral("Missing XML-Element FDT"));
        return false;
    }
    if (root.Attributes().isEmpty()) {
        Debugging::TraceError(QStringLiteral("Empty root element"));
        return false;
    }
    if (!root.HasAttribute(QStringLiteral("operationPhase"))) {
        Debugging::TraceError(QStringLiteral("No attribute operationPhase available"));
        return false;
    }
    const QString text = root.Attribute(QStringLiteral("operationPhase"));
    phase = OperationPhaseFromName(text);
    Debugging::TraceInfo(QStringLiteral("Operation phase from XML is ") + text);
    Debugging::TraceInfo(QStringLiteral("Operation Phase is set as : ") + QString::number(phase));
    return true;
}

bool clsApplicationManager::ParseFunctionCall(const QString& functionCall, int32_t& phase, int32_t& functionId)
{
    phase = kPhaseNone;
    functionId = 0;
    XMLHelper::DocumentPtr document;
    if (!XMLHelper::LoadXmlString(functionCall, document))
        return false;
    XMLHelper::SaveDebugXml(document, QStringLiteral("FunctionCall"));
    const xml::XmlNode call = document->SelectSingleNode(QStringLiteral("//FDT/FDTFunctionCall"));
    if (!call) {
        Debugging::TraceError(QStringLiteral("Missing XML-Element FDTFunctionCall"));
        return false;
    }
    bool ok = false;
    static const QString kFunctionId = QStringLiteral("func:functionId");
    static const QString kPhase = QStringLiteral("ops:operationPhase");
    if (!call.HasAttribute(kFunctionId)) {
        Debugging::TraceError(QStringLiteral("Missing XML - Attribute func:functionId"));
    } else {
        const QString text = call.Attribute(kFunctionId);
        functionId = text.trimmed().toInt(&ok);
        if (!ok) {
            functionId = 0;
            Debugging::TraceError(QStringLiteral("Invalid XML - Attribute func:functionId: ") + text);
        }
    }
    QString phaseText;
    if (call.HasAttribute(kPhase))
        phaseText = call.Attribute(kPhase);
    else
        // The call runs without a phase; written whatever the switches say.
        DataTypes::WriteTrace(Debugging::kLevelPhase, QStringLiteral("Missing XML - Attribute ops:operationPhase"));
    phase = OperationPhaseFromName(phaseText);
    return ok;
}

// --- Invocation -------------------------------------------------------------------------

bool clsApplicationManager::InvokeFunction(const QString& invokeId, const QString& functionCall)
{
    const auto self = shared_from_this();
    int32_t phase = kPhaseNone;
    int32_t functionId = 0;
    if (!ParseFunctionCall(functionCall, phase, functionId) || functionId <= kLastApplicationId)
        return false;
    const auto function = FunctionAt(FunctionIndex(functionId));
    if (!function) {
        Debugging::TraceError(QStringLiteral("InvokeFunction: no function with the id %1").arg(functionId));
        return false;
    }
    // A window invoked again under the invoke id it runs with comes to the
    // front; the lock its first run took covers it, as one close releases one.
    const bool lockHeld = function->HasGUI() && !function->InvokeId().isEmpty()
                          && function->InvokeId().toUpper() == invokeId.toUpper();
    return function->Function_Execute(invokeId, self, phase, false, lockHeld);
}

bool clsApplicationManager::StartApplication(const QString& invokeId, const QString& functionCall,
                                             const QString& windowTitle)
{
    (void)windowTitle;
    const auto self = shared_from_this();
    int32_t phase = kPhaseNone;
    int32_t functionId = 0;
    if (!ParseFunctionCall(functionCall, phase, functionId) || functionId == 0)
        return false;
    if (functionId > kLastApplicationId)
        return InvokeFunction(invokeId, functionCall);
    ApplicationRecord* record = Record(functionId);
    if (!record) {
        Debugging::TraceError(QStringLiteral("StartApplication: no application with the id %1").arg(functionId));
        return false;
    }
    if (!record->registered)
        return false;

    bool answer = false;
    bool first = true;
    const bool alreadyRunning = !record->invokeId.isEmpty();
    // A copy: a function may report its end while it starts.
    const QList<int32_t> functionIds = record->functionIds;
    for (int32_t position : functionIds) {
        const auto function = FunctionAt(position);
        if (!function)
            continue;
        // Once one function of the application took the dataset lock, the
        // others run under it: the closing releases a single lock.
        answer = function->Application_Start(invokeId, functionId, self, phase, first, alreadyRunning || answer)
                 || answer;
    }
    // Only an application that started runs under the invoke id; a refused
    // start leaves the record as it was.
    if (answer) {
        record->invokeId = invokeId;
        record->exitRequested = false;
        SetApplicationActive(functionId, true);
    }
    return answer;
}

bool clsApplicationManager::ExitApplication(const QString& invokeId)
{
    const auto keep = weak_from_this().lock();
    // An empty invoke id names no running function: idle functions have one.
    if (invokeId.isEmpty())
        return false;
    bool found = false;
    for (int32_t position = m_fdtApplicationCount + 1; position <= FunctionCount(); ++position) {
        const auto function = FunctionAt(position);
        if (function && function->InvokeId() == invokeId) {
            function->Application_Exit();
            found = true;
        }
    }
    if (found)
        return true;
    for (int32_t applicationId = 1; applicationId <= kApplicationCount; ++applicationId) {
        ApplicationRecord& record = m_applications[static_cast<size_t>(applicationId - 1)];
        if (!record.registered || record.invokeId != invokeId)
            continue;
        found = true;
        record.exitRequested = true;
        const QList<int32_t> functionIds = record.functionIds;
        for (int32_t position : functionIds)
            if (const auto function = FunctionAt(position))
                function->Application_Exit();
        SetApplicationActive(applicationId, false);
    }
    return found;
}

void clsApplicationManager::SetApplicationActive(int32_t applicationId, bool active)
{
    const ApplicationEntry* entry = Entry(applicationId);
    if (!entry)
        return;
    // Another application of the same kind that runs and was not asked to
    // close keeps the flag: ending one of two online applications must not
    // free the communication the other works with.
    for (const ApplicationRecord& record : m_applications) {
        const ApplicationEntry* other = Entry(record.applicationId);
        if (other && other->id != applicationId && other->activity == entry->activity
            && !record.invokeId.isEmpty() && !record.exitRequested)
            active = true;
    }
    if (entry->activity == Activity::Online)
        m_onlineApplicationActive = active;
    else if (entry->activity == Activity::Offline)
        m_offlineApplicationActive = active;
}

// --- Completion -------------------------------------------------------------------------

void clsApplicationManager::ReleaseLockOnClose(bool& releaseLater)
{
    // The last lock is left after the save, so that the dataset stays locked
    // while it is saved; any other at once.
    if (EWAR::GetEWAR() <= 1)
        releaseLater = true;
    else
        EWAR::DecrementEWAR(QStringLiteral("clsIEventFinished_OnApplicationClosed "));
}

void clsApplicationManager::OnApplicationClosed(const QString& invokeId, int32_t functionId)
{
    const auto keep = weak_from_this().lock();
    const auto dtm = global::CurrentDtm();
    Debugging::TraceInfo(QStringLiteral("clsApplicationManager.clsIEventFinished_OnApplicationClosed "));
    int32_t answer = kAnswerNo;
    bool releaseLock = false;

    // One window may close several applications at once: the user is asked
    // once, and a later question cannot overturn the first answer.
    bool asked = false;
    auto askSave = [&] {
        if (asked || !AllGuiFunctionsIdle() || !dtm)
            return;
        asked = true;
        answer = dtm->AskSaveChangedData();
    };

    if (functionId <= kLastApplicationId) {
        for (int32_t applicationId = 1; applicationId <= kApplicationCount; ++applicationId) {
            ApplicationRecord& record = m_applications[static_cast<size_t>(applicationId - 1)];
            if (record.invokeId.isEmpty())
                continue;
            const bool found = record.functionIds.contains(functionId);
            bool idle = true;
            for (int32_t position : record.functionIds)
                if (const auto function = FunctionAt(position); function && !function->InvokeId().isEmpty())
                    idle = false;
            if (!found || !idle)
                continue;
            if (const auto function = FunctionAt(functionId))
                function->SetEngineeringContext(applicationId, false);
            askSave();
            const QString closedId = record.invokeId;
            Debugging::TraceInfo(QStringLiteral("OnApplicationClosed ") + closedId);
            if (dtm)
                dtm->SendApplicationClosed(closedId);
            ReleaseLockOnClose(releaseLock);
            record.invokeId.clear();
            record.exitRequested = false;
            SetApplicationActive(applicationId, false);
        }
    } else {
        // A menu function with a window: its start took a dataset lock, which
        // its closing leaves like an FDT application's.
        askSave();
        Debugging::TraceInfo(QStringLiteral("OnApplicationClosed ") + invokeId);
        if (dtm)
            dtm->SendApplicationClosed(invokeId);
        ReleaseLockOnClose(releaseLock);
    }
    if (AllGuiFunctionsIdle() && dtm)
        dtm->SaveToDatabase(answer);
    if (releaseLock)
        EWAR::DecrementEWAR(QStringLiteral("clsIEventFinished_OnApplicationClosed "));
}

void clsApplicationManager::OnInvokedFunctionFinished(const QString& invokeId, int16_t success)
{
    const auto keep = weak_from_this().lock();
    if (const auto dtm = global::CurrentDtm())
        dtm->SendInvokedFunctionFinished(invokeId, success != 0);
    EWAR::DecrementEWAR(QStringLiteral("clsIEventFinished_OnInvokedFunctionFinished "));
}

void clsApplicationManager::NotifyFunctionChanged()
{
    if (const auto dtm = global::CurrentDtm())
        dtm->SendFunctionChanged();
}

// --- Release ---------------------------------------------------------------------------------

void clsApplicationManager::DestroyApplications()
{
    const auto keep = weak_from_this().lock();
    if (m_itemManager) {
        const auto manager = m_itemManager;
        m_itemManager.reset();
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    // Taken out first: a function may report its end while it is released.
    const auto functions = std::move(m_functions);
    m_functions.clear();
    m_fdtApplicationCount = 0;
    m_applications.fill(ApplicationRecord());
    for (const auto& function : functions)
        function->ReleaseFunction();
    Debugging::TraceInfo(QStringLiteral("clsApplicationManager destroyed"));
}

// --- applet::View ------------------------------------------------------------------------------

void clsApplicationManager::SetAppletItemManagRef(int32_t lViewHandle,
                                                  const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                                  int32_t& result)
{
    m_viewHandle = lViewHandle;
    m_itemManager = manager;
    m_lockedHandle = -1;
    result = 0;
    if (!manager)
        return;
    int32_t handle = 0;
    int32_t failed = 0;
    manager->RegisterItem(kLockedItem, false, lViewHandle, handle, 0, 0, failed);
    if (failed != 0) {
        Debugging::TraceRegistrationFailed(kLockedItem);
        return;
    }
    m_lockedHandle = handle;
}

void clsApplicationManager::Show(int32_t& result)
{
    result = 0;
}

void clsApplicationManager::Hide(int32_t& result)
{
    result = 0;
}

void clsApplicationManager::Destroy(int32_t& result)
{
    m_itemManager.reset();
    result = 0;
}

void clsApplicationManager::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t,
                                          int32_t& result)
{
    if (!m_itemManager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    const bool ignored = (lStateInfo & (applet::StateInfo::kShadowOnly | applet::StateInfo::kNoRules)) != 0;
    if (!ignored && m_lockedHandle > 0 && lAppletItemHandle == m_lockedHandle)
        NotifyFunctionChanged();
}
