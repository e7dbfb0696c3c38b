#pragma once
// The hint shown when the frame reads channel data while configuration
// windows of the DTM are open: the data may still change. Top-most until it
// is unloaded; its Done event tells whether the user asked not to see it
// again, once, however the window ends (OK, the window's frame, or its owner
// deleting it).
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

class frmChannelDataWarn : public QWidget {
    Q_OBJECT
public:
    explicit frmChannelDataWarn(QWidget* parent = nullptr);
    ~frmChannelDataWarn() override;

    QLabel* lblHint() const { return m_hint; }
    QLabel* lblRemember() const { return m_remember; }
    QCheckBox* chkSuppress() const { return m_suppress; }
    QPushButton* OKButton() const { return m_ok; }
    bool IsTopMost() const;

    // Closes the window; Done follows.
    void Unload();

signals:
    void Done(bool suppress);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();

    QLabel* m_picture;
    QLabel* m_hint;
    QLabel* m_remember;
    QCheckBox* m_suppress;
    QPushButton* m_ok;
    bool m_doneRaised = false;
};
