#pragma once
// The splash window shown while the main view starts.
#include <QPixmap>
#include <QWidget>

class frmSplash : public QWidget {
    Q_OBJECT
public:
    frmSplash();
    ~frmSplash() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QPixmap m_picture;
};
