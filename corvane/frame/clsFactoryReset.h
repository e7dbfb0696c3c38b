#pragma once
// Carries a factory reset on after the user interface has started
// "InitiateFactoryReset": lets it run, then polls the device with "CheckBusy",
// kPollIntervalMs after the end of the last check, until a record response has shown the device busy, so the reset is known to
// have taken hold. The record manager repeats every record the device answers
// with busy, so the last "CheckBusy" ends only when the device is no longer
// busy.
//
// The poll is bounded: a device that has not shown itself busy within
// kPollLimitMs of the reset's start ends the reset as failed (traced, and the
// shared abort requested so whatever waits on the reset lets go). An abort
// request ends the poll too.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include "platform/loop/SingleShotHandle.h"
#include <QObject>
#include <QString>
#include <memory>

class IDeviceInfo;

class clsFactoryReset : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static inline const QString kInitiateFactoryReset = QStringLiteral("InitiateFactoryReset");
    static inline const QString kCheckBusy = QStringLiteral("CheckBusy");
    static inline const QString kCurrentResponseCode = QStringLiteral("currentResponseCode");
    static constexpr qint64 kPollLimitMs = 120000;
    // The pause between the end of one check and the start of the next, as a
    // HART master polls: a few checks a second, not one after the other.
    static constexpr int kPollIntervalMs = 250;

    clsFactoryReset();
    ~clsFactoryReset() override;
    clsFactoryReset(const clsFactoryReset&) = delete;
    clsFactoryReset& operator=(const clsFactoryReset&) = delete;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    // Ends a running reset: no further "CheckBusy" starts.
    void Abort() override;
    void HandleUploadCompleted() override {}

    // The busy test of the last record response, by bus kind.
    bool IsDeviceBusy();

    bool Registered() const { return m_registered; }
    bool WaitingForBusy() const { return waitingForBusy; }
    // True from the reset's write request until its last "CheckBusy" ended,
    // the poll ran out of time or an abort ended it.
    bool ResetRunning() const { return m_resetRunning; }

public slots:
    void appCurrentResponseCode_ValueChanged2(const QString& Value, bool suppressRule);
    void seqInitiateFactoryReset_StatusChanged(int32_t sequenceStatus);
    void seqCheckBusy_StatusChanged(int32_t sequenceStatus);

private:
    void StartCheckBusy();
    // The next check, after the poll interval.
    void ScheduleCheckBusy();
    void Fail(const QString& why);

    bool m_registered = false;
    bool waitingForBusy = false;
    bool m_resetRunning = false;
    bool m_checkStarted = false; // a check this poll started has not asked to run yet
    qint64 m_resetStartMs = 0;
    loop::SingleShotHandle m_nextCheck;
    std::weak_ptr<IViewEx> m_view;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::shared_ptr<IDeviceInfo> deviceInfo;
    clsAppItemCollection items;
    clsSeqItemCollection sequences;
    std::shared_ptr<clsAppItem> appCurrentResponseCode;
    std::shared_ptr<clsSequenceItem> seqInitiateFactoryReset;
    std::shared_ptr<clsSequenceItem> seqCheckBusy;
};
