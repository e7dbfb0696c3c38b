// The basic-parameter page on the simulated transmitter: the alarm current,
// the write protection and the flow measurement chosen on the page reach the
// device with a download and the device obeys them; the tabs follow the
// device variant; the date takes only a date, in the user's form.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmBasicParameter.h"
#include "merrow/shell/PageTabs.h"
#include "platform/controls/PioFieldControl.h"
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QTest>

using namespace merrowtest;

namespace {

// Chooses the entry of the combo that stands for value; false when there is none.
bool Choose(controls::PioFieldControl* field, int value)
{
    if (!field || !field->EntryList())
        return false;
    QComboBox* list = field->EntryList();
    const int index = list->findData(value);
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    piotest::Settle();
    return true;
}

// The download of this variant: what every variant's upload reads, the flow
// block, and the write lock last.
bool Download(DeviceApplet& applet)
{
    for (const char* sequence : {"download", "downloadMv", "downloadWriteLock"}) {
        int32_t result = -1;
        applet.commands.clear();
        applet.host->ForceSequence(QLatin1String(sequence), result);
        if (result != 0 || !piotest::RunUntil([&] {
                return !applet.commands.isEmpty() && applet.SequenceState(sequence) == 0;
            }))
            return false;
    }
    return true;
}

constexpr int kAlarmLow = 1;
constexpr int kOutOfService = 128;

} // namespace

TEST(BasicParameterPage, AlarmCurrentWriteProtectionAndFlowModeReachTheDeviceWhichObeysThem)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmBasicParameter>(applet, *window, "mnuConfigureBasicParameter");
    ASSERT_NE(page, nullptr);
    // A current-loop HART device without remote seal: the Current tab stays, Remote Seal goes.
    EXPECT_GE(page->Tabs()->IndexOfKey(QStringLiteral("1t")), 0);
    EXPECT_LT(page->Tabs()->IndexOfKey(QStringLiteral("3t")), 0);

    sim::DeviceState& device = applet.device.transmitter().device();
    ASSERT_FALSE(device.writeLock);
    ASSERT_NE(device.alarmSelection, kAlarmLow);
    ASSERT_TRUE(Choose(page->Field(QStringLiteral("PioLabelComboUnit1(3)")), kAlarmLow));
    // The flow measurement is the flow block's target mode, an enumeration the user can set.
    controls::PioFieldControl* flow = page->Field(QStringLiteral("cmbDurchflussmessung"));
    ASSERT_TRUE(Choose(flow, kOutOfService));
    EXPECT_EQ(applet.Number(QStringLiteral("mvModeBlkTarget")), kOutOfService);
    ASSERT_TRUE(Download(applet));
    EXPECT_EQ(device.alarmSelection, kAlarmLow);
    EXPECT_EQ(device.multivariableBlockMode, kOutOfService);

    // Write protection on: the device takes it. The lock travels with the
    // dataset: a download unlocks first and locks again last.
    ASSERT_TRUE(Choose(page->Field(QStringLiteral("PioLabelComboUnit1(4)")), 1));
    ASSERT_TRUE(Download(applet));
    EXPECT_TRUE(device.writeLock);
    ASSERT_TRUE(Choose(page->Field(QStringLiteral("PioLabelComboUnit1(3)")), 0));
    ASSERT_TRUE(Download(applet));
    EXPECT_EQ(device.alarmSelection, 0);
    EXPECT_TRUE(device.writeLock);
}

TEST(BasicParameterPage, TheModbusVariantHasNoCurrentTabAndARepeatedRuleRemovesNothingMore)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.Variant("4607215", 1, true, 8, 139);
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    applet.PutNumber(QStringLiteral("&&private&&Connect"), 2);
    window->MDIForm_Activate();
    QAction* entry = window->Menu(QStringLiteral("mnuConfigureBasicParameter"));
    ASSERT_TRUE(entry && entry->isEnabled());
    entry->trigger();
    piotest::Settle();
    frmBasicParameter* page = nullptr;
    for (PioPage* child : window->ChildForms())
        if (auto* wanted = qobject_cast<frmBasicParameter*>(child))
            page = wanted;
    ASSERT_NE(page, nullptr);
    EXPECT_LT(page->Tabs()->IndexOfKey(QStringLiteral("1t")), 0);
    EXPECT_EQ(page->Tabs()->tbsOptions()->count(), 2); // General and Sensor
    EXPECT_TRUE(page->Field(QStringLiteral("cmbDurchflussmessung"))->isVisibleTo(page));
    applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 0);
    piotest::Settle();
    EXPECT_EQ(page->Tabs()->tbsOptions()->count(), 2);
    EXPECT_FALSE(page->Field(QStringLiteral("cmbDurchflussmessung"))->isVisibleTo(page));
}

TEST(BasicParameterPage, DateTakesOnlyADateTypedInTheUsersFormAndTheDeviceGetsIt)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ReadIntoDataset(applet, "upload"));
    auto* page = OpenPage<frmBasicParameter>(applet, *window, "mnuConfigureBasicParameter");
    ASSERT_NE(page, nullptr);
    QLineEdit* date = page->Field(QStringLiteral("PioLabelTextUnit1(0)"))->ValueField();
    ASSERT_NE(date, nullptr);
    const QString read = applet.Text(QStringLiteral("pbDeviceInstalDate"));
    ASSERT_FALSE(read.isEmpty());
    auto type = [&](const char* text) {
        date->selectAll();
        QTest::keyClicks(date, QLatin1String(text));
        QTest::keyClick(date, Qt::Key_Return);
        piotest::Settle();
    };

    for (const char* text : {"hello", "2024-13-45"}) {
        SCOPED_TRACE(text);
        type(text);
        EXPECT_EQ(applet.Text(QStringLiteral("pbDeviceInstalDate")), read);
        EXPECT_EQ(date->text(), read);
        EXPECT_TRUE(LastMessage(applet.dialogs).startsWith(QStringLiteral("The date \"%1\" cannot be taken: enter a date as YYYY-MM-DD").arg(QLatin1String(text))))
            << LastMessage(applet.dialogs).toStdString();
    }
    const size_t refusals = applet.dialogs.Requests().size();

    // A German user types the German form; the device holds it as its own.
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    type("24.12.2024");
    EXPECT_EQ(applet.Text(QStringLiteral("pbDeviceInstalDate")), "2024-12-24");
    EXPECT_EQ(applet.dialogs.Requests().size(), refusals);
    type("31.02.2024");
    EXPECT_EQ(applet.Text(QStringLiteral("pbDeviceInstalDate")), "2024-12-24");
    EXPECT_TRUE(LastMessage(applet.dialogs).contains(QStringLiteral("TT.MM.JJJJ"))) << LastMessage(applet.dialogs).toStdString();
    ASSERT_TRUE(Download(applet));
    EXPECT_EQ(applet.device.transmitter().device().date.toQDate(), QDate(2024, 12, 24));
}
