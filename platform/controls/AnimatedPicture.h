#pragma once
// An animated picture (a GIF file): all frames are read when it is loaded and
// shown one after another on the timer service while the control is visible.
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <memory>

namespace loop { class Timer; }

namespace controls {

class AnimatedPicture : public QLabel {
    Q_OBJECT
public:
    // Frames beyond this count are not read.
    static constexpr int kMaxFrames = 1000;
    // Delay of a frame that names none.
    static constexpr int kDefaultFrameDelayMs = 100;
    // Shorter delays are stretched to this.
    static constexpr int kMinFrameDelayMs = 20;

    explicit AnimatedPicture(QWidget* parent = nullptr);
    ~AnimatedPicture() override;

    // Reads the picture's frames; the control takes the size of the first.
    // False, with the reason in error and the control unchanged, when the file
    // cannot be read as a picture.
    bool Load(const QString& path, QString* error = nullptr);

    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    int CurrentFrame() const { return m_current; }
    bool IsAnimating() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Frame {
        QPixmap pixmap;
        int delayMs = kDefaultFrameDelayMs;
    };
    void ShowFrame(int index);
    void NextFrame();
    void StartAnimation();

    QList<Frame> m_frames;
    int m_current = 0;
    std::unique_ptr<loop::Timer> m_timer;
};

} // namespace controls
