#include "fennick/fdt/frmBusy.h"
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

frmBusy::frmBusy(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kPictureSize, kPictureSize);
    m_animation.setInterval(kFrameIntervalMs);
    connect(&m_animation, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % kFrameCount;
        update();
    });
    placeOnScreen();
}

void frmBusy::placeOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.left() + static_cast<int>(area.width() * 0.3), area.top() + static_cast<int>(area.height() * 0.3));
}

bool frmBusy::IsTopMost() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void frmBusy::SetTopMost(bool on)
{
    if (IsTopMost() == on)
        return;
    // Changing a window flag hides the window; put it back where it was.
    const bool visible = isVisible();
    const QPoint position = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    move(position);
    if (visible)
        show();
}

void frmBusy::paintEvent(QPaintEvent*)
{
    // A ring of spokes; the brightest one moves on with each frame.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().window());
    painter.translate(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0;
    for (int spoke = 0; spoke < kFrameCount; ++spoke) {
        const int age = (m_frame - spoke + kFrameCount) % kFrameCount;
        QColor color = palette().windowText().color();
        color.setAlphaF(1.0 - static_cast<double>(age) / kFrameCount);
        painter.setPen(QPen(color, radius / 6.0, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(360.0 * spoke / kFrameCount);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.85));
        painter.restore();
    }
}

void frmBusy::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_animation.start();
}

void frmBusy::hideEvent(QHideEvent* event)
{
    m_animation.stop();
    QWidget::hideEvent(event);
}

void frmBusy::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        SetTopMost(true);
}
