#pragma once
// The help window: shows a help page (HTML, with its links followed inside the
// window) or the read-me text. The help works without a browser or editor on
// the system. The main window owns its help windows and closes them when it
// unloads.
#include <QWidget>

class QLineEdit;
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
    // The search field: Return finds the next place of its text, from the top
    // again after the last; a text found nowhere marks the field.
    QLineEdit* FindField() const { return m_find; }
    bool FindNext();

private:
    QTextBrowser* m_browser;
    QLineEdit* m_find;
    QString m_file;
};
