#pragma once
// The print viewer's window: the filled report page, and buttons to print it,
// save it as PDF and close the window. Printing and the file choice go through
// the dialog service.
#include <QString>
#include <QWidget>
#include <functional>

class QPrinter;
class QTextBrowser;

namespace printview {

class PrintViewWindow : public QWidget {
    Q_OBJECT
public:
    explicit PrintViewWindow(QWidget* parent = nullptr);

    void SetPage(const QString& html, const QString& baseFolder);
    QString Html() const;
    QTextBrowser* Browser() const { return m_browser; }

    // Writes the page as a PDF file (through a temporary file beside it, then
    // renamed); false, traced, when the file could not be written.
    bool SaveAsPdf(const QString& path);
    void PrintTo(QPrinter& printer);

    // Called when the window is closed by the user.
    std::function<void()> onClosed;
    // True while onClosed runs.
    bool Closing() const { return m_closing; }

public slots:
    void Print();
    void SaveAsPdfChosen();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTextBrowser* m_browser = nullptr;
    bool m_closing = false;
};

} // namespace printview
