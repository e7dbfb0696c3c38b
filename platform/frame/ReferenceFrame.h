#pragma once
// The reference frame: the stand-in for an FDT frame application. It creates
// DTM objects by ProgID through the class registry, gives each a container
// (FrameContainer), drives their lifecycle (new or stored instance,
// configuration, communication, save, release, deletion) and keeps a project
// folder with each instance's property bag.
//
// One entry per system tag. The frame holds the DTM object; the DTM holds its
// container; the container points back at the frame without owning it, so no
// ownership cycle remains when a DTM is never released. When a DTM reports
// OnPreparedToRelease the frame drops it at once, as frames do.
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/IHartDeviceType.h"
#include "platform/frame/FrameContainer.h"
#include "platform/frame/FrameEventLog.h"
#include "platform/frame/ProjectFolder.h"
#include <QString>
#include <functional>
#include <map>
#include <memory>

namespace frame {

class FrameCommunication;

class ReferenceFrame {
public:
    // schemaPath empty: DefaultSchemaPath().
    explicit ReferenceFrame(const QString& projectFolder, const QString& schemaPath = QString());
    ~ReferenceFrame();
    ReferenceFrame(const ReferenceFrame&) = delete;
    ReferenceFrame& operator=(const ReferenceFrame&) = delete;

    static inline const QString kDtmProgId = QStringLiteral("Fennick.clsTkDispatcher");
    // The names a DTM keeps its instance under ("DTM_PARAMETERS", "DTM_SIZE",
    // "DTM_CHANNEL_" + n).
    static inline const QString kDtmOwnedPrefix = QStringLiteral("DTM_");
    // "<program folder>/../schemas": the staged installation's FDT schemas.
    static QString DefaultSchemaPath();

    // Each step returns the DTM's answer, or false with LastError() set when
    // the frame could not take the step (unknown tag, missing interface, a
    // call that failed with an error, a file that cannot be read or written).

    // Creates the DTM object and its container.
    bool CreateDtm(const QString& systemTag);
    // A new instance: InitProperties, Environment, then InitNew(deviceType).
    bool InitNewInstance(const QString& systemTag, const QString& deviceType);
    // The first two steps of a new instance (InitProperties, Environment), so
    // that the frame can read the DTM information before it chooses the
    // device type; InitNew is the third.
    bool PrepareNewInstance(const QString& systemTag);
    bool InitNew(const QString& systemTag, const QString& deviceType);
    // A stored instance: ReadProperties with the bag from the project, then Environment.
    bool LoadInstance(const QString& systemTag);
    // Config with the user information document of the level.
    bool Configure(const QString& systemTag, const QString& userLevel, bool oemService = false);
    // WriteProperties into a bag that is then stored in the project. The DTM
    // owns the values named "DTM_..."; every other value of the stored file
    // (a frame's note, another tool's bag) is carried over unchanged.
    bool SaveInstance(const QString& systemTag);
    // Why each save the frame ran on a DTM's request and that failed failed
    // (also reported as FrameError).
    QStringList FailedSaves() const { return m_failedSaves; }
    // A communication object for the address and the device type the
    // instance's dataset names (the DTM's parameters): the DTM's connects
    // reach only a device of that type.
    bool SetCommunication(const QString& systemTag, const QString& address);
    // Whether a deadline (a time-out, a stop signal) ended the command the
    // frame runs: a DTM that disconnects then waits for no open answer of its
    // device. Given to the communication objects created after it.
    void SetCommandDeadline(std::function<bool()> passed) { m_commandDeadline = std::move(passed); }
    // What the communication server found at the instance's last connect:
    // the device's identity and status, or why it refused the device. False
    // when no connect got as far as the device's identity.
    bool LastConnect(const QString& systemTag, comm::HartConnectReport& report) const;
    // The announcement of the release of the communication and the release.
    bool PrepareToReleaseCommunication(const QString& systemTag);
    bool ReleaseCommunication(const QString& systemTag);
    // The frame's transfer requests; the end comes as OnUploadFinished or
    // OnDownloadFinished with the invoke id.
    bool UploadRequest(const QString& systemTag, const QString& invokeId);
    bool DownloadRequest(const QString& systemTag, const QString& invokeId);
    bool CancelAction(const QString& systemTag, const QString& invokeId);
    // The DTM information document and the dataset document; false with
    // LastError set when the DTM gave none.
    bool GetInformation(const QString& systemTag, QString& information);
    bool GetParameters(const QString& systemTag, QString& parameters);
    // The functions document for the operation phase ("engineering",
    // "commissioning", "runtime"); false with LastError set when the DTM gave
    // none.
    bool GetFunctions(const QString& systemTag, const QString& phase, QString& functions);
    // A function of the DTM's own (InvokeFunctionRequest) or an FDT
    // application (StartApplication) by its functionId; the end comes as
    // OnInvokedFunctionFinished or OnApplicationClosed with the invoke id.
    bool InvokeFunctionRequest(const QString& systemTag, const QString& invokeId, int32_t functionId,
                               const QString& phase);
    bool StartApplication(const QString& systemTag, const QString& invokeId, int32_t functionId,
                          const QString& phase);
    bool ExitApplication(const QString& systemTag, const QString& invokeId);
    // PrepareToRelease; the DTM goes when it reports OnPreparedToRelease.
    bool ReleaseInstance(const QString& systemTag);
    // PrepareToDelete, then PrepareToRelease; the stored instance is removed
    // when the DTM reports OnPreparedToRelease.
    bool DeleteInstance(const QString& systemTag);
    // Another user of the frame locks or unlocks the instance's dataset; the
    // DTM hears of it through IFdtEvents.
    bool LockByOtherUser(const QString& systemTag, const QString& userName);
    bool UnlockByOtherUser(const QString& systemTag, const QString& userName);

