#include "platform/controls/AnimatedPicture.h"
#include "platform/loop/TimerService.h"
#include <QImageReader>
#include <algorithm>

namespace controls {

AnimatedPicture::AnimatedPicture(QWidget* parent) : QLabel(parent)
{
    m_timer = loop::TimerService::instance().CreateTimer([this] { NextFrame(); });
    m_timer->SetSingleShot(true);
}

AnimatedPicture::~AnimatedPicture() = default;

bool AnimatedPicture::Load(const QString& path, QString* error)
{
    QImageReader reader(path);
    QList<Frame> frames;
    while (frames.size() < kMaxFrames) {
        const int delay = reader.nextImageDelay();
        QImage image = reader.read();
        if (image.isNull())
            break;
        frames.append({QPixmap::fromImage(image), delay > 0 ? std::max(delay, kMinFrameDelayMs)
                                                            : kDefaultFrameDelayMs});
        if (!reader.supportsAnimation() || !reader.canRead())
            break;
    }
    if (frames.isEmpty()) {
        if (error)
            *error = reader.errorString();
        return false;
    }
    m_timer->Stop();
    m_frames = frames;
    resize(m_frames.first().pixmap.size());
    ShowFrame(0);
    if (isVisible())
        StartAnimation();
    return true;
}

bool AnimatedPicture::IsAnimating() const
{
    return m_timer->IsActive();
}

void AnimatedPicture::ShowFrame(int index)
{
    m_current = index;
    setPixmap(m_frames.at(index).pixmap);
}

void AnimatedPicture::StartAnimation()
{
    if (m_frames.size() > 1)
        m_timer->Start(m_frames.at(m_current).delayMs);
}

void AnimatedPicture::NextFrame()
{
    if (m_frames.size() < 2)
        return;
    ShowFrame((m_current + 1) % static_cast<int>(m_frames.size()));
    StartAnimation();
}

void AnimatedPicture::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    StartAnimation();
}

void AnimatedPicture::hideEvent(QHideEvent* event)
{
    m_timer->Stop();
    QLabel::hideEvent(event);
}

} // namespace controls
