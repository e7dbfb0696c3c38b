#pragma once
// A measured value the user picks, as a bar graph against its range. A new
// window opens at every choice of the menu entry; each keeps its display
// fitted to its size.
#include "merrow/pages/DisplayWindow.h"

namespace controls {
class PioBarGraph;
}

class frmDisplayBar : public DisplayWindow {
    Q_OBJECT
public:
    // The least size of the window, in twips.
    static constexpr int kMinWidth = 3795;
    static constexpr int kMinHeight = 1950;

    frmDisplayBar();

    controls::PioBarGraph* displayCtrl() const { return m_displayCtrl; }
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Resize();

    controls::PioBarGraph* m_displayCtrl;
};
