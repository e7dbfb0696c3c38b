#pragma once
// The record manager: hooks every record of the device description, publishes
// the last record's name, state and response bytes in "currentRecord",
// "currentRecordState" and "currentResponseCode", and decides per bus kind
// how a record with a failed response goes on: accept, repeat, ignore, or
// abort all running transfers, asking the user where the response calls for
// it.
//
// Beyond answering the record it keeps two things the transfer chain reads:
// TransferFailed() is set whenever an error could not be put before the user
// (no form open, no engineering context) and was passed over, or a record
// never stopped reporting busy; the chain clears it when it starts. A busy
// record is answered "repeat" at once (the applet host waits before it sends
// the record again) until kMaxRepeats, when the shared abort is requested.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsRecItemCollection.h"
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class IDeviceInfo;
class IViewEx;

class clsRecordMgr : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static constexpr int kMaxRepeats = 100;

    clsRecordMgr();
    ~clsRecordMgr() override;
    clsRecordMgr(const clsRecordMgr&) = delete;
    clsRecordMgr& operator=(const clsRecordMgr&) = delete;

    // IStartAlwaysComp. Abort has nothing to do: no repeat waits here.
    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    void Abort() override;
    void HandleUploadCompleted() override {}

    bool Registered() const { return m_registered; }
    bool TransferFailed() const { return m_transferFailed; }
    void ClearTransferFailed() { m_transferFailed = false; }
    // The write records that ended well since the last clear, in order.
    const QStringList& WrittenRecords() const { return m_written; }
    void ClearWrittenRecords() { m_written.clear(); }
    // What the device took other than it was sent (a value set to the
    // nearest it can hold), one line each, in order, since the last clear.
    const QStringList& Notices() const { return m_notices; }
    void ClearNotices() { m_notices.clear(); }
    const clsRecItemCollection& Records() const { return m_records; }

public slots:
    // The hook of every record ("RecordItem_StatusChanged", found without
    // regard to case). Each step goes on past its own errors, which are traced.
    void recordItem_StatusChanged(const QString& name, int status);

private:
    void HookRecords(const std::shared_ptr<applet::clsAppletItemManager>& manager);
    void HartRules(clsRecordItem& record, int status, const QByteArray& response);
    void FieldbusRules(clsRecordItem& record, int status, const QByteArray& response);
    // A write record the device carried out with the nearest value it can
    // hold: the project takes the values of the response; false when the
    // record is no write record of the description.
    bool TakeDeviceValues(clsRecordItem& record, const QByteArray& response);
    void HartMessage(clsRecordItem& record, const QString& text, int responseCode, const QByteArray& response);
    // Shows text (detailed: with the record name and response byte 3 in
    // front) with style and answers the record by the button pressed.
    void ShowAndAnswer(clsRecordItem& record, const QString& text, int32_t style, bool detailed,
                       const QByteArray& response);
    // The message-box rule; when it forbids the box the error is traced, the
    // transfer marked failed and the record answered "ignore".
    bool BoxAllowedElsePassOver(clsRecordItem& record, const QString& what);
    void AnswerByButton(clsRecordItem& record, int32_t button);
    void RepeatBounded(clsRecordItem& record, const QString& why);
    void Answer(clsRecordItem& record, int32_t action);
    void RequestAbort(const QString& why);
    QString Text(int32_t textId, bool* lookupFailed = nullptr);
    QString CurrentRecord();
    bool SilentRecord();

    bool m_registered = false;
    bool m_debugMode = false;
    bool m_transferFailed = false;
    std::weak_ptr<IViewEx> m_view;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    clsAppItemCollection m_items;
    clsRecItemCollection m_records;
    QStringList m_written;
    QStringList m_notices;
    QString m_writing; // the write record under way
    QString m_repeatRecord;
    int m_repeats = 0;
};