    bool HasDtm(const QString& systemTag) const;
    std::shared_ptr<automation::ComObject> DtmObject(const QString& systemTag) const;
    template <class Interface>
    std::shared_ptr<Interface> Dtm(const QString& systemTag) const
    {
        return std::dynamic_pointer_cast<Interface>(DtmObject(systemTag));
    }
    std::shared_ptr<FrameContainer> Container(const QString& systemTag) const;

    FrameEventLog& Events() { return m_events; }
    const FrameEventLog& Events() const { return m_events; }
    const ProjectFolder& Project() const { return m_project; }
    QString SchemaPath() const { return m_schemaPath; }
    QString LastError() const { return m_lastError; }

    // Called by the containers.
    void ScheduleSave(const QString& systemTag);
    void OnPreparedToRelease(const QString& systemTag);

private:
    struct Instance {
        std::shared_ptr<automation::ComObject> dtm;
        std::shared_ptr<FrameContainer> container;
        std::shared_ptr<FrameCommunication> communication;
        bool deleteOnRelease = false;
        // The bag as the project held it when the instance was loaded.
        automation::PropertyBag stored;
    };

    Instance* Find(const QString& systemTag);
    const Instance* Find(const QString& systemTag) const;
    // The instance with a DTM of the interface, or null with LastError set.
    template <class Interface>
    std::shared_ptr<Interface> Require(const QString& systemTag);
    bool Fail(const QString& error);
    // Fails with the refusal and what the DTM said about it in error
    // messages (OnErrorMessage) since the event log held `before` events.
    bool Refused(const QString& refusal, const QString& systemTag, size_t before);
    bool Environment(const QString& systemTag, Instance& instance);

    ProjectFolder m_project;
    QString m_schemaPath;
    FrameEventLog m_events;
    std::map<QString, Instance> m_instances;
    QString m_lastError;
    QStringList m_failedSaves;
    std::function<bool()> m_commandDeadline;
    // Watched by the frame's posted calls, so none runs after the frame died.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace frame
