#pragma once
// The about box: product title, the version of this build, OK and the system
// information button.
#include <QDialog>

class QLabel;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    static QString VersionText();
    void StartSysInfo();

private:
    QLabel* m_title = nullptr;
    QLabel* m_version = nullptr;
};
