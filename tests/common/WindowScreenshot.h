#pragma once
// Renders a window offscreen. With the environment variable
// TRIVEX_SCREENSHOT_DIR set, the picture is saved there as name.png
// (docs/screenshots of the repository); otherwise it is only checked to be drawn.
#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

inline void TakeScreenshot(QWidget& window, const QString& name)
{
    window.show();
    const QPixmap picture = window.grab();
    ASSERT_FALSE(picture.isNull()) << name.toStdString();
    const QString folder = qEnvironmentVariable("TRIVEX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(QDir(folder).filePath(name + QStringLiteral(".png")))) << name.toStdString();
}
