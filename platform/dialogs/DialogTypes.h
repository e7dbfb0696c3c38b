#pragma once
// What a dialog request asks for and what it answers: message-box buttons,
// icons and answers, and the classic style numbers that callers pass.
#include <QString>
#include <vector>

class QWidget;

namespace dialogs {

// The title of a box that a function names itself ("Reset to factory
// default"): kept where a plain title gives way to the system's name.
struct OwnTitle {
    QString text;
};

enum class MessageIcon { None, Critical, Question, Warning, Information };

enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };

// The button a box was answered with. The values are the classic button codes
// that callers store and compare (6 Yes, 7 No, ...).
enum class DialogResult : int { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    int defaultButton = 0; // index into AnswersOf(buttons)
    bool topMost = false;  // above every other window and brought to the front
    QWidget* parent = nullptr;
    // The box keeps its title: the function it belongs to names it. Otherwise
    // the box carries the system's name.
    bool ownTitle = false;

    // Decodes a classic message-box style: buttons in bits 0-3 (0 OK, 1 OK
    // Cancel, 2 Abort Retry Ignore, 3 Yes No Cancel, 4 Yes No, 5 Retry Cancel),
    // icon in bits 4-7 (16 critical, 32 question, 48 warning, 64 information),
    // default button in bits 8-9 (0, 256, 512, 768 for the first to fourth),
    // and 4096 (system modal), 0x10000 (foreground) or 0x40000 (top-most) for a
    // top-most box. Unknown button or icon codes give OK and no icon.
    static MessageBoxRequest FromStyle(int style, const QString& title, const QString& text);
};

// The answers of a box's buttons, in button order.
const std::vector<DialogResult>& AnswersOf(MessageButtons buttons);

// The answer of a box closed without a choice: Cancel where the box has one,
// No for Yes/No, Abort for Abort/Retry/Ignore, OK for a box with OK only.
DialogResult EscapeAnswerOf(MessageButtons buttons);

struct FileDialogRequest {
    QString title;
    QString folder;      // empty: the current folder
    QString filter;      // "Text (*.txt) | *.txt | All | *.*" or Qt's "Text (*.txt);;All (*)"
    QString defaultName; // proposed file name
    QWidget* parent = nullptr;
};

enum class DialogKind { Message, FileSave, FileOpen, Modal };

// "message box", "file-save choice", "file-open choice", "modal dialog".
QString KindName(DialogKind kind);
QString AnswerName(DialogResult answer);

} // namespace dialogs
