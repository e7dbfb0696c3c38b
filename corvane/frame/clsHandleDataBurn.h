#pragma once
// The data-burn watch. When "SetDisableBurnDelay" has switched the burn delay
// off, the device saves its data; this component then reads "CheckDataBurn"
// again, kPollIntervalMs after the last read ended, until the device's
// DATA_SAVE bit has been seen set and then clear. The watch is bounded (kWatchLimitMs, then traced as failed) and ends
// on an abort, which switches the burn delay on again on a device that can be
// busy.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include "platform/loop/SingleShotHandle.h"
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class IDeviceInfo;

class clsHandleDataBurn : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    // How long the watch waits for the save to begin and end.
    static constexpr int kWatchLimitMs = 120000;
    // The pause between the end of one read and the start of the next, as a
    // HART master polls: a few reads a second, not one after the other.
    static constexpr int kPollIntervalMs = 250;

    clsHandleDataBurn();
    ~clsHandleDataBurn() override;
    clsHandleDataBurn(const clsHandleDataBurn&) = delete;
    clsHandleDataBurn& operator=(const clsHandleDataBurn&) = delete;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    void Abort() override;
    void HandleUploadCompleted() override {}

    bool Registered() const { return m_registered; }
    bool Watching() const { return m_watching; }
    // The pause before the next read of the watch runs.
    bool CheckScheduled() const { return m_nextCheck.IsPending(); }
    bool AbortPending() const { return m_abortPending; }
    // Why the last watch failed; empty when it ended well or runs.
    const QString& FailureReason() const { return m_failureReason; }

public slots:
    void m_seqCheckDataBurn_StatusChanged(int32_t sequenceStatus);
    void m_seqDisableBurnDelay_StatusChanged(int32_t sequenceStatus);
    void m_seqSetEnableBurnDelay1_StatusChanged(int32_t sequenceStatus);

private:
    bool DataSaveSet();
    void StartCheck();
    // The next read, after the poll interval.
    void ScheduleCheck();
    void EndOnAbort();
    void EndWatch();
    void ReEnableBurnDelay();
    void Fail(const QString& why);

    bool m_registered = false;
    bool m_abortPending = false;
    bool m_dataSaveSeen = false;
    bool m_watching = false;
    bool m_disableRunning = false; // "SetDisableBurnDelay" was asked to run or runs
    qint64 m_watchStartMs = 0;
    QString m_failureReason;
    loop::SingleShotHandle m_nextCheck;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    clsAppItemCollection m_items;
    clsSeqItemCollection m_sequences;
    std::shared_ptr<clsSequenceItem> m_seqSetEnableBurnDelay1;
    std::shared_ptr<clsSequenceItem> m_seqDisableBurnDelay;
    std::shared_ptr<clsSequenceItem> m_seqCheckDataBurn;
};
