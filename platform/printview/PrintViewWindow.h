#pragma once
// The print viewer's window: the filled report page, and buttons to print it,
// save it as PDF and close the window. Printing and the file choice go through
// the dialog service.
#include <QString>
#include <QWidget>
#include <functional>

class QPrinter;
class QLabel;
class QPushButton;
class QTextBrowser;

namespace printview {

class PrintViewWindow : public QWidget {
    Q_OBJECT
public:
    explicit PrintViewWindow(QWidget* parent = nullptr);

    // The language of the window's title, buttons and messages: German for
    // the country code 49, else English.
    void SetCountryCode(int countryCode);
    void SetPage(const QString& html, const QString& baseFolder);
    QString Html() const;
    QTextBrowser* Browser() const { return m_browser; }
    // The line beside the buttons that tells how the last saving ended.
    QLabel* StatusLine() const { return m_status; }

    // Writes the page as a PDF file, replacing an older one as a whole or not
    // at all; false, traced, when the file could not be written.
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
    static constexpr int kCountryGerman = 49;
    QString Text(const char* english, const char* german) const;

    QTextBrowser* m_browser = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_savePdf = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_status = nullptr;
    int m_countryCode = 1;
    bool m_closing = false;
};

} // namespace printview
