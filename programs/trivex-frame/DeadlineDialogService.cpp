#include "DeadlineDialogService.h"
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>

namespace {

QString FirstLine(const QString& text)
{
    const QString line = text.section(QLatin1Char('\n'), 0, 0, QString::SectionSkipEmpty).simplified();
    return line.isEmpty() ? QStringLiteral("(no text)") : line;
}

} // namespace

DeadlineDialogService::DeadlineDialogService(std::function<void(const QString&)> report)
    : m_report(std::move(report))
{
}

// No to a question (a read, a write, a save); otherwise what Escape answers:
// Cancel or Abort where the box offers them, OK to a message.
dialogs::DialogResult DeadlineDialogService::SafeAnswer(dialogs::MessageButtons buttons)
{
    return buttons == dialogs::MessageButtons::YesNoCancel ? dialogs::DialogResult::No
                                                           : dialogs::EscapeAnswerOf(buttons);
}

void DeadlineDialogService::Expire(const QString& why)
{
    m_expired = true;
    m_why = why;
    // The innermost first: an outer dialog's loop ends once the inner one's has.
    const std::vector<QPointer<QDialog>> open = m_open;
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        if (QDialog* dialog = *it)
            dialog->reject();
}

void DeadlineDialogService::Resume()
{
    m_expired = false;
}

void DeadlineDialogService::Answered(const QString& what, const QString& answer)
{
    if (m_report)
        m_report(QStringLiteral("%1: %2 answered %3").arg(m_why, what, answer));
}

int DeadlineDialogService::Run(QDialog& dialog)
{
    m_open.emplace_back(&dialog);
    const int result = dialog.exec();
    std::erase_if(m_open, [&dialog](const QPointer<QDialog>& open) { return !open || open == &dialog; });
    return result;
}

dialogs::DialogResult DeadlineDialogService::OnShowMessage(const dialogs::MessageBoxRequest& request)
{
    const QString what = QStringLiteral("the message \"%1\"").arg(FirstLine(request.text));
    const dialogs::DialogResult safe = SafeAnswer(request.buttons);
    if (!m_expired) {
        const auto box = CreateMessageBox(request);
        Run(*box);
        if (!m_expired)
            return AnswerOf(*box, request.buttons);
    }
    Answered(what, dialogs::AnswerName(safe));
    return safe;
}

QString DeadlineDialogService::ChooseFile(dialogs::DialogKind kind, const dialogs::FileDialogRequest& request)
{
    if (!m_expired) {
        const auto dialog = CreateFileDialog(kind, request);
        const int result = Run(*dialog);
        if (!m_expired) {
            const QStringList chosen = dialog->selectedFiles();
            return result != QDialog::Accepted || chosen.isEmpty() ? QString() : chosen.front();
        }
    }
    Answered(dialogs::KindName(kind) + QStringLiteral(" \"") + request.title + QLatin1Char('"'),
             QStringLiteral("Cancel"));
    return QString();
}

QString DeadlineDialogService::ChooseSaveFile(const dialogs::FileDialogRequest& request)
{
    return ChooseFile(dialogs::DialogKind::FileSave, request);
}

QString DeadlineDialogService::ChooseOpenFile(const dialogs::FileDialogRequest& request)
{
    return ChooseFile(dialogs::DialogKind::FileOpen, request);
}

int DeadlineDialogService::ExecModal(QDialog& dialog)
{
    if (!m_expired) {
        const int result = Run(dialog);
        if (!m_expired)
            return result;
    }
    Answered(dialogs::KindName(dialogs::DialogKind::Modal) + QStringLiteral(" \"") + dialog.windowTitle()
                 + QLatin1Char('"'),
             QStringLiteral("Cancel"));
    return QDialog::Rejected;
}
