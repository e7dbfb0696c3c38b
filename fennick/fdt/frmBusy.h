#pragma once
// The process's busy window: a busy picture, top-most, without owner, placed
// at three tenths of the screen's width and height. When a file
// "DTM_BUSY.GIF" lies beside the program its animation is shown; otherwise
// the window's own static picture.
#include <QWidget>

class QLabel;
namespace controls { class AnimatedPicture; }

class frmBusy : public QWidget {
    Q_OBJECT
public:
    static inline const QString kAnimationFile = QStringLiteral("DTM_BUSY.GIF");
    static constexpr int kPictureSize = 48; // pixels of the static picture
    // The window's margin around the animation and around the static picture.
    static constexpr int kAnimationMarginTwips = 100;
    static constexpr int kPictureMarginTwips = 5;

    explicit frmBusy(QWidget* parent = nullptr);

    // Top-most (true) or not, keeping position and size.
    void SetTopMost(bool on);
    bool IsTopMost() const;

    // The window's size as designed, in twips.
    int WidthTwips() const { return m_widthTwips; }
    int HeightTwips() const { return m_heightTwips; }
    bool ShowsAnimation() const;
    QLabel* Picture1() const { return m_picture; }
    controls::AnimatedPicture* AniGif1() const { return m_animation; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void SizeTwips(int widthTwips, int heightTwips);
    QString FindAnimationFile() const;

    QLabel* m_picture;
    controls::AnimatedPicture* m_animation;
    int m_widthTwips = 0;
    int m_heightTwips = 0;
};
