#pragma once
// The developers' window for trying the registration by hand: six buttons
// run the prepared command lines through the same entry as the program's
// command line, "Get DTM Info" builds the DTM information the frame would
// get, and a viewer shows the device catalogue or that information. A file
// that cannot be shown is reported through the dialog service.
//
// Geometry in twips: the window is never narrower than 3000 or lower than
// 6000; the viewer is the window's width - 210 wide and its height - 1800
// high; both button frames stand 60 below the viewer.
#include "fennick/services/TestCommandLine.h"
#include <QStringList>
#include <QWidget>
#include <array>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

class frmTestCommandLine : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidthTwips = 3000;
    static constexpr int kMinHeightTwips = 6000;
    static constexpr int kViewerWidthLossTwips = 210;
    static constexpr int kViewerHeightLossTwips = 1800;
    static constexpr int kFrameGapTwips = 60;

    explicit frmTestCommandLine(QWidget* parent = nullptr);

    QGroupBox* fraDeployment() const { return m_fraDeployment; }
    QGroupBox* fraDtm() const { return m_fraDtm; }
    QPushButton* cmdDeployMentTestStep(int index) const { return m_steps.at(static_cast<size_t>(index)); }
    QPushButton* cmdGetDtmInfo() const { return m_getDtmInfo; }
    QPlainTextEdit* CatalogueViewer() const { return m_viewer; }
    // The prepared command line of each button.
    const QStringList& CommandLines() const { return m_lines; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void cmdDeployMentTestStep_Click(int index);
    void cmdGetDtmInfo_Click();
    // Shows the file in the viewer; a file that cannot be read is reported
    // and the viewer is hidden.
    void Navigate(const QString& path);
    void ShowText(const QString& text);
    void Form_Resize();

    QGroupBox* m_fraDeployment;
    QGroupBox* m_fraDtm;
    std::array<QPushButton*, TestCommandLine::kLineCount> m_steps{};
    QPushButton* m_getDtmInfo;
    QPlainTextEdit* m_viewer;
    QStringList m_lines;
};
