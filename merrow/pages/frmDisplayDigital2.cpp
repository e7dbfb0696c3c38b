#include "merrow/pages/frmDisplayDigital2.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "platform/controls/Twips.h"
#include <QComboBox>
#include <algorithm>

using controls::Twips::FromPixels;
using controls::Twips::ToPixels;

namespace {
// The display's margin to the window's width, the window's height over the display's (twips).
constexpr int kDisplayMarginX = 100;
constexpr int kHeightOverDisplay = 500;
constexpr int kDisplayLeft = 50;
constexpr int kDisplayTop = 420;
constexpr int kDesignWidth = 4800;
} // namespace

frmDisplayDigital2::frmDisplayDigital2()
    : DisplayWindow(QStringLiteral("frmDisplayDigital2"), true, false, new ctlDigitalDisplay),
      m_displayCtrl(findChild<ctlDigitalDisplay*>(QStringLiteral("displayCtrl")))
{
    setProperty("Tag", QStringLiteral("2077"));
    setWindowTitle(QStringLiteral("Digital Meas. Value Display"));
    setMinimumSize(ToPixels(kMinWidth), ToPixels(kMinHeight));
    m_displayCtrl->move(ToPixels(kDisplayLeft), ToPixels(kDisplayTop));
    // The digits change their height with their width: the window follows.
    connect(m_displayCtrl, &ctlDigitalDisplay::Resize, this, [this] { Form_Resize(); });
    resize(ToPixels(kDesignWidth), ToPixels(kMinHeight));
    Form_Resize();
}

QSize frmDisplayDigital2::sizeHint() const
{
    return {ToPixels(kDesignWidth), height()};
}

void frmDisplayDigital2::resizeEvent(QResizeEvent* event)
{
    DisplayWindow::resizeEvent(event);
    Form_Resize();
}

void frmDisplayDigital2::Form_Resize()
{
    if (m_resizing)
        return;
    m_resizing = true;
    // The least size is kept by the window's minimum size. The display takes
    // the width; its height follows its digits, and the window's the display's.
    m_displayCtrl->resize(ToPixels(FromPixels(width()) - kDisplayMarginX), m_displayCtrl->height());
    cmbMeasValue()->resize(m_displayCtrl->width(), cmbMeasValue()->sizeHint().height());
    const int wanted =
        std::max(ToPixels(FromPixels(m_displayCtrl->height()) + kHeightOverDisplay), ToPixels(kMinHeight));
    if (height() != wanted)
        ResizeWindow(width(), wanted);
    m_resizing = false;
}
