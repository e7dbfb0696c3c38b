// The flow totaliser page on the flow computer (device type 139): started
// from the page it counts the chosen flow while the simulator's process time
// moves on, stops, deletes after the user confirms, keeps showing a running
// totaliser as running when it is opened or the dataset is read again, and
// with no flow chosen offers and sends nothing.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmFlowBuffer.h"
#include "pioitems/PioAppItem.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "sim/SimOptions.h"
#include "sim/Totaliser.h"
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

using namespace merrowtest;

namespace {

constexpr int kTotaliserAction = 187;
constexpr int64_t kHour = sim::Totaliser::kHourMs;

// The flow computer with a steady flow, its totaliser integrating the volume flow.
class FlowBufferPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(applet.Ready()) << "no staged Trivex description";
        QString error;
        ASSERT_TRUE(MakeFlowComputer(device(), error)) << error.toStdString();
        device().setAppliedValue(sim::Measured::DifferentialPressure, 4.0);
        device().freezeProcessTime(0);
        device().device().totaliser.select(sim::Totaliser::Volume);
        window = applet.StartConnected(139);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(ReadIntoDataset(applet, "uploadPid"));
    }

    sim::SimTransmitter& device() { return applet.device.transmitter(); }
    const sim::Totaliser& totaliser() { return device().device().totaliser; }
    bool Usable(const frmFlowBuffer& page, int action) const { return page.cmdAction(action)->isEnabled(); }
    bool ShowsRunning(const frmFlowBuffer& page) const
    {
        return page.lblStatus()->property("TextId").toInt() == 2614;
    }
    // Clicks a button and waits until the action reached the device and the window is the user's again.
    bool Act(frmFlowBuffer& page, int action)
    {
        applet.commands.clear();
        page.cmdAction(action)->click();
        return piotest::RunUntil([&] { return applet.commands.contains(kTotaliserAction) && window->isEnabled(); });
    }

    DeviceApplet applet;
    frmMain* window = nullptr;
};

} // namespace

TEST_F(FlowBufferPage, CountsWhileRunningStopsAndDeletesAllOnlyWhenConfirmed)
{
    auto* page = OpenPage<frmFlowBuffer>(applet, *window, "mnuFlowBuffer");
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->Covered());
    EXPECT_FALSE(ShowsRunning(*page));
    EXPECT_TRUE(Usable(*page, frmFlowBuffer::Start));
    EXPECT_FALSE(Usable(*page, frmFlowBuffer::Stop));
    for (int action = frmFlowBuffer::DeleteLastHour; action <= frmFlowBuffer::DeleteAll; ++action)
        EXPECT_TRUE(Usable(*page, action)) << action;
    // The volume total counts the quantity of the volume flow's unit, not its
    // rate, and shows it as a symbol: "m3/h" counts "m³".
    EXPECT_EQ(page->appFlowUnit()->AppItemName(), "mvOutVolFlowUnit");
    ASSERT_EQ(page->appFlowUnit()->EnumValue(), "m3/h");
    EXPECT_EQ(page->lblFlowUnit()->text(), QStringLiteral("m³"));

    ASSERT_TRUE(Act(*page, frmFlowBuffer::Start));
    EXPECT_TRUE(totaliser().running());
    ASSERT_TRUE(piotest::RunUntil([&] { return ShowsRunning(*page); }));
    EXPECT_TRUE(Usable(*page, frmFlowBuffer::Stop));
    EXPECT_FALSE(Usable(*page, frmFlowBuffer::Start));

    device().freezeProcessTime(kHour + 90 * 1000);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->lblFlowBufferTime()->text() == "0 : 1 : 1 : 30"; }))
        << page->lblFlowBufferTime()->text().toStdString();
    const double counted = totaliser().totalVolume();
    EXPECT_GT(counted, 0);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->lblFlowBufferTotal()->ShownText().toDouble() > 0; }));
    EXPECT_NEAR(page->lblFlowBufferTotal()->ShownText().toDouble(), counted, counted * 0.01); // m3
    // The page counting, in a picture for the documentation.
    const QString folder = qEnvironmentVariable("TRIVEX_SCREENSHOT_DIR");
    global::LocalizeForm(*page);
    piotest::Settle();
    window->resize(760, 560);
    const QImage picture = window->grab().toImage();
    EXPECT_GT(picture.width(), page->width());
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("flow-buffer-en.png"))));
    }

    ASSERT_TRUE(Act(*page, frmFlowBuffer::Stop));
    EXPECT_FALSE(totaliser().running());
    ASSERT_TRUE(piotest::RunUntil([&] { return !ShowsRunning(*page); }));
    device().freezeProcessTime(3 * kHour);
    piotest::Settle();
    EXPECT_DOUBLE_EQ(totaliser().totalVolume(), counted);

    // Cancelled: nothing is written and nothing is sent.
    applet.commands.clear();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    page->cmdAction(frmFlowBuffer::DeleteAll)->click();
    piotest::Settle();
    EXPECT_FALSE(applet.commands.contains(kTotaliserAction));
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(2622));
    EXPECT_DOUBLE_EQ(totaliser().totalVolume(), counted);
    // Confirmed: the device drops the totals and the time.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    ASSERT_TRUE(Act(*page, frmFlowBuffer::DeleteAll));
    EXPECT_EQ(totaliser().totalVolume(), 0);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->lblFlowBufferTime()->text() == "0 : 0 : 0 : 0"; }));

}

