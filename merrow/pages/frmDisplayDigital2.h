#pragma once
// A measured value the user picks, as large digits. A new window opens at
// every choice of the menu entry; the digits grow with the window's width,
// and the window's height follows the digits.
#include "merrow/pages/DisplayWindow.h"

class ctlDigitalDisplay;

class frmDisplayDigital2 : public DisplayWindow {
    Q_OBJECT
public:
    // The least size of the window, in twips.
    static constexpr int kMinWidth = 3885;
    static constexpr int kMinHeight = 2010;

    frmDisplayDigital2();

    ctlDigitalDisplay* displayCtrl() const { return m_displayCtrl; }
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Resize();

    ctlDigitalDisplay* m_displayCtrl;
    bool m_resizing = false;
};
