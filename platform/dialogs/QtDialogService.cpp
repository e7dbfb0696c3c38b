#include "platform/dialogs/QtDialogService.h"
#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpacerItem>
#include <algorithm>
#include <array>

namespace dialogs {

namespace {

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    DialogResult answer;
};

constexpr std::array<ButtonAnswer, 7> kButtonAnswers{{
    {QMessageBox::Ok, DialogResult::Ok},
    {QMessageBox::Cancel, DialogResult::Cancel},
    {QMessageBox::Abort, DialogResult::Abort},
    {QMessageBox::Retry, DialogResult::Retry},
    {QMessageBox::Ignore, DialogResult::Ignore},
    {QMessageBox::Yes, DialogResult::Yes},
    {QMessageBox::No, DialogResult::No},
}};

struct IconMapping {
    MessageIcon icon;
    QMessageBox::Icon qtIcon;
};

constexpr std::array<IconMapping, 5> kIcons{{
    {MessageIcon::None, QMessageBox::NoIcon},
    {MessageIcon::Critical, QMessageBox::Critical},
    {MessageIcon::Question, QMessageBox::Question},
    {MessageIcon::Warning, QMessageBox::Warning},
    {MessageIcon::Information, QMessageBox::Information},
}};

QMessageBox::StandardButton ButtonOf(DialogResult answer)
{
    for (const ButtonAnswer& entry : kButtonAnswers)
        if (entry.answer == answer)
            return entry.button;
    return QMessageBox::NoButton;
}

// The window a box opens centred on: the one asked for, else the active one,
// else (no window manager made any active) a visible main window of the program.
QWidget* ParentOf(QWidget* requested)
{
    if (requested)
        return requested;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && qobject_cast<QMainWindow*>(window))
            return window;
    return nullptr;
}

// "*.xml;*.XML" -> "*.xml *.XML"; "*.*" -> "*".
QString QtPatterns(const QString& patterns)
{
    QStringList result;
    for (QString pattern : patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts)) {
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        if (!result.contains(pattern))
            result << pattern;
    }
    return result.join(QLatin1Char(' '));
}

// A description that already names its patterns in trailing parentheses
// loses them; Qt reads the patterns from the last parentheses.
QString DescriptionWithout(const QString& description, const QString& qtPatterns)
{
    const int open = description.lastIndexOf(QLatin1Char('('));
    if (!description.endsWith(QLatin1Char(')')) || open < 0)
        return description;
    const QString named = description.mid(open + 1, description.size() - open - 2);
    if (QtPatterns(named) != qtPatterns)
        return description;
    return description.left(open).trimmed();
}

} // namespace

std::unique_ptr<QMessageBox> QtDialogService::CreateMessageBox(const MessageBoxRequest& request)
{
    auto box = std::make_unique<QMessageBox>(ParentOf(request.parent));
    box->setWindowTitle(request.title.isEmpty() ? QApplication::applicationName() : request.title);
    box->setText(request.text);
    for (const IconMapping& mapping : kIcons)
        if (mapping.icon == request.icon)
            box->setIcon(mapping.qtIcon);
    const std::vector<DialogResult>& answers = AnswersOf(request.buttons);
    for (DialogResult answer : answers)
        box->addButton(ButtonOf(answer));
    const int defaultIndex =
        request.defaultButton >= 0 && request.defaultButton < static_cast<int>(answers.size()) ? request.defaultButton : 0;
    box->setDefaultButton(ButtonOf(answers[static_cast<size_t>(defaultIndex)]));
    box->setEscapeButton(box->button(ButtonOf(EscapeAnswerOf(request.buttons))));
    if (request.topMost)
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    MakeRoomForTitle(*box);
    return box;
}

int QtDialogService::TitleWidth(const QWidget& window)
{
    // The window manager draws the title in its own font, commonly the
    // desktop's font in bold, between the window's icon and its buttons
    // (minimise, maximise, close), each about as wide as the bar is high.
    QFont font = window.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    constexpr int kBarElements = 5; // icon, three buttons, the space around the title
    const int bar = metrics.height() * 3 / 2;
    return metrics.horizontalAdvance(window.windowTitle()) + kBarElements * bar;
}

void QtDialogService::MakeRoomForTitle(QMessageBox& box)
{
    // A message box is as wide as its text and buttons need: a title longer
    // than a short question would be cut by the window manager. A row across
    // the whole box asks for the title's width; the box still wraps long texts.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    box.ensurePolished();
    const QMargins margins = grid->contentsMargins();
    const int width = std::min(TitleWidth(box) - margins.left() - margins.right(), kMaxTitleRoom);
    if (width <= 0)
        return;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  std::max(1, grid->columnCount()));
}

DialogResult QtDialogService::AnswerOf(const QMessageBox& box, MessageButtons buttons)
{
    QAbstractButton* clicked = box.clickedButton();
    if (clicked) {
        const QMessageBox::StandardButton button = box.standardButton(clicked);
        for (const ButtonAnswer& entry : kButtonAnswers)
            if (entry.button == button)
                return entry.answer;
    }
    return EscapeAnswerOf(buttons);
}

DialogResult QtDialogService::OnShowMessage(const MessageBoxRequest& request)
{
    const auto box = CreateMessageBox(request);
    box->exec();
    return AnswerOf(*box, request.buttons);
}

QStringList QtDialogService::NameFilters(const QString& filter)
{
    QStringList result;
    if (!filter.contains(QLatin1Char('|'))) {
        for (const QString& part : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts))
            if (!part.trimmed().isEmpty())
                result << part.trimmed();
        return result;
    }
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = i + 1 < parts.size() ? QtPatterns(parts[i + 1]) : QString();
        if (patterns.isEmpty()) {
            if (!description.isEmpty())
                result << description;
            continue;
        }
        const QString text = DescriptionWithout(description, patterns);
        result << (text.isEmpty() ? QStringLiteral("(%1)").arg(patterns)
                                  : QStringLiteral("%1 (%2)").arg(text, patterns));
    }
    return result;
}

std::unique_ptr<QFileDialog> QtDialogService::CreateFileDialog(DialogKind kind, const FileDialogRequest& request)
{
    auto dialog = std::make_unique<QFileDialog>(ParentOf(request.parent), request.title);
    const bool save = kind == DialogKind::FileSave;
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(request.filter);
    if (!filters.isEmpty())
        dialog->setNameFilters(filters);
    if (!request.folder.isEmpty())
        dialog->setDirectory(request.folder);
    if (!request.defaultName.isEmpty())
        dialog->selectFile(request.defaultName);
    return dialog;
}

QString QtDialogService::ChooseFile(DialogKind kind, const FileDialogRequest& request)
{
    const auto dialog = CreateFileDialog(kind, request);
    if (dialog->exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

QString QtDialogService::ChooseSaveFile(const FileDialogRequest& request)
{
    return ChooseFile(DialogKind::FileSave, request);
}

QString QtDialogService::ChooseOpenFile(const FileDialogRequest& request)
{
    return ChooseFile(DialogKind::FileOpen, request);
}

int QtDialogService::ExecModal(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace dialogs
