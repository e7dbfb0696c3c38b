// The DTM's small windows on the manual clock: the busy picture, the
// progress gauge, the wait window's Abort and time-out, and the monitor
// table's layout.
#include "fennick/fdt/frmBusy.h"
#include "fennick/fdt/frmCommProgress.h"
#include "fennick/fdt/frmSequenceWatch.h"
#include "fennick/fdt/frmWaitWhileBusy.h"
#include "fennick/services/Publics.h"
#include "platform/controls/AnimatedPicture.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "platform/loop/Timer.h"
#include "tests/common/TraceCapture.h"
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WindowsTest : public ::testing::Test {
protected:
    ~WindowsTest() override { Publics::SetProgramFolder(QString()); }

    // A GIF of two one-pixel frames in the program's folder.
    void PlaceAnimation(const QString& name, const QByteArray& content)
    {
        Publics::SetProgramFolder(dir.path());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray TwoFrameGif()
    {
        const QByteArray frame = QByteArray::fromHex("21f904000a0000002c0000000001000100000202440100");
        return QByteArray::fromHex("47494638396101000100800000000000ffffff") + frame + frame
               + QByteArray::fromHex("3b");
    }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
    QTemporaryDir dir;
};

} // namespace

TEST_F(WindowsTest, BusyWindowWithoutAnimationShowsItsPicture)
{
    Publics::SetProgramFolder(dir.path());
    frmBusy form;
    EXPECT_FALSE(form.ShowsAnimation());
    EXPECT_FALSE(form.Picture1()->isHidden());
    // The picture plus 5 twips each way.
    EXPECT_EQ(form.WidthTwips(), frmBusy::kPictureSize * 15 + 5);
    EXPECT_EQ(form.HeightTwips(), frmBusy::kPictureSize * 15 + 5);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form.pos(), QPoint(int(screen.width() * 0.3), int(screen.height() * 0.3)));
    EXPECT_TRUE(form.IsTopMost());
    EXPECT_EQ(form.parentWidget(), nullptr);
}

TEST_F(WindowsTest, BusyWindowPlaysTheAnimationBesideTheProgram)
{
    if (!QImageReader::supportedImageFormats().contains("gif"))
        GTEST_SKIP() << "no GIF reader";
    // Found whatever the case of its name.
    PlaceAnimation(QStringLiteral("Dtm_Busy.gif"), TwoFrameGif());
    frmBusy form;
    ASSERT_TRUE(form.ShowsAnimation());
    EXPECT_TRUE(form.Picture1()->isHidden());
    // The animation (one pixel, 15 twips) plus 100 twips each way.
    EXPECT_EQ(form.WidthTwips(), 115);
    EXPECT_EQ(form.HeightTwips(), 115);
    form.show();
    EXPECT_TRUE(form.IsTopMost());
    EXPECT_EQ(form.AniGif1()->CurrentFrame(), 0);
    clock.Advance(100);
    EXPECT_EQ(form.AniGif1()->CurrentFrame(), 1);
    form.hide();
}

TEST_F(WindowsTest, BusyWindowWithAnUnreadableAnimationFallsBackToItsPicture)
{
    PlaceAnimation(QStringLiteral("DTM_BUSY.GIF"), "not a picture");
    TraceCapture traces;
    frmBusy form;
    EXPECT_FALSE(form.ShowsAnimation());
    EXPECT_EQ(form.WidthTwips(), frmBusy::kPictureSize * 15 + 5);
    EXPECT_EQ(traces.lines().size(), 1);
}

TEST_F(WindowsTest, ThereIsOneBusyWindowAtATime)
{
    Publics::ShowBusy(-1);
    Publics::ShowBusy(-1);
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<frmBusy*>(widget) != nullptr && widget->isVisible();
    EXPECT_EQ(count, 1);
    Publics::ShowBusy(0);
    EXPECT_EQ(Publics::BusyForm(), nullptr);
}

TEST_F(WindowsTest, ProgressGaugeRunsRoundWhileItsTimerIsOn)
{
    frmCommProgress form;
    EXPECT_EQ(form.windowTitle(), "Data transmission active");
    EXPECT_EQ(form.fraCommProgress()->title(), "Progress");
    QProgressBar* gauge = form.gagCommProgress();
    EXPECT_EQ(gauge->minimum(), 0);
    EXPECT_EQ(gauge->maximum(), 100);
    EXPECT_FALSE(form.TimerDisplayProgress().IsActive());
    EXPECT_EQ(form.TimerDisplayProgress().Interval(), 100);
    clock.Advance(1000);
    EXPECT_EQ(gauge->value(), 0);

    form.SetGaugeCaption(QString());
    EXPECT_EQ(form.GaugeCaption(), QString());
    form.TimerDisplayProgress().Start();
    clock.Advance(100);
    EXPECT_EQ(gauge->value(), 1);
    gauge->setValue(99);
    clock.Advance(100);
    EXPECT_EQ(gauge->value(), 100);
    clock.Advance(100); // past the upper bound: back to the lower
    EXPECT_EQ(gauge->value(), 0);

    // Bounds the user sets are kept as well.
    gauge->setRange(10, 12);
    gauge->setValue(12);
    clock.Advance(100);
    EXPECT_EQ(gauge->value(), 10);
    form.TimerDisplayProgress().Stop();
    clock.Advance(500);
    EXPECT_EQ(gauge->value(), 10);
}