TEST_F(FlowBufferPage, ARunningTotaliserShowsRunningWhenOpenedAndAfterAnUploadAndNoFlowChosenSendsNothing)
{
    device().device().totaliser.act(sim::Totaliser::Start);
    ASSERT_TRUE(ReadIntoDataset(applet, "uploadPid"));
    auto* page = OpenPage<frmFlowBuffer>(applet, *window, "mnuFlowBuffer");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return ShowsRunning(*page); }));
    EXPECT_TRUE(Usable(*page, frmFlowBuffer::Stop));
    // Reading the dataset again notifies the selection: the action is left as the device reports it.
    ASSERT_TRUE(ReadIntoDataset(applet, "uploadPid"));
    piotest::Settle();
    EXPECT_TRUE(ShowsRunning(*page));
    EXPECT_EQ(applet.Number(QStringLiteral("pidModeBlkNormal")), 1);
    EXPECT_TRUE(totaliser().running());
    // The user choosing another flow resets the action: a total of one flow does not go on with another.
    QComboBox* flows = page->cmbFlowBufferSelection()->EntryList();
    const int mass = flows->findData(sim::Totaliser::Mass);
    ASSERT_GE(mass, 0);
    flows->setCurrentIndex(mass);
    emit flows->activated(mass);
    piotest::Settle();
    EXPECT_EQ(applet.Number(QStringLiteral("pidModeBlkNormal")), 0);

    // No flow chosen: every button is disabled, and an action asked for anyway sends nothing.
    device().device().totaliser.select(sim::Totaliser::None);
    ASSERT_TRUE(ReadIntoDataset(applet, "uploadPid"));
    piotest::Settle();
    for (int action = frmFlowBuffer::Stop; action <= frmFlowBuffer::DeleteAll; ++action)
        EXPECT_FALSE(Usable(*page, action)) << action;
    applet.commands.clear();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->cmdAction_Click(frmFlowBuffer::DeleteAllDays);
    piotest::Settle();
    EXPECT_FALSE(applet.commands.contains(kTotaliserAction));
    EXPECT_TRUE(window->isEnabled());
}

// An action the item manager refuses is told on the page, sends nothing, and
// the window lives on with the page.
TEST_F(FlowBufferPage, ARefusedActionIsToldSendsNothingAndTheWindowLives)
{
    auto* page = OpenPage<frmFlowBuffer>(applet, *window, "mnuFlowBuffer");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(Usable(*page, frmFlowBuffer::Start));
    // The action control bound to a text item: the manager refuses a number there.
    auto* action = page->findChild<pioitems::PioAppItem*>(QStringLiteral("appBufferAction"));
    ASSERT_NE(action, nullptr);
    action->UnRegister();
    action->SetAppItemName(QStringLiteral("pbMessage"));
    action->Register(applet.manager);
    applet.commands.clear();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->cmdAction(frmFlowBuffer::Start)->click();
    piotest::Settle();
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3940));
    EXPECT_FALSE(applet.commands.contains(kTotaliserAction));
    EXPECT_FALSE(totaliser().running());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(FindPage<frmFlowBuffer>(*window), page);
}
