#include "merrow/pages/frmDisplayBar.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/Twips.h"
#include <QComboBox>

using controls::Twips::FromPixels;
using controls::Twips::ToPixels;

namespace {
// The display's margins to the window's width and height, the selector's to the display (twips).
constexpr int kDisplayMarginX = 100;
constexpr int kDisplayMarginY = 620;
constexpr int kSelectorMarginX = 100;
constexpr int kDisplayLeft = 50;
constexpr int kDisplayTop = 480;
constexpr int kDesignWidth = 4800;
constexpr int kDesignHeight = 2800;
} // namespace

frmDisplayBar::frmDisplayBar()
    : DisplayWindow(QStringLiteral("frmDisplayBar"), true, true, new controls::PioBarGraph),
      m_displayCtrl(findChild<controls::PioBarGraph*>(QStringLiteral("displayCtrl")))
{
    setProperty("Tag", QStringLiteral("2565"));
    setWindowTitle(QStringLiteral("Bargraph"));
    setMinimumSize(ToPixels(kMinWidth), ToPixels(kMinHeight));
    m_displayCtrl->SetCaption(QString());
    m_displayCtrl->SetUpdateInterval(1);
    m_displayCtrl->move(ToPixels(kDisplayLeft), ToPixels(kDisplayTop));
    resize(sizeHint());
    Form_Resize();
}

QSize frmDisplayBar::sizeHint() const
{
    return {ToPixels(kDesignWidth), ToPixels(kDesignHeight)};
}

void frmDisplayBar::resizeEvent(QResizeEvent* event)
{
    DisplayWindow::resizeEvent(event);
    Form_Resize();
}

void frmDisplayBar::Form_Resize()
{
    // The least size is kept by the window's minimum size.
    const int width = FromPixels(this->width());
    const int height = FromPixels(this->height());
    m_displayCtrl->resize(ToPixels(width - kDisplayMarginX), ToPixels(height - kDisplayMarginY));
    cmbMeasValue()->resize(ToPixels(width - kDisplayMarginX - kSelectorMarginX), cmbMeasValue()->sizeHint().height());
}
