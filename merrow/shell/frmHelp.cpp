#include "merrow/shell/frmHelp.h"
#include "platform/automation/CheckedFile.h"
#include "merrow/shell/global.h"
#include "platform/applet/AppletTrace.h"
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QShortcut>
#include <QTextCursor>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int16_t kHelpTitleText = 3822;
constexpr int16_t kFindText = 1071; // "&Find in help..."
// Help files are ours and small; a larger one is not what we ship.
constexpr qint64 kMaxHelpFileBytes = 4 * 1024 * 1024;

} // namespace

frmHelp::frmHelp(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("Browser"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("txtFind"));
    m_find->setClearButtonEnabled(true);
    m_find->setPlaceholderText(
        global::LoadLocalizedText(kFindText).remove(QLatin1Char('&')).remove(QStringLiteral("...")).trimmed());
    connect(m_find, &QLineEdit::returnPressed, this, &frmHelp::FindNext);
    connect(m_find, &QLineEdit::textChanged, this, [this] { m_find->setStyleSheet(QString()); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_find);
    layout->addWidget(m_browser);
    resize(720, 640);
    // Escape closes the help as it closes a page.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WindowShortcut);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

bool frmHelp::ShowFile(const QString& path)
{
    const QFileInfo info(path);
    QByteArray bytes;
    QString reason;
    if (!automation::CheckedFile::Read(path, kMaxHelpFileBytes, bytes, &reason)) {
        applet::AppletTrace::Error(QStringLiteral("frmHelp: %1").arg(reason));
        return false;
    }
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) {
        m_browser->setSource(QUrl::fromLocalFile(info.absoluteFilePath()), QTextDocument::HtmlResource);
    } else {
        m_browser->setPlainText(QString::fromUtf8(bytes));
    }
    m_file = info.absoluteFilePath();
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? global::LoadLocalizedText(kHelpTitleText) + QStringLiteral(" - ") + info.fileName()
                                   : title);
    return true;
}

bool frmHelp::FindNext()
{
    const QString text = m_find->text().trimmed();
    if (text.isEmpty())
        return false;
    bool found = m_browser->find(text);
    if (!found) {
        QTextCursor top = m_browser->textCursor();
        top.movePosition(QTextCursor::Start);
        m_browser->setTextCursor(top);
        found = m_browser->find(text);
    }
    // Marked, not a box: the user goes on typing.
    m_find->setStyleSheet(found ? QString() : QStringLiteral("QLineEdit { background: #f8d0d0; }"));
    if (!found)
        applet::AppletTrace::Info(QStringLiteral("frmHelp: \"%1\" not found in %2").arg(text, m_file));
    return found;
}
