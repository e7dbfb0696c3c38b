#pragma once
// The DTM status, its names, the predicates the FDT methods are admitted by,
// and the gate of each method: when it is admitted, what a refusal traces and
// the entry and exit traces of the method frame.
#include <QString>
#include <cstdint>
#include <span>

namespace DtmStatus {
constexpr int32_t Up = 0;
constexpr int32_t Configured = 1;
constexpr int32_t CommunicationSet = 2;
constexpr int32_t Destroyed = 3;
constexpr int32_t ExistingCreated = 4;
constexpr int32_t GoingOnline = 5;
constexpr int32_t GoingOffline = 6;
constexpr int32_t Unloading = 7;
constexpr int32_t NewCreated = 8;
constexpr int32_t NewEnabled = 9;
constexpr int32_t Online = 10;
constexpr int32_t Running = 11;
constexpr int32_t Inoperable = 12;
} // namespace DtmStatus

namespace DtmGate {

// "UP", "CONFIGURED", ...; "INVALID STATUS" outside 0 to 12.
QString StatusName(int32_t status);

// 1, 2, 5, 6 or 10.
bool IsConfiguredStatus(int32_t status);
// 11, or configured.
bool IsRunningStatus(int32_t status);
// 4 or 9, or running.
bool IsInformationStatus(int32_t status);
// 2, 5, 6 or 10, and the dataset not locked by another user.
bool IsOnlineParameterAllowed(int32_t status, bool dataSetLocked);

enum class DtmMethod {
    Class_InitProperties,
    Class_ReadProperties,
    Class_WriteProperties,
    IDtm_Environment,
    IDtm_InitNew,
    IDtm_Config,
    IDtm_SetCommunication,
    IDtm_PrepareToReleaseCommunication,
    IDtm_ReleaseCommunication,
    IDtm_PrepareToRelease,
    IDtm_PrepareToDelete,
    IDtm_SetLanguage,
    IDtm_GetFunctions,
    IDtm_InvokeFunctionRequest,
    IDtm_PrivateDialogEnabled,
    IDtmApplication_StartApplication,
    IDtmApplication_ExitApplication,
    IDtmChannel_GetChannels,
    IDtmInformation_GetInformation,
    IDtmOnlineParameter_CancelAction,
    IDtmOnlineParameter_DownloadRequest,
    IDtmOnlineParameter_UploadRequest,
    IDtmParameter_GetParameters,
    IDtmParameter_SetParameters,
};

enum class Admission {
    Always,             // no status test
    Statuses,           // the status is one of MethodGate::statuses
    Configured,         // IsConfiguredStatus
    Running,            // IsRunningStatus
    Information,        // IsInformationStatus
    OnlineParameter,    // IsOnlineParameterAllowed
    RunningOrUnloading, // IsRunningStatus or 7
};

struct MethodGate {
    DtmMethod method;
    const char* name;       // "IDtm::InitNew"
    Admission admission;
    uint32_t statuses;      // bit n set: status n admitted (Admission::Statuses)
    bool refusalStopsWork;  // false: a refusal is only traced and the method goes on
    const char* refusal;    // text given to ReportWrongStatus
    const char* entryTrace; // "" when the method writes its own
    const char* exitTrace;  // "" for none
};

std::span<const MethodGate> Gates();
const MethodGate& Gate(DtmMethod method);
bool Admits(const MethodGate& gate, int32_t status, bool dataSetLocked);

} // namespace DtmGate
