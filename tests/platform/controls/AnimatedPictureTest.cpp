// The animated picture reads every frame of a GIF and steps through them on
// the timer service while it is shown.
#include "platform/controls/AnimatedPicture.h"
#include "platform/controls/Twips.h"
#include "platform/controls/WindowPlacement.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Two frames of one pixel, 100 ms each.
QByteArray TwoFrameGif()
{
    const QByteArray header = QByteArray::fromHex("47494638396101000100800000000000ffffff");
    const QByteArray frame = QByteArray::fromHex("21f904000a0000002c00000000010001000002024401" "00");
    return header + frame + frame + QByteArray::fromHex("3b");
}

} // namespace

TEST(AnimatedPicture, StepsThroughItsFramesWhileShown)
{
    if (!QImageReader::supportedImageFormats().contains("gif"))
        GTEST_SKIP() << "no GIF reader";
    loop::ManualClock clock;
    loop::ScopedTimerService scope(clock);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("busy.gif"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(TwoFrameGif());
    file.close();

    controls::AnimatedPicture picture;
    ASSERT_TRUE(picture.Load(path));
    EXPECT_EQ(picture.FrameCount(), 2);
    EXPECT_EQ(picture.size(), QSize(1, 1));
    EXPECT_FALSE(picture.IsAnimating());

    picture.show();
    EXPECT_TRUE(picture.IsAnimating());
    clock.Advance(99);
    EXPECT_EQ(picture.CurrentFrame(), 0);
    clock.Advance(1);
    EXPECT_EQ(picture.CurrentFrame(), 1);
    clock.Advance(100);
    EXPECT_EQ(picture.CurrentFrame(), 0);

    picture.hide();
    EXPECT_FALSE(picture.IsAnimating());
    clock.Advance(1000);
    EXPECT_EQ(picture.CurrentFrame(), 0);
}

TEST(AnimatedPicture, AFileThatIsNoPictureChangesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("busy.gif"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("GIF89a but not really");
    file.close();
    controls::AnimatedPicture picture;
    QString error;
    EXPECT_FALSE(picture.Load(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(picture.FrameCount(), 0);
    EXPECT_FALSE(picture.Load(dir.filePath(QStringLiteral("missing.gif"))));
}

TEST(WindowGeometry, TwipsAndTopMost)
{
    EXPECT_EQ(controls::Twips::ToPixels(1500), 100);
    EXPECT_EQ(controls::Twips::ToPixels(7), 0);
    EXPECT_EQ(controls::Twips::ToPixels(8), 1);
    EXPECT_EQ(controls::Twips::FromPixels(4), 60);

    QWidget window;
    window.setGeometry(40, 50, 200, 100);
    window.show();
    controls::WindowPlacement::SetTopMost(window, true);
    EXPECT_TRUE(controls::WindowPlacement::IsTopMost(window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(40, 50, 200, 100));
    controls::WindowPlacement::SetTopMost(window, false);
    EXPECT_FALSE(controls::WindowPlacement::IsTopMost(window));
    EXPECT_TRUE(window.isVisible());
}
