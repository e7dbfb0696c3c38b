#include "platform/frame/ReferenceFrame.h"
#include "platform/automation/ComError.h"
#include "platform/frame/FrameCommunication.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/fdt/IDtm.h"
#include "platform/frame/fdt/IDtmApplication.h"
#include "platform/frame/fdt/IDtmInformation.h"
#include "platform/frame/fdt/IDtmOnlineParameter.h"
#include "platform/frame/fdt/IDtmParameter.h"
#include "platform/frame/fdt/IFdtEvents.h"
#include "platform/frame/fdt/IPersistPropertyBag.h"
#include "platform/loop/EventLoop.h"
#include <QCoreApplication>
#include <QDir>
#include <QXmlStreamReader>

namespace frame {

namespace {

QString ErrorText(const automation::ComError& error)
{
    return QStringLiteral("%1 (0x%2, %3)")
        .arg(error.description())
        .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0'))
        .arg(error.source());
}

// Why the DTM may have refused a stored instance, as far as the frame can
// tell from the bag: its parameter document is missing, empty or not XML.
// Empty when the document is well-formed.
QString StoredParametersProblem(const automation::PropertyBag& bag)
{
    const QString key = QStringLiteral("DTM_PARAMETERS");
    if (!bag.Contains(key))
        return QStringLiteral("the stored instance holds no %1").arg(key);
    const QString text = bag.Read(key).toString();
    if (text.trimmed().isEmpty())
        return QStringLiteral("the stored instance's %1 is empty").arg(key);
    QXmlStreamReader reader(text);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return QStringLiteral("the stored instance's %1 is not a whole XML document (line %2, column %3: %4)")
            .arg(key)
            .arg(reader.lineNumber())
            .arg(reader.columnNumber())
            .arg(reader.errorString());
    return QString();
}

} // namespace

ReferenceFrame::ReferenceFrame(const QString& projectFolder, const QString& schemaPath)
    : m_project(projectFolder), m_schemaPath(schemaPath.isEmpty() ? DefaultSchemaPath() : schemaPath)
{
}

ReferenceFrame::~ReferenceFrame()
{
    // A DTM may outlive the frame (someone else holds it); its container then
    // answers without a frame.
    for (auto& [tag, instance] : m_instances)
        instance.container->Detach();
    m_instances.clear();
}

QString ReferenceFrame::DefaultSchemaPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../schemas"));
}

bool ReferenceFrame::Fail(const QString& error)
{
    m_lastError = error;
    return false;
}

ReferenceFrame::Instance* ReferenceFrame::Find(const QString& systemTag)
{
    const auto it = m_instances.find(systemTag);
    return it == m_instances.end() ? nullptr : &it->second;
}

const ReferenceFrame::Instance* ReferenceFrame::Find(const QString& systemTag) const
{
    const auto it = m_instances.find(systemTag);
    return it == m_instances.end() ? nullptr : &it->second;
}

template <class Interface>
std::shared_ptr<Interface> ReferenceFrame::Require(const QString& systemTag)
{
    const Instance* instance = Find(systemTag);
    if (!instance) {
        Fail(QStringLiteral("No DTM with the system tag %1").arg(systemTag));
        return nullptr;
    }
    auto typed = std::dynamic_pointer_cast<Interface>(instance->dtm);
    if (!typed)
        Fail(QStringLiteral("The DTM %1 lacks a required interface").arg(systemTag));
    return typed;
}

bool ReferenceFrame::HasDtm(const QString& systemTag) const
{
    return Find(systemTag) != nullptr;
}

std::shared_ptr<automation::ComObject> ReferenceFrame::DtmObject(const QString& systemTag) const
{
    const Instance* instance = Find(systemTag);
    return instance ? instance->dtm : nullptr;
}

std::shared_ptr<FrameContainer> ReferenceFrame::Container(const QString& systemTag) const
{
    const Instance* instance = Find(systemTag);
    return instance ? instance->container : nullptr;
}

