#pragma once
// The dialog service of tests: answers are queued in advance and given in
// that order, and every request is recorded so a test can assert what the
// user would have seen.
//
// A request without a queued answer, with an answer of another kind (a file
// answer for a message box), or with a button its box does not have is an
// error: it is recorded in Errors(), written to standard error and handed to
// the failure handler (a test installs one that fails the test), and the
// request gets the cautious answer: the box's escape answer (Cancel, No for
// Yes/No, Abort for Abort/Retry/Ignore, OK for OK only), an empty path for a
// file choice, QDialog::Rejected for a modal dialog. A mismatched answer is
// used up, so later answers stay matched to later requests.
#include "platform/dialogs/DialogService.h"
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace dialogs {

class ScriptedDialogService : public DialogService {
public:
    struct Request {
        DialogKind kind = DialogKind::Message;
        QString title;
        QString text;        // message text; the object name of a modal dialog
        MessageIcon icon = MessageIcon::None;
        MessageButtons buttons = MessageButtons::Ok;
        bool topMost = false;
        QString folder;      // file choices
        QString filter;
        QString defaultName;
    };

    // Fills a modal dialog as the user would and returns its result code; it
    // may also end the dialog itself (accept(), done(), clicking a button).
    using ModalAction = std::function<int(QDialog& dialog)>;

    void AnswerMessage(DialogResult answer);
    // The chosen path; empty for a cancelled choice.
    void AnswerSaveFile(const QString& path);
    void AnswerOpenFile(const QString& path);
    void AnswerModal(int resultCode);
    void AnswerModal(ModalAction action);

    const std::vector<Request>& Requests() const { return m_requests; }
    const QStringList& Errors() const { return m_errors; }
    int PendingAnswers() const { return static_cast<int>(m_answers.size()); }
    void SetFailureHandler(std::function<void(const QString& error)> handler) { m_onFailure = std::move(handler); }

    DialogResult OnShowMessage(const MessageBoxRequest& request) override;
    QString ChooseSaveFile(const FileDialogRequest& request) override;
    QString ChooseOpenFile(const FileDialogRequest& request) override;
    int ExecModal(QDialog& dialog) override;

private:
    struct Answer {
        DialogKind kind;
        DialogResult result = DialogResult::None;
        QString path;
        ModalAction action;
    };

    // The next answer if it is of this kind; records the error otherwise.
    bool TakeAnswer(const Request& request, Answer& answer);
    void Fail(const QString& error);
    QString ChooseFile(DialogKind kind, const FileDialogRequest& request);

    std::deque<Answer> m_answers;
    std::vector<Request> m_requests;
    QStringList m_errors;
    std::function<void(const QString&)> m_onFailure;
};

} // namespace dialogs
