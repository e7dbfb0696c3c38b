#pragma once
// The upload and download chains. Only the first sequence of a transfer is
// started from outside ("upload" to read the device, "downloadAi" to write
// it); each time a sequence of the chain ends, the next one is picked from
// the device's bus kind, its enabled functions, its software revision and its
// linearisation type, and started. "XXXTransferCompletedXXX" reads "0" while
// a chain runs, "1" when it ended well and "2" when it failed (a sequence the
// host stopped, a record whose error was passed over, an abort), so the FDT
// side never takes a broken transfer for a good one; "XXXTransferFailureXXX"
// then says why; "XXXTransferNoticeXXX" lists, one a line, the values the
// device took other than they were sent in a chain that ended well. The end of a good upload
// raises UploadCompleted. On a device that can be busy, once a record was
// written, every upload step is followed by "SetEnableBurnDelay". The
// sequence "download" that the FDT side forces writes what "downloadAi" writes
// and goes on with the same chain. Only those two begin a download chain: a
// block's sequence that a page runs itself is followed by nothing. Before
// either writes, a device whose revision or flow function is not the one the
// project was read with is refused, and each twin pair is given one value,
// so that the download sends what the project holds and shows.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class IDeviceInfo;
class clsRecordMgr;
class clsStartAlwaysView;
namespace applet {
class clsAppletItemManager;
}

class clsUpDownloadMgr : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    // Values of "XXXTransferCompletedXXX".
    static inline const QString kTransferRunning = QStringLiteral("0");
    static inline const QString kTransferDone = QStringLiteral("1");
    static inline const QString kTransferFailed = QStringLiteral("2");

    clsUpDownloadMgr();
    ~clsUpDownloadMgr() override;
    clsUpDownloadMgr(const clsUpDownloadMgr&) = delete;
    clsUpDownloadMgr& operator=(const clsUpDownloadMgr&) = delete;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    // Stops the next chain step; a running chain ends as failed.
    void Abort() override;
    void HandleUploadCompleted() override {}

    // Advance the chain and return the next sequence, or "" at its end (which
    // writes the transfer's result). "" at once while not registered.
    QString GetNextUploadSequenceName();
    QString GetNextDownloadSequenceName();

    bool Registered() const { return m_registered; }
    bool BurnDelayPending() const { return m_burnDelayPending; }
    bool AbortPending() const { return m_abortPending; }
    bool UploadRunning() const { return m_uploadRunning; }
    bool DownloadRunning() const { return m_downloadRunning; }
    int16_t UploadIndex() const { return m_uploadIndex; }
    int16_t DownloadIndex() const { return m_downloadIndex; }
    // The reason the last transfer failed; empty after a good one.
    const QString& FailureReason() const { return m_failureReason; }

signals:
    void UploadCompleted();

public slots:
    // Called by name by the sequence items: (sequence name, sequence state).
    void seqUpload_StatusChanged(const QString& name, int status);
    void seqInitialDownload_StatusChanged(const QString& name, int status);
    void seqDownload_StatusChanged(const QString& name, int status);
    void seqSetEnableBurnDelay_StatusChanged(const QString& name, int status);
    void seqDisableBurnDelay_StatusChanged(const QString& name, int status);
    void m_CurrentRecordState_ValueChanged(const QString& appItemValue);

private:
    QStringList UploadList();
    QStringList DownloadList();
    // Advances index along list; "" past its end.
    static QString NextEntry(const QStringList& list, int16_t& index);
    bool LinearisedByCurve();

    // A transfer begins: its failure marks of earlier transfers are dropped.
    void BeginTransfer();
    // Why the step of sequence name that just ended failed; "" when it did
    // not (the host left the sequence stopped, or a record error was passed over).
    QString StepFailure(const QString& name);
    // The device checked against the project's identity and the twin pairs
    // given one value before the first sequence name of a download writes;
    // false: it does not run, stopped, and the download failed with the reason.
    bool DeriveBeforeDownload(const QString& name);
    // Every value the download chain that begins with sequence first will
    // send, checked against its item and encoded as its record sends it;
    // "" when all fit, else which item of which record does not and why.
    QString CheckBeforeWriting(const applet::clsAppletItemManager& manager, const QString& first);
    // A download step failed after records were written (why): the lock the
    // download was to leave is written before the chain ends as failed.
    void RestoreLockAfter(const QString& failedSequence, const QString& why);
    // "; written before: RECORDS" of the download now running.
    QString WrittenRecords() const;
    // Ends the running chain as failed: traced, "2" written, no further step.
    void FailTransfer(const QString& why);
    // "1" for a good end, "2" when a record error was passed over meanwhile.
    void EndTransfer();
    // Starts (or forces) the next sequence; a refusal fails the transfer (false).
    bool Run(const QString& name, bool force);
    void UploadStep();
    // Starts the next sequence of the download chain; at its end, nothing.
    void DownloadStep();

    void SetTransferCompleted(const QString& value);
    // "XXXTransferFailureXXX": why the last transfer failed, for the frame to tell.
    void SetTransferFailure(const QString& why);
    // Writes a text item by its key; a failure is traced.
    void SetText(const QString& key, const QString& text);
    QString Read(const QString& key);
    std::shared_ptr<clsRecordMgr> RecordManager() const;
    bool RecordErrorPassedOver() const;
    void ClearRecordErrors();

    bool m_registered = false;
    std::weak_ptr<clsStartAlwaysView> m_view;
    clsAppItemCollection m_items;
    clsSeqItemCollection m_sequences;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    std::shared_ptr<clsAppItem> m_CurrentRecordState;
    bool m_burnDelayPending = false;
    bool m_abortPending = false;
    // An upload chain runs: from a request of one of its sequences to its end.
    bool m_uploadRunning = false;
    // A download chain runs: from a request of one of its sequences to its end.
    bool m_downloadRunning = false;
    // The single-sequence download runs.
    bool m_initialDownloadRunning = false;
    int16_t m_uploadIndex = 0;
    int16_t m_downloadIndex = 0;
    int32_t m_uploadPhase = 0;
    int32_t m_burnDelayPhase = 0;
    QString m_failureReason;
    // The lock is written again after a failed step; why that step failed.
    bool m_lockRestoring = false;
    QString m_restoreReason;
};
