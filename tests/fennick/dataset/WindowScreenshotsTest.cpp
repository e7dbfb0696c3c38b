// Renders each window of the DTM offscreen in a typical state (see
// tests/common/WindowScreenshot.h for where the pictures go).
#include "ModularDeviceSupport.h"
#include "fennick/dataset/clsChannelConfigurator.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/frmChannelDataWarn.h"
#include "fennick/dataset/frmChannelManagerDialog.h"
#include "fennick/fdt/frmBusy.h"
#include "fennick/fdt/frmCommProgress.h"
#include "fennick/fdt/frmSequenceWatch.h"
#include "fennick/fdt/frmWaitWhileBusy.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Publics.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/WindowScreenshot.h"
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WindowScreenshots : public ::testing::Test {
protected:
    ~WindowScreenshots() override
    {
        global::AppletHost().reset();
        Publics::SetProgramFolder(QString());
        for (int i = 0; i < 100 && loop::PendingPostedCalls() > 0; ++i)
            loop::RunPostedCalls();
    }

    static void Take(QWidget& window, const QString& name) { TakeScreenshot(window, name); }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
};

} // namespace

TEST_F(WindowScreenshots, SmallWindows)
{
    QTemporaryDir emptyFolder; // no animation beside the program
    Publics::SetProgramFolder(emptyFolder.path());
    frmBusy busy;
    Take(busy, QStringLiteral("frmBusy"));

    frmCommProgress progress;
    progress.gagCommProgress()->setValue(40);
    progress.SetGaugeCaption(QStringLiteral("40 %"));
    Take(progress, QStringLiteral("frmCommProgress"));

    frmWaitWhileBusy wait;
    clock.Advance(42000);
    Take(wait, QStringLiteral("frmWaitWhileBusy"));

    frmChannelDataWarn warn;
    Take(warn, QStringLiteral("frmChannelDataWarn"));
}

TEST_F(WindowScreenshots, SequenceMonitor)
{
    frmSequenceWatch watch;
    const QStringList header{QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Progress")};
    const struct {
        const char* name;
        const char* state;
        const char* progress;
        bool active;
    } rows[] = {{"GetDeviceInfo", "READY", "100", false},
                {"Upload", "READ ACTIVE", "40", true},
                {"Download", "READY", "0", false},
                {"ReadProcessValues", "READ REQUEST", "0", true}};
    watch.SetRows(5);
    for (int column = 0; column < 3; ++column)
        watch.SetCellText(0, column, header.at(column));
    int row = 1;
    const QColor info = watch.palette().color(QPalette::ToolTipBase);
    for (const auto& entry : rows) {
        watch.SetCellText(row, 0, QLatin1String(entry.name));
        watch.SetCellText(row, 1, QLatin1String(entry.state));
        watch.SetCellText(row, 2, QLatin1String(entry.progress));
        if (entry.active) {
            watch.SetCellBackground(row, 1, info);
            watch.SetCellBackground(row, 2, info);
        }
        ++row;
    }
    watch.SetFixedBackground(info); // a transfer pending
    Take(watch, QStringLiteral("frmSequenceWatch"));
}

TEST_F(WindowScreenshots, ModuleConfiguration)
{
    for (const bool configurable : {true, false}) {
        auto host = std::make_shared<modulartest::ManagerHost>();
        host->manager = std::make_shared<applet::clsAppletItemManager>(modulartest::AppletDescription(4), nullptr,
                                                                       std::weak_ptr<applet::AppletHost>());
        global::AppletHost() = host;
        modulartest::ModularFdtParser parser;
        if (configurable)
            parser.WithConfigurationItems();
        auto data = std::make_shared<clsDataManager>();
        data->BuildDataModel(parser);
        auto configurator = std::make_shared<clsChannelConfigurator>(data);
        int32_t result = -1;
        host->manager->RegisterView(configurator, result);
        ASSERT_EQ(result, 0);
        frmChannelManagerDialog* dialog = configurator->ConfigurationDialog();
        ASSERT_NE(dialog, nullptr);
        if (configurable) {
            int32_t failed = 0;
            host->manager->PutOctetsValue(host->manager->HandleOf(QStringLiteral("ModuleConfig")),
                                          QByteArray::fromHex("01050000"), failed);
            Take(*dialog, QStringLiteral("frmChannelManagerDialog"));
        } else {
            dialog->lstStandardModules()->setCurrentRow(1);
            Take(*dialog, QStringLiteral("frmChannelManagerDialog-standard"));
        }
        configurator->CloseConfigurator();
        for (int i = 0; i < 100 && loop::PendingPostedCalls() > 0; ++i)
            loop::RunPostedCalls();
        data->ReleaseDataModel();
        global::AppletHost().reset();
    }
}
