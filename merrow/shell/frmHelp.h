#pragma once
// The help window: shows a help page (HTML, with its links followed inside the
// window) or the read-me text. The help works without a browser or editor on
// the system. The main window owns its help windows and closes them when it
// unloads.
#include <QWidget>

class QTextBrowser;

class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* owner);

    // Shows the file: HTML as a page, anything else as plain text. False, and
    // nothing changed, when the file cannot be read.
    bool ShowFile(const QString& path);
    QTextBrowser* Browser() const { return m_browser; }
    // The file shown.
    QString File() const { return m_file; }

private:
    QTextBrowser* m_browser;
    QString m_file;
};
