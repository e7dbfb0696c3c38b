#pragma once
// Renders a window offscreen and returns the picture, checked to be as large
// as the window and to show more than its background. With the environment
// variable TRIVEX_SCREENSHOT_DIR set, the picture is also saved there as
// name.png (docs/screenshots of the repository). The helpers below let a
// test check what a part of the picture shows.
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QWidget>
#include <gtest/gtest.h>

// The number of different colours in a picture; 1 means nothing was drawn
// on the background.
inline int DistinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// The part of a window's picture that shows one of its widgets.
inline QImage PartOf(const QImage& picture, const QWidget& window, const QWidget& child)
{
    const QPoint at = child.mapTo(&window, QPoint(0, 0));
    const qreal scale = picture.devicePixelRatio();
    return picture.copy(QRect(at * scale, child.size() * scale));
}

inline QImage TakeScreenshot(QWidget& window, const QString& name)
{
    window.show();
    const QImage picture = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_FALSE(picture.isNull()) << name.toStdString();
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), window.size()) << name.toStdString();
    EXPECT_GT(DistinctColours(picture), 1) << name.toStdString() << " shows only its background";
    const QString folder = qEnvironmentVariable("TRIVEX_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name + QStringLiteral(".png")))) << name.toStdString();
    }
    return picture;
}
