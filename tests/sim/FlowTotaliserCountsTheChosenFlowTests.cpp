// The flow totaliser of the flow computer (device type 139) through HART
// frames: it counts the chosen flow while it runs (the process time moved on
// by the test), stops, deletes by hour and day, answers every action with its
// state, and keeps its total in the memory across a restart, also when it
// runs into the limits of what the memory keeps.
#include "platform/comm/hart/HartStatus.h"
#include "tests/sim/TransmitterFixture.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

namespace RC = comm::ResponseCode;
using sim::Totaliser;

constexpr uint16_t kFlowComputer = 0x638B;
constexpr int64_t kHour = Totaliser::kHourMs;
constexpr double kOperatingDensity = 1000.0;   // kg/m3, the description's default

QByteArray time(int d, int h, int m, int s)
{
    const char bytes[] = {static_cast<char>(d), static_cast<char>(h), static_cast<char>(m), static_cast<char>(s)};
    return QByteArray(bytes, 4);
}

class FlowTotaliser : public simtest::Transmitter {
protected:
    void SetUp() override
    {
        Transmitter::SetUp();
        prepare(device);
    }

    // The flow computer with a steady flow (the differential pressure held).
    static void prepare(sim::SimTransmitter& d)
    {
        d.device().expandedDeviceType = kFlowComputer;
        d.setAppliedValue(sim::Measured::DifferentialPressure, 4.0);
    }

    uint8_t select(int selection)
    {
        const sim::DescribedCommand* writer = simtest::writerOf(device, QStringLiteral("pidModeBlkPermitted"));
        EXPECT_NE(writer, nullptr);
        return ask(static_cast<uint8_t>(writer->number),
                   simtest::requestOf(device, *writer, QStringLiteral("pidModeBlkPermitted"), selection)).responseCode;
    }

    // The action's response code; state gets the state the answer carries.
    uint8_t act(int action, int* state = nullptr)
    {
        const sim::DescribedCommand* command = simtest::commandOf(device, QStringLiteral("Write_PidTotaliserAction"));
        EXPECT_NE(command, nullptr);
        const comm::HartFrame answer = ask(static_cast<uint8_t>(command->number), QByteArray(1, static_cast<char>(action)));
        if (state && answer.data.size() == 1)
            *state = static_cast<uint8_t>(answer.data[0]);
        return answer.responseCode;
    }

    double total() { return reported(QStringLiteral("pidLoLim")).toDouble(); }
    QByteArray elapsed() { return reported(QStringLiteral("pidInValue")).toByteArray(); }
    int state() { return reported(QStringLiteral("pidModeBlkNormal")).toInt(); }
    double flow() { return device.processValues().value[sim::Variable::Flow]; }   // m3/h
};

} // namespace

TEST_F(FlowTotaliser, CountsTheChosenFlowWhileRunningStopsAndDeletesByHourAndDay)
{
    const double perHour = flow();
    ASSERT_GT(perHour, 0);
    ASSERT_EQ(select(Totaliser::Volume), RC::Success);
    int answered = -1;
    ASSERT_EQ(act(Totaliser::Start, &answered), RC::Success);
    EXPECT_EQ(answered, 1);

    device.freezeProcessTime(kHour);
    EXPECT_NEAR(total(), perHour, perHour * 1e-5);   // m3/h over one hour, in m3
    EXPECT_EQ(elapsed(), time(0, 1, 0, 0));

    // Stopped, the time passing counts nothing.
    ASSERT_EQ(act(Totaliser::Stop, &answered), RC::Success);
    EXPECT_EQ(answered, 0);
    device.freezeProcessTime(2 * kHour);
    EXPECT_NEAR(total(), perHour, perHour * 1e-5);
    ASSERT_EQ(act(Totaliser::Start), RC::Success);
    device.freezeProcessTime(2 * kHour + kHour / 2 + 5000);
    EXPECT_NEAR(total(), 1.5 * perHour + perHour * 5 / 3600, perHour * 1e-5);
    EXPECT_EQ(elapsed(), time(0, 1, 30, 5));

    // Deleting the last hour drops the running hour and its time; it keeps running.
    ASSERT_EQ(act(Totaliser::DeleteLastHour, &answered), RC::Success);
    EXPECT_EQ(answered, 1);
    EXPECT_NEAR(total(), perHour, perHour * 1e-5);
    EXPECT_EQ(elapsed(), time(0, 1, 0, 0));

    // Another flow starts from nothing: the mass flow at the operating density, in kg (unit kg/s).
    ASSERT_EQ(select(Totaliser::Mass), RC::Success);
    EXPECT_EQ(state(), 0);
    EXPECT_EQ(total(), 0.0);
    ASSERT_EQ(act(Totaliser::Start), RC::Success);
    device.freezeProcessTime(2 * kHour + kHour / 2 + 5000 + 25 * kHour);
    const double perHourKg = perHour * kOperatingDensity;
    EXPECT_NEAR(total(), 25 * perHourKg, perHourKg * 1e-4);
    EXPECT_EQ(elapsed(), time(1, 1, 0, 0));
    ASSERT_EQ(act(Totaliser::DeleteAllHours), RC::Success);
    EXPECT_NEAR(total(), 24 * perHourKg, perHourKg * 1e-4);
    EXPECT_EQ(elapsed(), time(1, 0, 0, 0));
    ASSERT_EQ(act(Totaliser::DeleteAllDays), RC::Success);
    EXPECT_EQ(total(), 0.0);
    EXPECT_EQ(elapsed(), time(0, 0, 0, 0));
    device.freezeProcessTime(2 * kHour + kHour / 2 + 5000 + 26 * kHour);
    ASSERT_EQ(act(Totaliser::DeleteAll), RC::Success);
    EXPECT_EQ(total(), 0.0);
    EXPECT_EQ(state(), 1);

    // Nothing chosen: stop and delete are answered, a start is refused; an
    // action the device does not know is refused.
    ASSERT_EQ(select(Totaliser::None), RC::Success);
    EXPECT_EQ(act(Totaliser::Stop), RC::Success);
    EXPECT_EQ(act(Totaliser::DeleteAll), RC::Success);
    EXPECT_EQ(act(Totaliser::Start), RC::InvalidSelection);
    EXPECT_EQ(state(), 0);
    ASSERT_EQ(select(Totaliser::Volume), RC::Success);
    EXPECT_NE(act(6), RC::Success);
    EXPECT_EQ(state(), 0);

    // A transmitter without the flow computer has no totaliser.
    device.device().expandedDeviceType = 0x6389;
    EXPECT_EQ(act(Totaliser::Start), RC::CommandNotImplemented);
}

