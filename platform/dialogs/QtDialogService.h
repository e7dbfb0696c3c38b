#pragma once
// The dialog service of the programs: QMessageBox and QFileDialog, shown
// modally over the active window.
#include "platform/dialogs/DialogService.h"
#include <QStringList>
#include <memory>

class QFileDialog;
class QMessageBox;
class QWidget;

namespace dialogs {

class QtDialogService : public DialogService {
public:
    DialogResult OnShowMessage(const MessageBoxRequest& request) override;
    QString ChooseSaveFile(const FileDialogRequest& request) override;
    QString ChooseOpenFile(const FileDialogRequest& request) override;
    int ExecModal(QDialog& dialog) override;

    // The box that ShowMessage runs, not yet shown.
    static std::unique_ptr<QMessageBox> CreateMessageBox(const MessageBoxRequest& request);
    // The answer of a box after it closed; a box closed without a button
    // gives the escape answer of its buttons.
    static DialogResult AnswerOf(const QMessageBox& box, MessageButtons buttons);
    // The dialog that ChooseSaveFile (kind FileSave) or ChooseOpenFile runs.
    static std::unique_ptr<QFileDialog> CreateFileDialog(DialogKind kind, const FileDialogRequest& request);
    // Qt name filters from a filter of pipe-separated description and pattern
    // pairs ("XML Files (*.xml) | *.xml"); a filter without '|' is taken as
    // Qt's own ";;"-separated list. "*.*" becomes "*".
    static QStringList NameFilters(const QString& filter);
    // The width a window needs for the window manager to show its whole
    // title, with the window's icon and buttons beside it.
    static int TitleWidth(const QWidget& window);

private:
    // Widens the box to its title's width, up to kMaxTitleRoom.
    static void MakeRoomForTitle(QMessageBox& box);
    // Beyond it the box would wrap its text on a small screen.
    static constexpr int kMaxTitleRoom = 480;
    static QString ChooseFile(DialogKind kind, const FileDialogRequest& request);
};

} // namespace dialogs
