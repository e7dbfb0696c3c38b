#pragma once
// The frame's dialog service: the DTM's message boxes, file choices and
// modal windows as the Qt service shows them, with an end the frame decides.
//
// A question the DTM asks runs its own event loop inside the frame's wait, so
// the frame's time-out or a stop signal cannot end the function while it is
// open. Expire() answers every dialog open at that moment with its safe
// choice (no write, no save: No, Cancel, Abort or OK, see SafeAnswer) and
// every later one without showing it, until Resume().
#include "platform/dialogs/QtDialogService.h"
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QDialog;

class DeadlineDialogService : public dialogs::QtDialogService {
public:
    // report gets one line per dialog answered by the frame.
    explicit DeadlineDialogService(std::function<void(const QString&)> report);

    // why: the end that answers ("time-out", "stopped by SIGINT").
    void Expire(const QString& why);
    // Dialogs are shown and wait for their user again.
    void Resume();
    bool Expired() const { return m_expired; }

    // The answer that writes and saves nothing.
    static dialogs::DialogResult SafeAnswer(dialogs::MessageButtons buttons);

    dialogs::DialogResult OnShowMessage(const dialogs::MessageBoxRequest& request) override;
    QString ChooseSaveFile(const dialogs::FileDialogRequest& request) override;
    QString ChooseOpenFile(const dialogs::FileDialogRequest& request) override;
    int ExecModal(QDialog& dialog) override;

private:
    // Runs the dialog modally, known as open while it runs; its result code.
    int Run(QDialog& dialog);
    QString ChooseFile(dialogs::DialogKind kind, const dialogs::FileDialogRequest& request);
    void Answered(const QString& what, const QString& answer);

    std::function<void(const QString&)> m_report;
    std::vector<QPointer<QDialog>> m_open;
    bool m_expired = false;
    QString m_why;
};