TEST_F(FlowTotaliser, FlowBlockOutOfServiceCountsTimeButNoFlow)
{
    ASSERT_EQ(select(Totaliser::Volume), RC::Success);
    ASSERT_EQ(act(Totaliser::Start), RC::Success);
    device.device().multivariableBlockMode = 128;
    device.freezeProcessTime(kHour);
    EXPECT_EQ(total(), 0.0);
    EXPECT_EQ(elapsed(), time(0, 1, 0, 0));
}

TEST_F(FlowTotaliser, KeepsItsTotalAndStateAcrossARestartWithItsMemory)
{
    QTemporaryDir dir;
    const QString memory = dir.filePath(QStringLiteral("nvm.json"));
    QString error;
    ASSERT_TRUE(device.setMemoryFile(memory, error)) << error.toStdString();
    const double perHour = flow();
    ASSERT_EQ(select(Totaliser::Volume), RC::Success);
    ASSERT_EQ(act(Totaliser::Start), RC::Success);
    device.freezeProcessTime(kHour);
    const double counted = total();
    ASSERT_NEAR(counted, perHour, perHour * 1e-5);

    // The device restarts after a while off: that time is not counted.
    device = sim::SimTransmitter();
    device.freezeProcessTime(10 * kHour);
    prepare(device);
    ASSERT_TRUE(device.setMemoryFile(memory, error)) << error.toStdString();
    EXPECT_FLOAT_EQ(static_cast<float>(total()), static_cast<float>(counted));
    EXPECT_EQ(elapsed(), time(0, 1, 0, 0));
    EXPECT_EQ(state(), 1);
    device.freezeProcessTime(11 * kHour);
    EXPECT_NEAR(total(), 2 * perHour, perHour * 1e-5);

    // A memory whose totaliser is not one is refused and changes nothing.
    QFile file(memory);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace("\"running\": true", "\"running\": 3");
    text.replace("\"running\":true", "\"running\":3");
    const QString bad = dir.filePath(QStringLiteral("bad.json"));
    QFile out(bad);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();
    sim::SimTransmitter third;
    EXPECT_FALSE(third.setMemoryFile(bad, error));
    EXPECT_FALSE(third.device().totaliser.running());
}

TEST_F(FlowTotaliser, RunsIntoItsLimitsAndTheMemoryItWritesThereIsReadBack)
{
    QTemporaryDir dir;
    const QString memory = dir.filePath(QStringLiteral("nvm.json"));
    QString error;
    ASSERT_TRUE(device.setMemoryFile(memory, error)) << error.toStdString();
    ASSERT_EQ(select(Totaliser::Volume), RC::Success);   // written to the memory

    // A running totaliser half an hour before a day ends, some hours before
    // its longest integration time, each part of its total at its limit.
    QFile file(memory);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonObject kept = root.value(QStringLiteral("device")).toObject();
    const int64_t start = Totaliser::kMaxElapsedMs / Totaliser::kDayMs * Totaliser::kDayMs - kHour / 2;
    kept.insert(QStringLiteral("totaliser"), QJsonObject{{QStringLiteral("selection"), Totaliser::Volume},
                                                         {QStringLiteral("running"), true},
                                                         {QStringLiteral("elapsedMs"), static_cast<double>(start)},
                                                         {QStringLiteral("days"), Totaliser::kMaxPart},
                                                         {QStringLiteral("hours"), Totaliser::kMaxPart},
                                                         {QStringLiteral("hour"), Totaliser::kMaxPart}});
    root.insert(QStringLiteral("device"), kept);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(root).toJson());
    file.close();

    device = sim::SimTransmitter();
    device.freezeProcessTime(0);
    prepare(device);
    ASSERT_TRUE(device.setMemoryFile(memory, error)) << error.toStdString();
    EXPECT_EQ(state(), 1);
    // Ten hours on: past the end of the day, then up to the limit, where it stops.
    device.freezeProcessTime(10 * kHour);
    EXPECT_EQ(state(), 0);
    EXPECT_EQ(device.device().totaliser.elapsedMs(), Totaliser::kMaxElapsedMs);
    EXPECT_TRUE(std::isfinite(total()));

    // What it wrote there is taken at the next start, as it was.
    sim::SimTransmitter again;
    ASSERT_TRUE(again.setMemoryFile(memory, error)) << error.toStdString();
    EXPECT_EQ(again.device().totaliser.elapsedMs(), Totaliser::kMaxElapsedMs);
    EXPECT_FALSE(again.device().totaliser.running());
    EXPECT_DOUBLE_EQ(again.device().totaliser.totalVolume(), device.device().totaliser.totalVolume());
    EXPECT_GE(again.device().totaliser.totalVolume(), Totaliser::kMaxPart);
}
