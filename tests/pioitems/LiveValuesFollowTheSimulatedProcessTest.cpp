// Live values end to end: item controls on a form, registered with an update
// interval, follow the simulated transmitter's process through the applet
// host's cyclic reads, without any action of the user. The timer service's
// manual clock makes the seconds pass; the device answers over HART-IP on
// loopback through the HART gateway.
#include "pioitems/PioAppItem.h"
#include "pioitems/PioControlItemHandler.h"
#include "platform/controls/PioLabel.h"
#include "platform/applet/SubItemName.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "sim/ProcessModel.h"
#include "sim/SimUnits.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <QElapsedTimer>
#include <QLabel>
#include <gtest/gtest.h>

using namespace pioitems;

namespace {

constexpr int kSecond = 1000;

// A form showing one measured value the way the measured-values window does,
// and in a display control as the display windows do.
struct ValueForm : pioitemstest::Form {
    explicit ValueForm(const QString& item, int16_t interval = 1)
    {
        display->SetObjectNameLabel(item);
        display->SetUpdateInterval(interval);
        value->SetAppItemName(item);
        value->SetUpdateInterval(interval);
        value->SetMaxDigits(7);
        value->SetDecimalPlaces(3);
        QObject::connect(value, &PioAppItem::ValueChanged,
                         [this](const QString&) { shown->setText(value->FloatValueFormatted()); });
    }
    void Open(const std::shared_ptr<applet::clsAppletItemManager>& manager) { handler->Register1(&widget, manager); }
    void Close() { handler->UnRegister(); }

    PioControlItemHandler* handler = new PioControlItemHandler(&widget);
    PioAppItem* value = new PioAppItem(&widget);
    QLabel* shown = new QLabel(&widget);
    controls::PioLabel* display = new controls::PioLabel(&widget);
};

class LiveValues : public ::testing::Test {
protected:
    void SetUp() override
    {
        applet = std::make_unique<piotest::TrivexApplet>();
        ASSERT_TRUE(applet->Ready()) << "no staged Trivex description at "
                                     << loopbacktest::StagedTrivexDescription().toStdString();
        QObject::connect(&applet->device, &sim::SimServer::requestHandled,
                         [this](int command, int) { commands.append(command); });
        ASSERT_TRUE(applet->Connect());
        commands.clear();
    }

