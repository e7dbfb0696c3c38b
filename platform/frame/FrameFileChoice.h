#pragma once
// The frame's answer to a DTM's file-save choice when the user named the file
// beforehand (the command line's export file): while it lives, every save
// choice is answered with that file, and every other dialog goes to the
// service that was installed before it.
#include "platform/dialogs/DialogService.h"
#include <QString>
#include <QStringList>

namespace frame {

class FrameFileChoice : public dialogs::DialogService {
public:
    explicit FrameFileChoice(QString saveFile);
    ~FrameFileChoice() override;
    FrameFileChoice(const FrameFileChoice&) = delete;
    FrameFileChoice& operator=(const FrameFileChoice&) = delete;

    QString SaveFile() const { return m_saveFile; }
    // The titles of the save choices answered so far, in order.
    const QStringList& Answered() const { return m_answered; }

    dialogs::DialogResult OnShowMessage(const dialogs::MessageBoxRequest& request) override;
    QString ChooseSaveFile(const dialogs::FileDialogRequest& request) override;
    QString ChooseOpenFile(const dialogs::FileDialogRequest& request) override;
    int ExecModal(QDialog& dialog) override;

private:
    QString m_saveFile;
    QStringList m_answered;
    dialogs::DialogService& m_next;
    dialogs::DialogService* m_previousInstalled;
};

} // namespace frame