TEST_F(WindowsTest, WaitWindowOffersAbortAfterThirtySecondsAndTimesOutAfterTwentyMinutes)
{
    frmWaitWhileBusy form;
    EXPECT_EQ(form.windowTitle(), "Starting Sequence");
    EXPECT_EQ(form.fraCommProgress()->title(), "Status");
    EXPECT_EQ(form.lblDTMStatus()->text(), "Please wait, DTM busy");
    EXPECT_EQ(form.cmdCommAbort()->text(), "Abort");
    EXPECT_FALSE(form.cmdCommAbort()->isEnabled());
    EXPECT_FALSE(form.Timeout());

    clock.Advance(12000);
    EXPECT_EQ(form.TickCounter(), 12);
    EXPECT_EQ(form.GaugeCaption(), "12s");
    EXPECT_EQ(form.Mh3dGauge1()->value(), 12);

    clock.Advance(18000); // tick 30
    EXPECT_FALSE(form.cmdCommAbort()->isEnabled());
    clock.Advance(1000); // tick 31
    EXPECT_TRUE(form.cmdCommAbort()->isEnabled());

    clock.Advance(29000); // tick 60: the gauge wraps, the caption counts on
    EXPECT_EQ(form.Mh3dGauge1()->value(), 0);
    EXPECT_EQ(form.GaugeCaption(), "60s");

    clock.Advance(1140000); // tick 1200
    EXPECT_FALSE(form.Timeout());
    clock.Advance(1000); // tick 1201
    EXPECT_TRUE(form.Timeout());
    EXPECT_EQ(form.GaugeCaption(), "1201s");
    EXPECT_EQ(form.Mh3dGauge1()->value(), 1201 % 60);
}

TEST_F(WindowsTest, WaitWindowAbortEndsTheWaitAndTheWindowStaysUntilItsUserUnloadsIt)
{
    frmWaitWhileBusy form;
    form.show();
    clock.Advance(31000);
    ASSERT_TRUE(form.cmdCommAbort()->isEnabled());
    form.cmdCommAbort()->click();
    EXPECT_TRUE(form.Timeout());
    // Closing by the window's frame does not end it.
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowsTest, WaitWindowCounterStopsAtItsLargestValue)
{
    frmWaitWhileBusy form;
    clock.Advance(32767LL * 1000);
    EXPECT_EQ(form.TickCounter(), 32767);
    clock.Advance(5000);
    EXPECT_EQ(form.TickCounter(), 32767);
    EXPECT_EQ(form.GaugeCaption(), "32767s");
    EXPECT_TRUE(form.Timeout());
}

TEST_F(WindowsTest, MonitorTableFollowsTheWindowSize)
{
    frmSequenceWatch form;
    EXPECT_EQ(form.windowTitle(), "Monitor Sequence Activities");
    EXPECT_EQ(form.StatusTable()->columnCount(), 3);
    form.SetRows(3);
    form.show();
    form.resize(400, 300); // 6000 x 4500 twips
    EXPECT_EQ(form.TableWidthTwips(), 6000 - 182);
    EXPECT_EQ(form.TableHeightTwips(), 4500 - 492);
    // Few rows: no scroll bar, 100 twips kept free; unit = (5818 - 100) / 20.
    const int unit = 286; // 285.9 rounded
    EXPECT_EQ(form.ColumnWidthTwips(0), 11 * unit);
    EXPECT_EQ(form.ColumnWidthTwips(1), 6 * unit);
    EXPECT_EQ(form.ColumnWidthTwips(2), 3 * unit);

    // More rows than fit: the scroll bar's width is kept free.
    form.SetRows(200);
    const int scrollingUnit = 271; // (5818 - 400) / 20 = 270.9
    EXPECT_EQ(form.ColumnWidthTwips(0), 11 * scrollingUnit);
    EXPECT_EQ(form.ColumnWidthTwips(2), 3 * scrollingUnit);
}

TEST_F(WindowsTest, MonitorTableKeepsFixedAndCellColours)
{
    frmSequenceWatch form;
    form.SetRows(3);
    form.SetCellText(1, 0, QStringLiteral("Upload"));
    EXPECT_EQ(form.CellText(1, 0), "Upload");
    EXPECT_EQ(form.CellText(7, 0), QString()); // no such row
    EXPECT_EQ(form.CellBackground(1, 1), form.TableBackground());
    form.SetCellBackground(1, 1, Qt::yellow);
    EXPECT_EQ(form.CellBackground(1, 1), QColor(Qt::yellow));
    form.SetFixedBackground(Qt::red);
    EXPECT_EQ(form.CellBackground(0, 2), QColor(Qt::red));
    EXPECT_EQ(form.CellBackground(2, 0), QColor(Qt::red));
    EXPECT_EQ(form.CellBackground(1, 1), QColor(Qt::yellow));
    // Rows added later take the fixed colour too.
    form.SetRows(5);
    EXPECT_EQ(form.CellBackground(4, 0), QColor(Qt::red));
}
