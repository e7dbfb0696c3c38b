#include "platform/printview/PrintViewWindow.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/AtomicFile.h"
#include "platform/dialogs/DialogService.h"
#include <QBuffer>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace printview {

namespace {
// The window's texts, English and German.
struct WindowText {
    const char* english;
    const char* german;
};
constexpr WindowText kTitle = {"Print-out", "Ausdruck"};
constexpr WindowText kPrint = {"&Print...", "&Drucken..."};
constexpr WindowText kSavePdf = {"Save as P&DF...", "Als P&DF speichern..."};
constexpr WindowText kClose = {"&Close", "&Schließen"};
constexpr WindowText kSavePdfTitle = {"Save the print-out as PDF", "Ausdruck als PDF speichern"};
constexpr WindowText kPdfFilter = {"PDF (*.pdf);;All files (*)", "PDF (*.pdf);;Alle Dateien (*)"};
constexpr WindowText kPdfName = {"print-out.pdf", "Ausdruck.pdf"};
constexpr WindowText kSaved = {"The print-out was saved as \"%1\".",
                               "Der Ausdruck wurde als \"%1\" gespeichert."};
constexpr WindowText kNotSaved = {"The print-out could not be saved as \"%1\".",
                                  "Der Ausdruck konnte nicht als \"%1\" gespeichert werden."};
} // namespace

PrintViewWindow::PrintViewWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PrintViewWindow"));
    m_browser = new QTextBrowser(this);
    m_browser->setOpenLinks(false);
    m_print = new QPushButton(this);
    m_print->setObjectName(QStringLiteral("PrintButton"));
    m_savePdf = new QPushButton(this);
    m_savePdf->setObjectName(QStringLiteral("SavePdfButton"));
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("CloseButton"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLine"));
    auto* print = m_print;
    auto* pdf = m_savePdf;
    auto* close = m_close;
    SetCountryCode(1);
    connect(print, &QPushButton::clicked, this, &PrintViewWindow::Print);
    connect(pdf, &QPushButton::clicked, this, &PrintViewWindow::SaveAsPdfChosen);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // Escape and Ctrl+F4 close the viewer as they close a page.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_F4)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addWidget(pdf);
    buttons->addWidget(m_status, 1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addLayout(buttons);
    resize(800, 900);
}

QString PrintViewWindow::Text(const char* english, const char* german) const
{
    return QString::fromUtf8(m_countryCode == kCountryGerman ? german : english);
}

void PrintViewWindow::SetCountryCode(int countryCode)
{
    m_countryCode = countryCode;
    setWindowTitle(Text(kTitle.english, kTitle.german));
    m_print->setText(Text(kPrint.english, kPrint.german));
    m_savePdf->setText(Text(kSavePdf.english, kSavePdf.german));
    m_close->setText(Text(kClose.english, kClose.german));
}

void PrintViewWindow::SetPage(const QString& html, const QString& baseFolder)
{
    m_browser->document()->setBaseUrl(QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + QLatin1Char('/')));
    m_browser->setHtml(html);
}

QString PrintViewWindow::Html() const
{
    return m_browser->toHtml();
}

void PrintViewWindow::PrintTo(QPrinter& printer)
{
    m_browser->document()->print(&printer);
}

bool PrintViewWindow::SaveAsPdf(const QString& path)
{
    // The PDF is made in memory and replaces the file as a whole: a full disk
    // or a read-only folder leaves an older print-out as it was.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(QPrinter(QPrinter::HighResolution).resolution());
        writer.setTitle(windowTitle());
        m_browser->document()->print(&writer);
    }
    QString error;
    if (pdf.data().isEmpty()) {
        error = QStringLiteral("no page was made");
    } else if (automation::AtomicFile::Write(path, pdf.data(), &error)) {
        return true;
    }
    applet::AppletTrace::Error(QStringLiteral("Print view: the PDF file \"%1\" could not be written: %2").arg(path, error));
    return false;
}

void PrintViewWindow::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialogs::DialogService::instance().ExecModal(dialog) != QDialog::Accepted)
        return;
    PrintTo(printer);
}

void PrintViewWindow::SaveAsPdfChosen()
{
    dialogs::FileDialogRequest request;
    request.title = Text(kSavePdfTitle.english, kSavePdfTitle.german);
    request.filter = Text(kPdfFilter.english, kPdfFilter.german);
    request.defaultName = Text(kPdfName.english, kPdfName.german);
    request.parent = this;
    QString path = dialogs::DialogService::instance().ChooseSaveFile(request);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    // The file lies where the user cannot see it: say where it went, or that it did not.
    const QString native = QDir::toNativeSeparators(path);
    if (!SaveAsPdf(path)) {
        m_status->setText(Text(kNotSaved.english, kNotSaved.german).arg(native));
        dialogs::DialogService::instance().Warning(windowTitle(), m_status->text());
        return;
    }
    m_status->setText(Text(kSaved.english, kSaved.german).arg(native));
}

void PrintViewWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!onClosed)
        return;
    m_closing = true;
    const std::function<void()> closed = onClosed; // the owner may end inside
    closed();
    m_closing = false;
}

} // namespace printview