    // Runs the loop (the clock standing still) until done() holds.
    bool Run(const std::function<bool()>& done)
    {
        QElapsedTimer patience;
        patience.start();
        while (!done()) {
            if (patience.elapsed() > loopbacktest::kPatienceMs)
                return false;
            clock.Advance(0);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }
    // Gives anything still under way the chance to show itself.
    void Quiet()
    {
        for (int i = 0; i < 30; ++i) {
            clock.Advance(0);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    // What "currentSequence" says runs: a transfer's sequence, or nothing.
    void Transfer(const QString& sequence)
    {
        int32_t failed = 0;
        applet->manager->fncPutString(applet->manager->HandleOf(QStringLiteral("currentSequence")), sequence, failed);
        ASSERT_EQ(failed, 0);
    }
    int Reads(int command) const { return static_cast<int>(commands.count(command)); }
    // The differential pressure of the simulated process now, in the unit of the device's range.
    double DeviceDp()
    {
        sim::SimTransmitter& device = applet->device.transmitter();
        // In the unit the device reports its differential pressure in.
        const uint8_t unit = device.device().variables[sim::Variable::DifferentialPressure].units;
        return sim::fromBase(device.processValues().value[sim::Variable::DifferentialPressure], unit);
    }

    loop::ManualClock clock;
    loop::ScopedTimerService scoped{clock};
    std::unique_ptr<piotest::TrivexApplet> applet;
    QList<int> commands;
};

constexpr int kPressureBlock = 143;    // Read_143: differential and static pressure, sensor temperature
constexpr int kTemperatureBlock = 149; // Read_149: process temperature

} // namespace

TEST_F(LiveValues, AValueOnAFormFollowsTheSimulatedProcess)
{
    ValueForm form(QStringLiteral("ptrbSecondaryValue1"));
    form.Open(applet->manager);
    QStringList shown;
    for (int second = 0; second <= 3; ++second) {
        if (second > 0)
            clock.Advance(kSecond);
        ASSERT_TRUE(Run([&] { return Reads(kPressureBlock) == second + 1; })) << second;
        ASSERT_TRUE(Run([&] { return form.value->FloatValue() != 0 && !shown.contains(form.shown->text()); }))
            << second << ": " << form.shown->text().toStdString();
        EXPECT_NEAR(form.value->FloatValue(), DeviceDp(), 1e-3) << second;
        EXPECT_NEAR(form.display->ShownText().toDouble(), DeviceDp(), 0.05) << second; // within its last digit shown
        shown << form.shown->text();
    }
    EXPECT_EQ(commands, QList<int>(4, kPressureBlock)) << "only the record that carries the value is read";
}

TEST_F(LiveValues, ARecordIsReadOncePerIntervalHoweverManyViewsAskForIt)
{
    // Two views of one value, another value of the same record (one of them
    // at a longer interval), and a value of another record.
    ValueForm bar(QStringLiteral("ptrbSecondaryValue1"));
    ValueForm digits(QStringLiteral("ptrbSecondaryValue1"));
    ValueForm staticPressure(QStringLiteral("ptrbStaticPressureValue"), 30);
    ValueForm temperature(QStringLiteral("ttrbPrimaryValue"));
    for (ValueForm* form : {&bar, &digits, &staticPressure, &temperature})
        form->Open(applet->manager);
    for (int second = 0; second <= 3; ++second) {
        if (second > 0)
            clock.Advance(kSecond);
        ASSERT_TRUE(Run([&] { return Reads(kPressureBlock) == second + 1 && Reads(kTemperatureBlock) == second + 1; }))
            << second;
    }
    Quiet();
    EXPECT_EQ(Reads(kPressureBlock), 4);
    EXPECT_EQ(Reads(kTemperatureBlock), 4);
    EXPECT_EQ(commands.size(), 8);
    EXPECT_NE(staticPressure.value->FloatValue(), 0) << "a value carried by a polled record is taken with it";
}

TEST_F(LiveValues, NothingIsReadWhileASequenceOrTransferRunsOrTheDeviceIsOfflineOrNoViewIsLeft)
{
    ValueForm form(QStringLiteral("ptrbSecondaryValue1"));
    form.Open(applet->manager);
    // The device has answered the first read and the poller has taken the
    // answer: a read still under way when the sequence starts would fall due
    // before the sequence holds the device.
    ASSERT_TRUE(Run([&] { return Reads(kPressureBlock) == 1 && form.value->FloatValue() != 0; }));
    Quiet();

    // A sequence has the device when the next read falls due: that read is
    // left out, and the reads go on one interval later.
    int32_t code = -1;
    applet->host->StartSequence(QStringLiteral("GetDiagnosis"), code);
    ASSERT_EQ(code, 0);
    clock.Advance(kSecond);
    const QString state = applet::SubItemName::Compose(applet::SubItemKind::SequenceState, "GetDiagnosis");
    ASSERT_TRUE(Run([&] { return Reads(48) == 1 && applet->Number(state) == 0; }));
    Quiet();
    EXPECT_EQ(Reads(kPressureBlock), 1);
    clock.Advance(kSecond);
    ASSERT_TRUE(Run([&] { return Reads(kPressureBlock) == 2; }));

    // So is a transfer, also between two of its sequences.
    Transfer(QStringLiteral("upload"));
    clock.Advance(kSecond);
    Quiet();
    EXPECT_EQ(Reads(kPressureBlock), 2);
    Transfer(QString());
    clock.Advance(kSecond);
    ASSERT_TRUE(Run([&] { return Reads(kPressureBlock) == 3; }));

    // Offline nothing is read; connected again, the value is read at once.
    applet->host->Disconnect(0, code);
    ASSERT_TRUE(Run([&] { return applet->Number(loopbacktest::kConnectItem) == 0; }));
    for (int second = 0; second < 3; ++second)
        clock.Advance(kSecond);
    Quiet();
    EXPECT_EQ(Reads(kPressureBlock), 3);
    applet->host->Connect(0, code);
    ASSERT_TRUE(Run([&] { return applet->Number(loopbacktest::kConnectItem) == 2; }));
    ASSERT_TRUE(Run([&] { return Reads(kPressureBlock) == 4; }));

    // The last view gone, the reads end.
    form.Close();
    const int before = static_cast<int>(commands.size());
    for (int second = 0; second < 3; ++second)
        clock.Advance(kSecond);
    Quiet();
    EXPECT_EQ(commands.size(), before);
}
