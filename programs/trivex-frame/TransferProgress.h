#pragma once
// Shows a running upload or download on standard error: the sequence and the
// record the device application reports, as one line updated in place on a
// terminal and as plain lines otherwise; and remembers the last record that
// failed with its response, so the end of a failed transfer can say why.
#include "platform/applet/View.h"
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <cstdint>
#include <map>
#include <memory>

class TransferProgress : public applet::View, public std::enable_shared_from_this<TransferProgress> {
public:
    TransferProgress(QTextStream& stream, bool terminal, const QString& what);
    ~TransferProgress() override;

    // Registers with the item manager of the process's applet host; false
    // while there is none yet (try again later).
    bool Attach();
    void Detach();
    bool Attached() const { return m_manager != nullptr; }
    // Ends the line that is updated in place.
    void Finish();

    // "record NAME: response code N (words)" of the first record that
    // failed (a record sent again that then succeeded did not fail); when
    // none failed, why the device application says the transfer failed
    // ("XXXTransferFailureXXX", empty when it says nothing). A record without
    // a valid answer failed for the connection's reason when one is known
    // (connectionFailure, in words): "CAUSE (record NAME)".
    QString FailureReason(const QString& connectionFailure = QString()) const;
    // The lines the device application writes for a transfer that ended
    // well ("XXXTransferNoticeXXX": a value the device took other than it
    // was sent); read while attached.
    QStringList Notices() const;

    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    QString Text(const QString& name) const;
    void Show(const QString& line);

    QTextStream& m_stream;
    bool m_terminal;
    QString m_what;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::map<int32_t, QString> m_items; // handle -> item name
    QString m_shown;
    QString m_shownSequence;
    int m_shownWidth = 0;
    QString m_failedRecord;
    QByteArray m_failedResponse;
    int32_t m_failedState = 0;
    bool m_capturing = false; // the response of the first failed record is on its way
};
