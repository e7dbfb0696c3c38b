#include "fennick/fdt/frmBusy.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Publics.h"
#include "platform/controls/AnimatedPicture.h"
#include "platform/controls/Twips.h"
#include "platform/controls/WindowPlacement.h"
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace {

constexpr double kScreenFraction = 0.3;
constexpr int kSpokes = 12;

// A ring of spokes fading round the circle.
QPixmap BusyPicture(int size, const QPalette& palette)
{
    QPixmap pixmap(size, size);
    pixmap.fill(palette.window().color());
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size / 2.0, size / 2.0);
    const double radius = size / 2.0;
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        QColor color = palette.windowText().color();
        color.setAlphaF(1.0 - static_cast<double>(spoke) / kSpokes);
        painter.setPen(QPen(color, radius / 6.0, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(-360.0 * spoke / kSpokes);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.85));
        painter.restore();
    }
    return pixmap;
}

} // namespace

frmBusy::frmBusy(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(new QLabel(this)),
      m_animation(new controls::AnimatedPicture(this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("frmBusy"));
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_animation->setObjectName(QStringLiteral("AniGif1"));
    m_picture->setPixmap(BusyPicture(kPictureSize, palette()));
    m_picture->resize(kPictureSize, kPictureSize);
    Form_Load();
}

QString frmBusy::FindAnimationFile() const
{
    QString folder = Publics::ProgramFolder();
    Publics::AddTrailingBackslash(folder);
    // File names compare without regard to case, as on the systems the
    // installation comes from.
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files);
    for (const QString& name : names)
        if (name.compare(kAnimationFile, Qt::CaseInsensitive) == 0)
            return folder + name;
    return QString();
}

void frmBusy::Form_Load()
{
    const QString file = FindAnimationFile();
    QString error;
    if (!file.isEmpty() && m_animation->Load(file, &error)) {
        m_picture->hide();
        m_animation->show();
        m_animation->move(controls::Twips::ToPixels(kAnimationMarginTwips / 2.0),
                          controls::Twips::ToPixels(kAnimationMarginTwips / 2.0));
        SizeTwips(controls::Twips::FromPixels(m_animation->width()) + kAnimationMarginTwips,
                  controls::Twips::FromPixels(m_animation->height()) + kAnimationMarginTwips);
    } else {
        // A picture that cannot be read still leaves the user a busy window.
        if (!file.isEmpty())
            Debugging::TraceError(QStringLiteral("frmBusy: ") + file + QStringLiteral(" not loaded: ") + error);
        m_animation->hide();
        m_picture->show();
        m_picture->move(0, 0);
        SizeTwips(controls::Twips::FromPixels(m_picture->width()) + kPictureMarginTwips,
                  controls::Twips::FromPixels(m_picture->height()) + kPictureMarginTwips);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + static_cast<int>(area.width() * kScreenFraction),
             area.top() + static_cast<int>(area.height() * kScreenFraction));
    }
    update();
}

void frmBusy::SizeTwips(int widthTwips, int heightTwips)
{
    m_widthTwips = widthTwips;
    m_heightTwips = heightTwips;
    setFixedSize(controls::Twips::ToPixels(widthTwips), controls::Twips::ToPixels(heightTwips));
}

bool frmBusy::ShowsAnimation() const
{
    return !m_animation->isHidden();
}

bool frmBusy::IsTopMost() const
{
    return controls::WindowPlacement::IsTopMost(*this);
}

void frmBusy::SetTopMost(bool on)
{
    controls::WindowPlacement::SetTopMost(*this, on);
}

void frmBusy::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        SetTopMost(true);
}
