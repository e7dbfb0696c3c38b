#include "fennick/fdt/DtmGate.h"
#include "platform/automation/ComError.h"
#include <initializer_list>

namespace DtmGate {

namespace {

constexpr const char* kStatusNames[] = {
    "UP",                // 0
    "CONFIGURED",        // 1
    "COMMUNICATION SET", // 2
    "DESTROYED",         // 3
    "EXISTING CREATED",  // 4
    "GOING ONLINE",      // 5
    "GOING OFFLINE",     // 6
    "UNLOADING",         // 7
    "NEW CREATED",       // 8
    "NEW ENABLED",       // 9
    "ONLINE",            // 10
    "RUNNING",           // 11
    "INOPERABLE",        // 12
};

constexpr uint32_t Statuses(std::initializer_list<int32_t> statuses)
{
    uint32_t bits = 0;
    for (int32_t status : statuses)
        bits |= 1u << status;
    return bits;
}

bool InSet(uint32_t statuses, int32_t status)
{
    return status >= 0 && status < 32 && (statuses & (1u << status)) != 0;
}

constexpr uint32_t kConfigured = Statuses({1, 2, 5, 6, 10});
constexpr uint32_t kOnlineParameter = Statuses({2, 5, 6, 10});

using enum DtmMethod;
using A = Admission;

// clang-format off
constexpr MethodGate kGates[] = {
    {Class_InitProperties, "Class_InitProperties", A::Statuses, Statuses({0}), true,
     "Class::InitProperties", "Class_InitProperties", ""},
    // INOPERABLE (12) is final: a torn-down object loads no instance.
    {Class_ReadProperties, "Class_ReadProperties", A::Statuses, Statuses({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), true,
     "Class::ReadProperties: ", "Class_ReadProperties: Begin ... ", "Class_ReadProperties: ... Done!"},
    {Class_WriteProperties, "Class_WriteProperties", A::RunningOrUnloading, 0, true,
     "Class::WriteProperties: ", "Class_WriteProperties: Begin ... ", "Class_WriteProperties: ... Done!"},
    {IDtm_Environment, "IDtm::Environment", A::Statuses, Statuses({4, 8}), true,
     "IDtm::Environment: ", "IDtm::Environment - Begin", "IDtm::Environment - Done"},
    {IDtm_InitNew, "IDtm::InitNew", A::Statuses, Statuses({9}), true,
     "IDtm::InitNew: ", "IDtm::InitNew", ""},
    {IDtm_Config, "IDtm::Config", A::Statuses, Statuses({11}), true,
     "IDtm::Config ", "IDtm::Config - Begin ", "IDtm::Config - Done "},
    {IDtm_SetCommunication, "IDtm::SetCommunication", A::Statuses, Statuses({1}), true,
     "IDtm::SetCommunication ", "IDtm::SetCommunication - Begin", "IDtm::SetCommunication - Done"},
    {IDtm_PrepareToReleaseCommunication, "IDtm::PrepareToReleaseCommunication", A::Statuses, kOnlineParameter, true,
     "IDtm::PrepareToReleaseCommunication: ", "IDtm::PrepareToReleaseCommunication - Begin",
     "IDtm::PrepareToReleaseCommunication - Done"},
    {IDtm_ReleaseCommunication, "IDtm::ReleaseCommunication", A::Statuses, Statuses({2}), true,
     "IDtm::ReleaseCommunication: ", "IDtm::ReleaseCommunication - Begin", "IDtm::ReleaseCommunication - Done"},
    {IDtm_PrepareToRelease, "IDtm::PrepareToRelease", A::Statuses, Statuses({1, 3, 9}), true,
     "IDtm::PrepareToRelease: ", "IDtm::PrepareToRelease - Begin ", "IDtm::PrepareToRelease - Done "},
    {IDtm_PrepareToDelete, "IDtm::PrepareToDelete", A::Statuses, Statuses({1}), true,
     "IDtm::PrepareToDelete: ", "IDtm::PrepareToDelete", ""},
    {IDtm_SetLanguage, "IDtm::SetLanguage", A::Statuses, Statuses({1, 2, 11}), true,
     "IDtm::SetLanguage", "Execute clsTkDispatcher::IDtm_SetLanguage", ""},
    {IDtm_GetFunctions, "IDtm::GetFunctions", A::Configured, 0, true,
     "IDtm::GetFunctions: ", "IDtm::GetFunctions", ""},
    {IDtm_InvokeFunctionRequest, "IDtm::InvokeFunctionRequest", A::Configured, 0, true,
     "IDtm::InvokeFunctionRequest: ", "IDtm::InvokeFunctionRequest", ""},
    {IDtm_PrivateDialogEnabled, "IDtm::PrivateDialogEnabled", A::Configured, 0, true,
     "IDtm::PrivateDialogEnabled: ", "IDtm::PrivateDialogEnabled", ""},
    // The entry trace carries the invoke id; the method writes it.
    {IDtmApplication_StartApplication, "IDtmApplication::StartApplication", A::Configured, 0, true,
     "IDtmApplication::StartApplication ", "", ""},
    {IDtmApplication_ExitApplication, "IDtmApplication::ExitApplication", A::Configured, 0, true,
     "IDtmApplication::ExitApplication ", "Execute clsTkDispatcher::IDtmApplication_ExitApplication", ""},
    {IDtmChannel_GetChannels, "IDtmChannel::GetChannels", A::Running, 0, false,
     "IDtmChannel::GetChannels ", "Execute IDtmChannel::GetChannels", ""},
    {IDtmInformation_GetInformation, "IDtmInformation::GetInformation", A::Information, 0, true,
     "IDtmInformation::GetInformation ", "IDtmInformation::GetInformation", ""},
    {IDtmOnlineParameter_CancelAction, "IDtmOnlineParameter::CancelAction", A::OnlineParameter, 0, true,
     "IDtmOnlineParameter::CancelAction: ", "IDtmOnlineParameter::CancelAction", ""},
    {IDtmOnlineParameter_DownloadRequest, "IDtmOnlineParameter::DownloadRequest", A::OnlineParameter, 0, true,
     "IDtmOnlineParameter::DownloadRequest: ", "IDtmOnlineParameter::DownloadRequest", ""},
    {IDtmOnlineParameter_UploadRequest, "IDtmOnlineParameter::UploadRequest", A::OnlineParameter, 0, true,
     "IDtmOnlineParameter::UploadRequest: ", "IDtmOnlineParameter::UploadRequest", ""},
    {IDtmParameter_GetParameters, "IDtmParameter::GetParameters", A::Always, 0, true,
     "", "IDtmParameter::GetParameters", ""},
    // Admitted by the user level, the data manager and the write lock instead.
    {IDtmParameter_SetParameters, "IDtmParameter::SetParameters", A::Always, 0, true,
     "", "IDtmParameter::SetParameters", ""},
};
// clang-format on

} // namespace

QString StatusName(int32_t status)
{
    if (status < 0 || status >= static_cast<int32_t>(std::size(kStatusNames)))
        return QStringLiteral("INVALID STATUS");
    return QLatin1String(kStatusNames[status]);
}

bool IsConfiguredStatus(int32_t status)
{
    return InSet(kConfigured, status);
}

bool IsRunningStatus(int32_t status)
{
    return status == DtmStatus::Running || IsConfiguredStatus(status);
}

bool IsInformationStatus(int32_t status)
{
    return status == DtmStatus::ExistingCreated || status == DtmStatus::NewEnabled || IsRunningStatus(status);
}

bool IsOnlineParameterAllowed(int32_t status, bool dataSetLocked)
{
    return InSet(kOnlineParameter, status) && !dataSetLocked;
}

std::span<const MethodGate> Gates()
{
    return kGates;
}

const MethodGate& Gate(DtmMethod method)
{
    for (const MethodGate& gate : kGates)
        if (gate.method == method)
            return gate;
    throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("No gate for the method"),
                               QStringLiteral("DtmGate"));
}

bool Admits(const MethodGate& gate, int32_t status, bool dataSetLocked)
{
    switch (gate.admission) {
    case Admission::Always:
        return true;
    case Admission::Statuses:
        return InSet(gate.statuses, status);
    case Admission::Configured:
        return IsConfiguredStatus(status);
    case Admission::Running:
        return IsRunningStatus(status);
    case Admission::Information:
        return IsInformationStatus(status);
    case Admission::OnlineParameter:
        return IsOnlineParameterAllowed(status, dataSetLocked);
    case Admission::RunningOrUnloading:
        return status == DtmStatus::Unloading || IsRunningStatus(status);
    }
    return false;
}

} // namespace DtmGate
