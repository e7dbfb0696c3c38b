#pragma once
// Every message box, question, file choice and modal dialog of the system goes
// through the dialog service, so that tests can answer what a user would.
// Programs use QtDialogService (the default); tests install a
// ScriptedDialogService. Each call returns when the dialog has been dismissed.
#include "platform/dialogs/DialogTypes.h"
#include <QString>

class QDialog;

namespace dialogs {

class DialogService {
public:
    DialogService() = default;
    virtual ~DialogService();
    DialogService(const DialogService&) = delete;
    DialogService& operator=(const DialogService&) = delete;

    // The installed service, or the program's Qt service when none is installed.
    static DialogService& instance();
    // Installs service for the whole process; nullptr restores the Qt service.
    // Returns the service installed before (nullptr for the Qt service).
    static DialogService* SetInstance(DialogService* service);

    // The title of the system's message boxes: whichever part speaks, the
    // user sees one name, unless the function a box belongs to names the box
    // itself (OwnTitle).
    static inline const QString kMessageTitle = QStringLiteral("Trivex DTM");

    // Shows a message box titled kMessageTitle, whatever title the caller
    // gave, unless the request keeps its own title.
    DialogResult ShowMessage(const MessageBoxRequest& request);
    // The chosen path, or an empty text when the user cancelled.
    virtual QString ChooseSaveFile(const FileDialogRequest& request) = 0;
    virtual QString ChooseOpenFile(const FileDialogRequest& request) = 0;
    // Runs a window of the system modally; returns its result code
    // (QDialog::Accepted, QDialog::Rejected or what it passed to done()).
    virtual int ExecModal(QDialog& dialog) = 0;

    void Information(const QString& title, const QString& text);
    void Warning(const QString& title, const QString& text);
    void Critical(const QString& title, const QString& text);
    // True for Yes.
    bool AskYesNo(const QString& title, const QString& text, MessageIcon icon = MessageIcon::Question);
    // Yes, No or Cancel.
    DialogResult AskYesNoCancel(const QString& title, const QString& text,
                                MessageIcon icon = MessageIcon::Question);
    // True for OK.
    bool AskOkCancel(const QString& title, const QString& text, MessageIcon icon = MessageIcon::Question);
    // The same boxes under the title their function gives them.
    void Information(const OwnTitle& title, const QString& text);
    void Warning(const OwnTitle& title, const QString& text);
    DialogResult AskYesNoCancel(const OwnTitle& title, const QString& text, MessageIcon icon = MessageIcon::Question);
    bool AskOkCancel(const OwnTitle& title, const QString& text, MessageIcon icon = MessageIcon::Question);
    // A box described by a classic style number (see MessageBoxRequest::FromStyle);
    // returns the classic code of the button pressed.
    int ShowMessageStyle(const QString& text, int style, const QString& title);

protected:
    // Shows the box as ShowMessage titled it.
    virtual DialogResult OnShowMessage(const MessageBoxRequest& request) = 0;
};

} // namespace dialogs