bool ReferenceFrame::CreateDtm(const QString& systemTag)
{
    if (!ProjectFolder::IsValidSystemTag(systemTag))
        return Fail(QStringLiteral("Invalid system tag '%1'").arg(systemTag));
    if (HasDtm(systemTag))
        return Fail(QStringLiteral("The system tag %1 is in use").arg(systemTag));
    std::shared_ptr<automation::ComObject> dtm;
    try {
        dtm = automation::ClassRegistry::instance().CreateObject(kDtmProgId);
    } catch (const automation::ComError& e) {
        return Fail(QStringLiteral("Cannot create %1: %2").arg(kDtmProgId, ErrorText(e)));
    }
    if (!std::dynamic_pointer_cast<fdt::IDtm>(dtm) || !std::dynamic_pointer_cast<fdt::IPersistPropertyBag>(dtm))
        return Fail(QStringLiteral("%1 is not a DTM").arg(kDtmProgId));
    m_instances[systemTag] = Instance{dtm, std::make_shared<FrameContainer>(this, systemTag), nullptr, false, {}};
    return true;
}

bool ReferenceFrame::Refused(const QString& refusal, const QString& systemTag, size_t before)
{
    QStringList messages;
    const std::vector<FrameEvent>& events = m_events.Events();
    for (size_t i = before; i < events.size(); ++i)
        if (events[i].systemTag == systemTag && events[i].name == QLatin1String("OnErrorMessage")
            && !events[i].arguments.isEmpty())
            messages << events[i].arguments.first();
    return Fail(messages.isEmpty() ? refusal : refusal + QStringLiteral(": ") + messages.join(QStringLiteral("; ")));
}

bool ReferenceFrame::Environment(const QString& systemTag, Instance& instance)
{
    auto dtm = std::dynamic_pointer_cast<fdt::IDtm>(instance.dtm);
    const size_t before = m_events.Events().size();
    try {
        if (!dtm->Environment(systemTag, instance.container))
            return Refused(QStringLiteral("The DTM %1 refused its environment").arg(systemTag), systemTag, before);
    } catch (const automation::ComError& e) {
        return Fail(QStringLiteral("Environment of %1 failed: %2").arg(systemTag, ErrorText(e)));
    }
    return true;
}

bool ReferenceFrame::InitNewInstance(const QString& systemTag, const QString& deviceType)
{
    return PrepareNewInstance(systemTag) && InitNew(systemTag, deviceType);
}

bool ReferenceFrame::PrepareNewInstance(const QString& systemTag)
{
    auto persist = Require<fdt::IPersistPropertyBag>(systemTag);
    if (!persist)
        return false;
    try {
        persist->InitProperties();
    } catch (const automation::ComError& e) {
        return Fail(QStringLiteral("InitProperties of %1 failed: %2").arg(systemTag, ErrorText(e)));
    }
    return Environment(systemTag, *Find(systemTag));
}

bool ReferenceFrame::InitNew(const QString& systemTag, const QString& deviceType)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    const size_t before = m_events.Events().size();
    if (!dtm->InitNew(deviceType))
        return Refused(QStringLiteral("The DTM %1 refused the new instance").arg(systemTag), systemTag, before);
    return true;
}

bool ReferenceFrame::LoadInstance(const QString& systemTag)
{
    auto persist = Require<fdt::IPersistPropertyBag>(systemTag);
    if (!persist)
        return false;
    automation::PropertyBag bag;
    QString error;
    if (!m_project.LoadInstance(systemTag, bag, &error))
        return Fail(error);
    try {
        persist->ReadProperties(bag);
    } catch (const automation::ComError& e) {
        return Fail(QStringLiteral("ReadProperties of %1 failed: %2").arg(systemTag, ErrorText(e)));
    }
    Find(systemTag)->stored = bag;
    if (Environment(systemTag, *Find(systemTag)))
        return true;
    if (const QString problem = StoredParametersProblem(bag); !problem.isEmpty())
        Fail(m_lastError + QStringLiteral(": ") + problem);
    return false;
}

bool ReferenceFrame::Configure(const QString& systemTag, const QString& userLevel, bool oemService)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    if (!dtm->Config(FrameDocuments::UserInformationDocument(userLevel, oemService)))
        return Fail(QStringLiteral("The DTM %1 refused the user information").arg(systemTag));
    return true;
}

bool ReferenceFrame::SaveInstance(const QString& systemTag)
{
    auto persist = Require<fdt::IPersistPropertyBag>(systemTag);
    if (!persist)
        return false;
    automation::PropertyBag bag;
    try {
        persist->WriteProperties(bag);
    } catch (const automation::ComError& e) {
        return Fail(QStringLiteral("WriteProperties of %1 failed: %2").arg(systemTag, ErrorText(e)));
    }
    // Project files travel between users and tools: what the DTM does not
    // own stays in the file.
    const automation::PropertyBag& stored = Find(systemTag)->stored;
    for (const QString& name : stored.Keys())
        if (!name.startsWith(kDtmOwnedPrefix) && !bag.Contains(name))
            bag.Write(name, stored.Read(name));
    QString error;
    if (!m_project.StoreInstance(systemTag, bag, &error))
        return Fail(error);
    Find(systemTag)->stored = bag;
    return true;
}

