#pragma once
// The process's busy window: a small animated picture, top-most, without
// owner, placed at three tenths of the screen's width and height.
#include <QTimer>
#include <QWidget>

class frmBusy : public QWidget {
    Q_OBJECT
public:
    explicit frmBusy(QWidget* parent = nullptr);

    // Top-most (true) or not, keeping position and size.
    void SetTopMost(bool on);
    bool IsTopMost() const;

    // The picture's current frame; it advances while the window is shown.
    int AnimationFrame() const { return m_frame; }

    static constexpr int kPictureSize = 48;
    static constexpr int kFrameCount = 12;
    static constexpr int kFrameIntervalMs = 100;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeOnScreen();

    QTimer m_animation;
    int m_frame = 0;
};
