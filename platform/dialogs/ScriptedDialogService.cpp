#include "platform/dialogs/ScriptedDialogService.h"
#include <QDialog>
#include <algorithm>

namespace dialogs {

void ScriptedDialogService::AnswerMessage(DialogResult answer)
{
    m_answers.push_back(Answer{DialogKind::Message, answer, {}, {}});
}

void ScriptedDialogService::AnswerSaveFile(const QString& path)
{
    m_answers.push_back(Answer{DialogKind::FileSave, DialogResult::None, path, {}});
}

void ScriptedDialogService::AnswerOpenFile(const QString& path)
{
    m_answers.push_back(Answer{DialogKind::FileOpen, DialogResult::None, path, {}});
}

void ScriptedDialogService::AnswerModal(int resultCode)
{
    AnswerModal([resultCode](QDialog&) { return resultCode; });
}

void ScriptedDialogService::AnswerModal(ModalAction action)
{
    m_answers.push_back(Answer{DialogKind::Modal, DialogResult::None, {}, std::move(action)});
}

void ScriptedDialogService::Fail(const QString& error)
{
    m_errors << error;
    qWarning("ScriptedDialogService: %s", qUtf8Printable(error));
    if (m_onFailure)
        m_onFailure(error);
}

bool ScriptedDialogService::TakeAnswer(const Request& request, Answer& answer)
{
    const QString what = QStringLiteral("%1 \"%2\" %3")
                             .arg(KindName(request.kind), request.title,
                                  request.text.isEmpty() ? QString() : QStringLiteral("(\"%1\")").arg(request.text))
                             .trimmed();
    if (m_answers.empty()) {
        Fail(QStringLiteral("Unscripted %1").arg(what));
        return false;
    }
    answer = std::move(m_answers.front());
    m_answers.pop_front();
    if (answer.kind != request.kind) {
        Fail(QStringLiteral("A %1 answer was scripted, but the request was a %2")
                 .arg(KindName(answer.kind), what));
        return false;
    }
    return true;
}

DialogResult ScriptedDialogService::OnShowMessage(const MessageBoxRequest& request)
{
    Request seen;
    seen.kind = DialogKind::Message;
    seen.title = request.title;
    seen.text = request.text;
    seen.icon = request.icon;
    seen.buttons = request.buttons;
    seen.topMost = request.topMost;
    m_requests.push_back(seen);

    const DialogResult escape = EscapeAnswerOf(request.buttons);
    Answer answer;
    if (!TakeAnswer(seen, answer))
        return escape;
    const std::vector<DialogResult>& offered = AnswersOf(request.buttons);
    if (std::find(offered.begin(), offered.end(), answer.result) == offered.end()) {
        Fail(QStringLiteral("The scripted answer %1 is not a button of message box \"%2\"")
                 .arg(AnswerName(answer.result), request.title));
        return escape;
    }
    return answer.result;
}

QString ScriptedDialogService::ChooseFile(DialogKind kind, const FileDialogRequest& request)
{
    Request seen;
    seen.kind = kind;
    seen.title = request.title;
    seen.folder = request.folder;
    seen.filter = request.filter;
    seen.defaultName = request.defaultName;
    m_requests.push_back(seen);

    Answer answer;
    return TakeAnswer(seen, answer) ? answer.path : QString();
}

QString ScriptedDialogService::ChooseSaveFile(const FileDialogRequest& request)
{
    return ChooseFile(DialogKind::FileSave, request);
}

QString ScriptedDialogService::ChooseOpenFile(const FileDialogRequest& request)
{
    return ChooseFile(DialogKind::FileOpen, request);
}

int ScriptedDialogService::ExecModal(QDialog& dialog)
{
    Request seen;
    seen.kind = DialogKind::Modal;
    seen.title = dialog.windowTitle();
    seen.text = dialog.objectName();
    m_requests.push_back(seen);

    Answer answer;
    if (!TakeAnswer(seen, answer) || !answer.action) {
        dialog.done(QDialog::Rejected);
        return QDialog::Rejected;
    }
    // The action may end the dialog itself (clicking its OK button); otherwise
    // it is ended with the returned code, so its finished signals fire as
    // after a real exec.
    bool ended = false;
    int endResult = QDialog::Rejected;
    const auto connection = QObject::connect(&dialog, &QDialog::finished, [&ended, &endResult](int result) {
        ended = true;
        endResult = result;
    });
    const int result = answer.action(dialog);
    QObject::disconnect(connection);
    if (ended)
        return endResult;
    dialog.done(result);
    return result;
}

} // namespace dialogs
