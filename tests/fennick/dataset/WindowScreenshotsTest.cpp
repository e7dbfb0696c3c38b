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
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
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

    static QImage Take(QWidget& window, const QString& name) { return TakeScreenshot(window, name); }

    // The colour in the middle row of a widget's part of the picture, at a
    // fraction of its width.
    static QRgb ColourAcross(const QImage& part, double fraction)
    {
        return part.pixel(static_cast<int>(part.width() * fraction), part.height() / 2);
    }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
};

} // namespace

TEST_F(WindowScreenshots, SmallWindows)
{
    QTemporaryDir emptyFolder; // no animation beside the program
    Publics::SetProgramFolder(emptyFolder.path());
    frmBusy busy;
    // Without the animation the still picture shows.
    QImage picture = Take(busy, QStringLiteral("frmBusy"));
    ASSERT_TRUE(busy.Picture1()->isVisible());
    EXPECT_GT(DistinctColours(PartOf(picture, busy, *busy.Picture1())), 2);

    frmCommProgress progress;
    progress.gagCommProgress()->setValue(40);
    progress.SetGaugeCaption(QStringLiteral("40 %"));
    picture = Take(progress, QStringLiteral("frmCommProgress"));
    // The gauge is filled to 40 %: its filled part differs from its empty part.
    const QImage gauge = PartOf(picture, progress, *progress.gagCommProgress());
    EXPECT_NE(ColourAcross(gauge, 0.1), ColourAcross(gauge, 0.9));
    EXPECT_EQ(progress.gagCommProgress()->text(), QStringLiteral("40 %"));

    frmWaitWhileBusy wait;
    clock.Advance(42000);
    picture = Take(wait, QStringLiteral("frmWaitWhileBusy"));
    // 42 seconds counted: the gauge says so and its status line is drawn.
    EXPECT_TRUE(wait.Mh3dGauge1()->text().startsWith(QStringLiteral("42"))) << wait.Mh3dGauge1()->text().toStdString();
    EXPECT_GT(DistinctColours(PartOf(picture, wait, *wait.lblDTMStatus())), 1);

    frmChannelDataWarn warn;
    picture = Take(warn, QStringLiteral("frmChannelDataWarn"));
    EXPECT_FALSE(warn.lblHint()->text().isEmpty());
    EXPECT_GT(DistinctColours(PartOf(picture, warn, *warn.lblHint())), 1);
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
    const QImage picture = Take(watch, QStringLiteral("frmSequenceWatch"));
    // An active sequence's cells are drawn in the info colour, a finished one's are not.
    QTableWidget* table = watch.StatusTable();
    const auto cellCorner = [&](int row, int column) {
        const QRect cell = table->visualRect(table->model()->index(row, column));
        const QPoint at = table->viewport()->mapTo(&watch, cell.bottomRight() - QPoint(2, 2));
        return picture.pixelColor(at * picture.devicePixelRatio());
    };
    EXPECT_EQ(cellCorner(2, 1), info); // Upload, READ ACTIVE
    EXPECT_NE(cellCorner(1, 1), info); // GetDeviceInfo, READY
    EXPECT_GT(DistinctColours(PartOf(picture, watch, *table)), 2);
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
            const QImage picture = Take(*dialog, QStringLiteral("frmChannelManagerDialog"));
            EXPECT_GT(DistinctColours(PartOf(picture, *dialog, *dialog->ModuleGrid())), 2);
        } else {
            dialog->lstStandardModules()->setCurrentRow(1);
            const QImage picture = Take(*dialog, QStringLiteral("frmChannelManagerDialog-standard"));
            // The chosen module is drawn highlighted.
            QListWidget* list = dialog->lstStandardModules();
            const QRect row = list->visualItemRect(list->item(1));
            const QPoint at = list->viewport()->mapTo(dialog, QPoint(row.right() - 2, row.center().y()));
            EXPECT_EQ(picture.pixelColor(at * picture.devicePixelRatio()), list->palette().color(QPalette::Highlight));
        }
        configurator->CloseConfigurator();
        for (int i = 0; i < 100 && loop::PendingPostedCalls() > 0; ++i)
            loop::RunPostedCalls();
        data->ReleaseDataModel();
        global::AppletHost().reset();
    }
}
