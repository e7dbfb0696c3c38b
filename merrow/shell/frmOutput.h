#pragma once
// The report window: the changes the device rules made because of the
// device's software revision, each line once, in the order received. Closing
// it empties it, so the next report starts a new list.
#include <QStringList>
#include <QWidget>

class QListWidget;

class frmOutput : public QWidget {
    Q_OBJECT
public:
    // Lines beyond which the list is refilled from the collection (0: at every line).
    static constexpr int kLineLimit = 0;

    explicit frmOutput(QWidget* parent = nullptr);
    ~frmOutput() override;

    // Adds the line unless it was received before.
    void AddText(QString& txt);
    QStringList Lines() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QListWidget* m_list = nullptr;
    QStringList m_lines; // the collection, keyed by the line's text
};