bool ReferenceFrame::SetCommunication(const QString& systemTag, const QString& address)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    QString host;
    uint16_t port = 0;
    QString why;
    if (!FrameCommunication::ParseAddress(address, host, port, &why))
        return Fail(why);
    // The device type the instance serves, as its dataset names it.
    QString parameters;
    if (!GetParameters(systemTag, parameters))
        return false;
    QString manufacturerId;
    QString deviceTypeId;
    comm::HartDeviceType served;
    if (!FrameDocuments::DatasetDeviceType(parameters, manufacturerId, deviceTypeId, &why)
        || !comm::HartDeviceType::FromTexts(manufacturerId, deviceTypeId, served, &why))
        return Fail(QStringLiteral("The device type of %1 is not known, so no device can be checked against it: %2")
                        .arg(systemTag, why));
    std::shared_ptr<FrameCommunication> communication;
    try {
        communication = std::make_shared<FrameCommunication>(address, served);
        communication->SetDeadline(m_commandDeadline);
    } catch (const automation::ComError& e) {
        return Fail(e.description());
    }
    if (!dtm->SetCommunication(communication))
        return Fail(QStringLiteral("The DTM %1 refused the communication to %2").arg(systemTag, address));
    if (Instance* instance = Find(systemTag))
        instance->communication = communication;
    return true;
}

bool ReferenceFrame::LastConnect(const QString& systemTag, comm::HartConnectReport& report) const
{
    const Instance* instance = Find(systemTag);
    return instance && instance->communication && instance->communication->LastConnect(report);
}

bool ReferenceFrame::PrepareToReleaseCommunication(const QString& systemTag)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    if (!dtm->PrepareToReleaseCommunication())
        return Fail(QStringLiteral("The DTM %1 refused to prepare the release of its communication").arg(systemTag));
    return true;
}

bool ReferenceFrame::ReleaseCommunication(const QString& systemTag)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    if (!dtm->ReleaseCommunication())
        return Fail(QStringLiteral("The DTM %1 refused to release its communication").arg(systemTag));
    return true;
}

bool ReferenceFrame::UploadRequest(const QString& systemTag, const QString& invokeId)
{
    auto online = Require<fdt::IDtmOnlineParameter>(systemTag);
    if (!online)
        return false;
    if (!online->UploadRequest(invokeId, QString()))
        return Fail(QStringLiteral("The DTM %1 refused the upload").arg(systemTag));
    return true;
}

bool ReferenceFrame::DownloadRequest(const QString& systemTag, const QString& invokeId)
{
    auto online = Require<fdt::IDtmOnlineParameter>(systemTag);
    if (!online)
        return false;
    if (!online->DownloadRequest(invokeId, QString()))
        return Fail(QStringLiteral("The DTM %1 refused the download").arg(systemTag));
    return true;
}

bool ReferenceFrame::CancelAction(const QString& systemTag, const QString& invokeId)
{
    auto online = Require<fdt::IDtmOnlineParameter>(systemTag);
    if (!online)
        return false;
    if (!online->CancelAction(invokeId))
        return Fail(QStringLiteral("The DTM %1 refused to cancel %2").arg(systemTag, invokeId));
    return true;
}

bool ReferenceFrame::GetInformation(const QString& systemTag, QString& information)
{
    auto dtm = Require<fdt::IDtmInformation>(systemTag);
    if (!dtm)
        return false;
    information = dtm->GetInformation();
    if (information.isEmpty())
        return Fail(QStringLiteral("The DTM %1 gave no DTM information").arg(systemTag));
    return true;
}

bool ReferenceFrame::GetParameters(const QString& systemTag, QString& parameters)
{
    auto dtm = Require<fdt::IDtmParameter>(systemTag);
    if (!dtm)
        return false;
    parameters = dtm->GetParameters(QString());
    if (parameters.isEmpty())
        return Fail(QStringLiteral("The DTM %1 gave no dataset").arg(systemTag));
    return true;
}

