#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataBag.h"
#include "fennick/fdt/DtmGate.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"

namespace {

QString UserText(const QString& user)
{
    return user.isEmpty() ? QStringLiteral("Unknown user") : user;
}

void SetDtmStatus(int32_t status)
{
    if (const auto dtm = global::CurrentDtm())
        dtm->SetDtmStatus(status);
}

} // namespace

clsDataManager::clsDataManager() = default;
clsDataManager::~clsDataManager() = default;

bool clsDataManager::SetDataBag(const clsDataBag& bag)
{
    if (bag.DtmParameters().isEmpty()) {
        Debugging::TraceError(QStringLiteral("SetDataBag: the data bag holds no parameters"));
        return false;
    }
    m_parameters = bag.DtmParameters();
    m_hasDataCache = true;
    SetDataSetStates(QStringLiteral("persistent"), QStringLiteral("allDataLoaded"));
    SetDtmStatus(DtmStatus::ExistingCreated);
    return true;
}

bool clsDataManager::IDtmParameter_InitNew(const QString& deviceType, const QString& tag)
{
    Q_UNUSED(tag);
    if (deviceType.isEmpty()) {
        Debugging::TraceError(QStringLiteral("IDtmParameter_InitNew: no device type given"));
        return false;
    }
    m_parameters = deviceType;
    m_hasDataCache = true;
    SetDataSetStates(QStringLiteral("transient"), QStringLiteral("default"));
    SetDtmStatus(DtmStatus::Running);
    return true;
}

bool clsDataManager::GetDataBag(std::shared_ptr<clsDataBag>& bag)
{
    m_changedData.clear();
    SetDataSetStates(QStringLiteral("persistent"), QStringLiteral("validModified "));
    bag = std::make_shared<clsDataBag>();
    bag->SetDtmParameters(BuildParameterXml(QString()));
    const auto dtm = global::CurrentDtm();
    if (!dtm || dtm->GetDtmStatus() != DtmStatus::Unloading)
        m_changedData = bag->DtmParameters();
    return true;
}

QString clsDataManager::BuildParameterXml(const QString&)
{
    return m_parameters;
}

bool clsDataManager::IDtmParameterExt_SetParameters(const QString&, const QString& xmlDocument)
{
    if (xmlDocument.isEmpty())
        return false;
    m_parameters = xmlDocument;
    m_hasDataCache = true;
    return true;
}

void clsDataManager::SetDataSetStates(const QString& storageState, const QString& dataSetState)
{
    if (!storageState.isEmpty())
        m_storageState = storageState;
    if (!dataSetState.isEmpty())
        m_dataSetState = dataSetState;
}

QString clsDataManager::GetStorageState() const
{
    if (!m_hasDataCache) {
        Debugging::TraceError(QStringLiteral("privXMLDataCache Is Nothing"));
        return kUndefined;
    }
    return m_storageState;
}

QString clsDataManager::GetDataSetState() const
{
    if (!m_hasDataCache) {
        Debugging::TraceError(QStringLiteral("privXMLDataCache Is Nothing"));
        return kUndefined;
    }
    return m_dataSetState;
}

QString clsDataManager::TakeChangedParameters()
{
    return m_changedData;
}

void clsDataManager::OnLockDataSet(const QString& user)
{
    m_lockOwner = user;
    m_locked = true;
    DataTypes::WriteTrace(Debugging::kLevelInfo, QStringLiteral("Data set locked by : ") + UserText(user));
}

void clsDataManager::OnUnlockDataSet(const QString& user)
{
    if (user != m_lockOwner && !m_lockOwner.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Unlocking data set not allowed for: ") + user);
        return;
    }
    m_locked = false;
    if (!m_lockOwner.isEmpty())
        m_lockOwner.clear();
    else
        DataTypes::WriteTrace(Debugging::kLevelInfo, QStringLiteral("Data set unlocked by : ") + UserText(user));
}

void clsDataManager::OnParameterChanged(const QString& parameter)
{
    m_changedData = parameter;
}

void clsDataManager::ReleaseDataModel()
{
    m_parameters.clear();
    m_changedData.clear();
    m_hasDataCache = false;
}
