#pragma once
// What the tests of the device pages on the simulated transmitter share:
// reading the device into the dataset (pages open through OpenPage of the
// device-function support) and the offscreen picture of the main window with the page in front.
#include "DeviceFunctionSupport.h"
#include "merrow/shell/PioPage.h"
#include <QDir>
#include <QImage>

namespace merrowtest {

// Reads the device through the sequence and takes what it read into the
// dataset, as a load from the device does.
inline bool ReadIntoDataset(DeviceApplet& applet, const char* sequence)
{
    int32_t result = -1;
    applet.commands.clear();
    applet.host->ForceSequence(QLatin1String(sequence), result);
    if (result != 0)
        return false;
    if (!piotest::RunUntil([&] { return !applet.commands.isEmpty() && applet.SequenceState(sequence) == 0; }))
        return false;
    applet.host->StartAdjust(QLatin1String(sequence), result);
    piotest::Settle();
    return result == 0;
}

// Renders the main window with its page in front into docs/screenshots when asked to.
inline void Screenshot(frmMain& window, QWidget& page, const QString& name)
{
    const QString folder = qEnvironmentVariable("TRIVEX_SCREENSHOT_DIR");
    global::LocalizeForm(page);
    piotest::Settle(); // the layouts take the new texts
    page.adjustSize();
    if (auto* frame = page.parentWidget())
        frame->adjustSize();
    window.resize(760, 560);
    const QImage picture = window.grab().toImage();
    EXPECT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), page.width());
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
    }
}

} // namespace merrowtest