bool ReferenceFrame::GetFunctions(const QString& systemTag, const QString& phase, QString& functions)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    functions = dtm->GetFunctions(FrameDocuments::OperationStateDocument(phase));
    if (functions.isEmpty())
        return Fail(QStringLiteral("The DTM %1 gave no functions document").arg(systemTag));
    return true;
}

bool ReferenceFrame::InvokeFunctionRequest(const QString& systemTag, const QString& invokeId, int32_t functionId,
                                           const QString& phase)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    if (!dtm->InvokeFunctionRequest(invokeId, FrameDocuments::FunctionCallDocument(functionId, phase)))
        return Fail(QStringLiteral("The DTM %1 refused to invoke function %2").arg(systemTag).arg(functionId));
    return true;
}

bool ReferenceFrame::StartApplication(const QString& systemTag, const QString& invokeId, int32_t functionId,
                                      const QString& phase)
{
    auto application = Require<fdt::IDtmApplication>(systemTag);
    if (!application)
        return false;
    if (!application->StartApplication(invokeId, FrameDocuments::FunctionCallDocument(functionId, phase),
                                       systemTag))
        return Fail(QStringLiteral("The DTM %1 refused to start application %2").arg(systemTag).arg(functionId));
    return true;
}

bool ReferenceFrame::ExitApplication(const QString& systemTag, const QString& invokeId)
{
    auto application = Require<fdt::IDtmApplication>(systemTag);
    if (!application)
        return false;
    if (!application->ExitApplication(invokeId))
        return Fail(QStringLiteral("The DTM %1 refused to exit %2").arg(systemTag, invokeId));
    return true;
}

bool ReferenceFrame::ReleaseInstance(const QString& systemTag)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    if (!dtm->PrepareToRelease())
        return Fail(QStringLiteral("The DTM %1 refused to be released").arg(systemTag));
    return true;
}

bool ReferenceFrame::DeleteInstance(const QString& systemTag)
{
    auto dtm = Require<fdt::IDtm>(systemTag);
    if (!dtm)
        return false;
    if (!dtm->PrepareToDelete())
        return Fail(QStringLiteral("The DTM %1 refused to be deleted").arg(systemTag));
    Find(systemTag)->deleteOnRelease = true;
    if (!dtm->PrepareToRelease())
        return Fail(QStringLiteral("The DTM %1 refused to be released").arg(systemTag));
    return true;
}

bool ReferenceFrame::LockByOtherUser(const QString& systemTag, const QString& userName)
{
    auto events = Require<fdt::IFdtEvents>(systemTag);
    if (!events)
        return false;
    Find(systemTag)->container->SetOtherLockHolder(userName);
    try {
        events->OnLockDataSet(systemTag, userName);
    } catch (const automation::ComError& e) {
        return Fail(QStringLiteral("OnLockDataSet of %1 failed: %2").arg(systemTag, ErrorText(e)));
    }
    return true;
}

bool ReferenceFrame::UnlockByOtherUser(const QString& systemTag, const QString& userName)
{
    auto events = Require<fdt::IFdtEvents>(systemTag);
    if (!events)
        return false;
    Find(systemTag)->container->SetOtherLockHolder(QString());
    try {
        return events->OnUnlockDataSet(systemTag, userName);
    } catch (const automation::ComError& e) {
        return Fail(QStringLiteral("OnUnlockDataSet of %1 failed: %2").arg(systemTag, ErrorText(e)));
    }
}

void ReferenceFrame::ScheduleSave(const QString& systemTag)
{
    loop::PostToLoop(
        [this, systemTag] {
            // The DTM does not wait for this save: a failure goes to the event
            // log and to FailedSaves(), where the frame's user learns of it.
            if (HasDtm(systemTag) && !SaveInstance(systemTag)) {
                m_failedSaves << m_lastError;
                m_events.Record(systemTag, QStringLiteral("FrameError"), {m_lastError});
            }
        },
        loop::LoopGuard(std::weak_ptr<int>(m_alive)));
}

void ReferenceFrame::OnPreparedToRelease(const QString& systemTag)
{
    const auto it = m_instances.find(systemTag);
    if (it == m_instances.end())
        return;
    const bool remove = it->second.deleteOnRelease;
    m_instances.erase(it);
    if (remove) {
        QString error;
        if (!m_project.RemoveInstance(systemTag, &error)) {
            Fail(error);
            m_events.Record(systemTag, QStringLiteral("FrameError"), {error});
        }
    }
}

} // namespace frame
