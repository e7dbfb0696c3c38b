#pragma once
// What the tests of the device pages on the simulated transmitter share:
// the offscreen picture of the main window with the page in front.
#include "DeviceFunctionSupport.h"
#include "merrow/shell/PioPage.h"
#include "tests/common/WindowScreenshot.h"
#include <QImage>

namespace merrowtest {

// Renders the main window with its page in front into docs/screenshots when asked to.
inline void Screenshot(frmMain& window, QWidget& page, const QString& name, const QSize& size = QSize(760, 560))
{
    global::LocalizeForm(page);
    piotest::Settle(); // the layouts take the new texts
    page.adjustSize();
    if (auto* frame = page.parentWidget())
        frame->adjustSize();
    window.resize(size);
    const QImage picture = TakeScreenshot(window, name);
    EXPECT_GT(picture.width(), page.width());
}

} // namespace merrowtest
