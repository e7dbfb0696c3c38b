// The shell's windows draw offscreen; with TRIVEX_SCREENSHOT_DIR set they are
// saved as the pictures of the documentation.
#include "MerrowTestSupport.h"
#include "merrow/shell/frmAbout.h"
#include "merrow/shell/frmSplash.h"
#include "tests/common/WindowScreenshot.h"
#include <QLabel>

using namespace merrowtest;

namespace {

frmMain* ConnectedHart(MerrowApplet& applet, int countryCode)
{
    applet.Variant("4607215", 1, true, 8, 137);
    applet.PutText(QStringLiteral("&&private_PM&&TagName"), QStringLiteral("FT-101"));
    applet.PutText(QStringLiteral("&&private_PM&&Descriptor"), QStringLiteral("Feed line"));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), countryCode);
    frmMain* window = applet.Start();
    if (window) {
        applet.PutNumber(QStringLiteral("&&private&&Connect"), 2);
        window->resize(900, 600);
    }
    return window;
}

} // namespace

TEST(ShellWindowsRender, MainWindowOfConnectedHartDeviceInEnglishAndGerman)
{
    for (const auto& [code, name, connected] :
         {std::tuple{1, "main-window-en", "Connection Established"}, std::tuple{49, "main-window-de", "Verbindung hergestellt"}}) {
        MerrowApplet applet;
        PIO_REQUIRE_APPLET(applet);
        frmMain* window = ConnectedHart(applet, code);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->PanelText(1), connected);
        EXPECT_EQ(window->windowTitle(), "FT-101: Feed line");
        TakeScreenshot(*window, QLatin1String(name));
    }
}

TEST(ShellWindowsRender, AboutShowsTheBuildVersionAndSplashDraws)
{
    frmAbout about;
    EXPECT_TRUE(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text().startsWith("Version 01.02.02, Build "));
    EXPECT_EQ(about.windowTitle(), "About");
    TakeScreenshot(about, QStringLiteral("about"));
    frmSplash splash;
    const QImage picture = TakeScreenshot(splash, QStringLiteral("splash"));
    // The dark blue of the picture at the top (a JPEG: near, not exact), the title in white on it.
    const QColor top = picture.pixelColor(0, 0);
    EXPECT_LE(std::abs(top.red() - 0x1f) + std::abs(top.green() - 0x4e) + std::abs(top.blue() - 0x79), 12)
        << top.name().toStdString();
    int white = 0;
    for (int y = 0; y < picture.height() / 2; ++y)
        for (int x = 0; x < picture.width(); ++x)
            white += picture.pixelColor(x, y) == Qt::white ? 1 : 0;
    EXPECT_GT(white, 50);
}
