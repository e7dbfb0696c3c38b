#pragma once
// The reference frame's container of one DTM instance: it answers the DTM's
// calls into the frame (schema folder, save request, dataset lock, user
// dialog, bulk-data folder) and receives its events. Every call is recorded
// in the frame's event log, in order. How it answers can be set, so that a
// test can play a frame that refuses, fails or never saves.
#include "platform/automation/ClassRegistry.h"
#include "platform/frame/fdt/FrameBulkData.h"
#include "platform/frame/fdt/IDtmEvents.h"
#include "platform/frame/fdt/IFdtContainer.h"
#include "platform/frame/fdt/IFdtDialog.h"
#include <QString>
#include <QStringList>
#include <memory>

namespace frame {

class ReferenceFrame;

class FrameContainer : public automation::ComObject,
                       public fdt::IFdtContainer,
                       public fdt::IDtmEvents,
                       public fdt::IFdtDialog,
                       public fdt::FrameBulkData,
                       public std::enable_shared_from_this<FrameContainer> {
public:
    FrameContainer(ReferenceFrame* frame, QString systemTag);

    // How the lock and unlock calls are answered.
    enum class Answer {
        Grant,  // as a frame does: the lock is granted unless another user holds it
        Refuse, // false
        Raise,  // the call fails with an error
    };
    // How a save request is answered.
    enum class SaveAnswer {
        Save,       // true, and the frame saves the instance on the next loop turn
        AcceptOnly, // true, but the frame never saves
        Refuse,     // false
        Raise,      // the call fails with an error
    };
    void SetLockAnswer(Answer answer) { m_lockAnswer = answer; }
    void SetUnlockAnswer(Answer answer) { m_unlockAnswer = answer; }
    void SetSaveAnswer(SaveAnswer answer) { m_saveAnswer = answer; }
    // Every event then fails with an error (after it was recorded).
    void SetEventsRaise(bool raise) { m_eventsRaise = raise; }
    // Every event and user dialog then fails with an exception that is no
    // COM error, as a frame's own fault would (after it was recorded).
    void SetEventsFailForeign(bool fail) { m_eventsFailForeign = fail; }

    QString SystemTag() const { return m_systemTag; }
    // True while the DTM holds the frame's lock of its dataset.
    bool DataSetLockedByDtm() const { return m_lockedByDtm; }
    // The user who holds the lock besides the DTM (empty: nobody).
    QString OtherLockHolder() const { return m_otherHolder; }
    void SetOtherLockHolder(const QString& user) { m_otherHolder = user; }

    // The frame has gone: calls are no longer recorded; requests are refused.
    void Detach() { m_frame = nullptr; }

    // IFdtContainer
    QString GetXmlSchemaPath() override;
    bool LockDataSet(const QString& systemTag) override;
    bool SaveRequest(const QString& systemTag) override;
    bool UnlockDataSet(const QString& systemTag) override;

    // IDtmEvents
    void OnApplicationClosed(const QString& systemTag, const QString& invokeId) override;
    void OnDownloadFinished(const QString& systemTag, const QString& invokeId, bool success) override;
    void OnErrorMessage(const QString& systemTag, const QString& message) override;
    void OnFunctionChanged(const QString& systemTag) override;
    void OnInvokedFunctionFinished(const QString& systemTag, const QString& invokeId, bool success) override;
    void OnOnlineStateChanged(const QString& systemTag, bool connected) override;
    void OnParameterChanged(const QString& systemTag, const QString& parameter) override;
    void OnPreparedToRelease(const QString& systemTag) override;
    void OnPreparedToReleaseCommunication(const QString& systemTag) override;
    void OnProgress(const QString& systemTag, const QString& title, int32_t percent, bool show) override;
    void OnUploadFinished(const QString& systemTag, const QString& invokeId, bool success) override;

    // IFdtDialog: shows the message through the dialog service.
    QString UserDialog(const QString& systemTag, const QString& userDialog) override;

    // FrameBulkData: the instance's folder below the project.
    QString GetBulkDataPath(const QString& systemTag) override;

private:
    void Record(const QString& systemTag, const QString& name, const QStringList& arguments = {});
    void RecordEvent(const QString& systemTag, const QString& name, const QStringList& arguments = {});
    bool AnswerLock(Answer answer, const char* call);
    void FailForeign(const QString& name) const;

    ReferenceFrame* m_frame;
    QString m_systemTag;
    Answer m_lockAnswer = Answer::Grant;
    Answer m_unlockAnswer = Answer::Grant;
    SaveAnswer m_saveAnswer = SaveAnswer::Save;
    bool m_eventsRaise = false;
    bool m_eventsFailForeign = false;
    bool m_lockedByDtm = false;
    QString m_otherHolder;
};

// "True" or "False", as the event log shows Booleans.
QString BoolText(bool value);

} // namespace frame
