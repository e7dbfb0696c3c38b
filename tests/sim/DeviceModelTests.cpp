// The transmitter as its description declares it: every record of the
// description is answered in its layout, writes are checked against the
// parameter's range and enumeration, a write starts a data save, the factory
// reset comes back with the defaults, the variant options change the identity
// and the non-volatile memory survives a restart; a file no memory can be
// is refused.
#include "platform/applet/ValueEncoding.h"
#include "platform/comm/hart/HartStatus.h"
#include "sim/SimOptions.h"
#include "tests/sim/TransmitterFixture.h"
#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace comm;
using simtest::Transmitter;
using simtest::requestOf;
using simtest::writerOf;

namespace {

namespace RC = comm::ResponseCode;

} // namespace

TEST_F(Transmitter, EveryRecordOfTheDescriptionIsAnsweredInItsLayout)
{
    ASSERT_TRUE(device.descriptionError().isEmpty()) << device.descriptionError().toStdString();
    const applet::Description& d = device.parameters().description();
    ASSERT_GT(d.records.size(), 80);
    // The flow computer, whose totaliser answers its action record as well.
    device.device().expandedDeviceType = 0x638B;
    for (const applet::DescRecord& record : d.records) {
        SCOPED_TRACE(record.name.toStdString());
        if (record.name == QLatin1String("Write_FactoryReset"))
            continue;   // the device is busy for a while after it (see below)
        if (record.name.contains(QLatin1String("CalPointHi")))
            continue;   // a second calibration point needs another applied value (SensorCalibrationTests)
        if (record.command < 128) {
            // The standard commands are the device's own; the description
            // reads no more than they answer.
            if (record.kind != applet::RecordKind::Read)
                continue;
            const HartFrame answer = ask(static_cast<uint8_t>(record.command));
            EXPECT_EQ(answer.responseCode, 0);
            EXPECT_GE(answer.data.size(), record.responseLength);
            continue;
        }
        const sim::DescribedCommand* command = device.parameters().command(record.command);
        if (!command) {
            // Answered by handlers of their own: the layouts must still agree.
            QByteArray request(record.requestLength, '\0');
            if (record.command == 133)
                request = QByteArray::fromHex("07" "42c80000" "00000000");
            const HartFrame answer = ask(static_cast<uint8_t>(record.command), request);
            EXPECT_EQ(answer.responseCode, 0);
            EXPECT_EQ(answer.data.size(), record.responseLength);
            continue;
        }
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->number, record.command);
        EXPECT_EQ(command->requestLength, record.requestLength) << "records of one command differ";
        EXPECT_EQ(command->responseLength, record.responseLength) << "records of one command differ";
        QByteArray request(record.requestLength, '\0');
        for (const applet::FieldLayout& f : record.request)
            if (f.item.isEmpty())
                applet::ValueEncoding::EncodeFixed(f, request);
        if (command->writes)
            request = requestOf(device, *command);
        const HartFrame answer = ask(static_cast<uint8_t>(record.command), request);
        EXPECT_EQ(answer.responseCode, 0);
        EXPECT_EQ(answer.data.size(), record.responseLength);
        EXPECT_LE(answer.data.size() + 2, comm::kMaxHartDataBytes);
    }
}

TEST_F(Transmitter, RefusedWritesAnswerTheirCodeAndChangeNothing)
{
    const sim::DescribedCommand* command = writerOf(device, QStringLiteral("mvBeta"));
    ASSERT_NE(command, nullptr);
    const QByteArray before = device.parameters().save();
    struct Case {
        const char* item;
        QVariant value;
        uint8_t code;
    } cases[] = {
        {"mvBeta", 0.95f, RC::ParameterTooLarge},
        {"mvBeta", 0.05f, RC::ParameterTooSmall},
        {"mvKapa", std::numeric_limits<float>::quiet_NaN(), RC::InvalidSelection},
        {"mvMediumType", 9u, RC::InvalidSelection},
        {"mvOutMassFlowUnit", 7u, RC::InvalidSelection},   // bar is no flow unit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const sim::DescribedCommand* writer = writerOf(device, QLatin1String(c.item));
        ASSERT_NE(writer, nullptr);
        const HartFrame answer = ask(static_cast<uint8_t>(writer->number),
                                     requestOf(device, *writer, QLatin1String(c.item), c.value));
        EXPECT_EQ(answer.responseCode, c.code);
        EXPECT_TRUE(answer.data.isEmpty());
    }
    // Too few bytes, write protection, an unknown command.
    EXPECT_EQ(ask(static_cast<uint8_t>(command->number), requestOf(device, *command).left(10)).responseCode,
              RC::TooFewDataBytes);
    device.device().writeProtected = true;
    EXPECT_EQ(ask(static_cast<uint8_t>(command->number), requestOf(device, *command, "mvBeta", 0.6f)).responseCode,
              RC::WriteProtected);
    device.device().writeProtected = false;
    EXPECT_EQ(ask(220).responseCode, RC::CommandNotImplemented);
    EXPECT_EQ(device.parameters().save(), before);

    // A good value is taken and read back.
    EXPECT_EQ(ask(static_cast<uint8_t>(command->number), requestOf(device, *command, "mvBeta", 0.6f)).responseCode,
              RC::Success);
    EXPECT_FLOAT_EQ(device.parameters().value("mvBeta").toFloat(), 0.6f);
}

TEST_F(Transmitter, AppliedStaticPressureOutsideTheLimitsIsRefused)
{
    const sim::DescribedCommand* upper = device.parameters().command(130);
    ASSERT_NE(upper, nullptr);
    device.process().setOverride(sim::Variable::StaticPressure, 20000.0);   // above 16000 kPa
    EXPECT_EQ(ask(130).responseCode, 9);
    device.process().setOverride(sim::Variable::StaticPressure, -200.0);
    EXPECT_EQ(ask(131).responseCode, 10);
    EXPECT_DOUBLE_EQ(device.device().spUpperRange, 10000.0);
    device.process().setOverride(sim::Variable::StaticPressure, 5000.0);
    EXPECT_EQ(ask(130).responseCode, 0);
    EXPECT_DOUBLE_EQ(device.device().spUpperRange, 5000.0);
}

TEST_F(Transmitter, AWriteDuringTheDataSaveOfABusyCapableDeviceIsAnsweredBusy)
{
    QString error;
    sim::VariantOptions options;
    options.revision = 19;
    ASSERT_TRUE(sim::applyVariant(device, options, error));
    const sim::DescribedCommand* command = writerOf(device, QStringLiteral("mvBeta"));
    const uint8_t number = static_cast<uint8_t>(command->number);
    EXPECT_EQ(ask(number, requestOf(device, *command, "mvBeta", 0.6f)).responseCode, RC::Success);
    EXPECT_EQ(ask(number, requestOf(device, *command, "mvBeta", 0.7f)).responseCode, RC::Busy);
    EXPECT_EQ(ask(34, floats({1.0f})).responseCode, RC::Busy) << "the standard writes too";
    EXPECT_FLOAT_EQ(device.parameters().value("mvBeta").toFloat(), 0.6f);
    const HartFrame status = ask(48);
    EXPECT_EQ(static_cast<uint8_t>(status.data[1]) & 0x02, 0x02) << "data save shown";

    device.freezeProcessTime(sim::SimTransmitter::kDataSaveMs);
    EXPECT_EQ(static_cast<uint8_t>(ask(48).data[1]) & 0x02, 0);
    // With the burn delay on, writes are kept back and the device stays free.
    const sim::DescribedCommand* burn = device.parameters().command(
        device.parameters().description().FindRecord("Write_EnableBurnDelay")->command);
    EXPECT_EQ(ask(static_cast<uint8_t>(burn->number), QByteArray(1, '\2')).responseCode, RC::InvalidSelection);
    EXPECT_EQ(ask(static_cast<uint8_t>(burn->number), QByteArray(1, '\1')).responseCode, RC::Success);
    EXPECT_EQ(ask(number, requestOf(device, *command, "mvBeta", 0.7f)).responseCode, RC::Success);
    EXPECT_EQ(ask(number, requestOf(device, *command, "mvBeta", 0.8f)).responseCode, RC::Success);
    // Switching it off saves what was kept.
    EXPECT_EQ(ask(static_cast<uint8_t>(burn->number), QByteArray(1, '\0')).responseCode, RC::Success);
    EXPECT_EQ(ask(number, requestOf(device, *command, "mvBeta", 0.5f)).responseCode, RC::Busy);
}

TEST_F(Transmitter, SwitchingTheBurnDelayOffSavesAtOnceAndTheSaveEnds)
{
    // Nothing changed and nothing kept back: the user's "save now" still saves,
    // so a watch of command 48 sees the save begin and end.
    const uint8_t burn = static_cast<uint8_t>(
        device.parameters().description().FindRecord("Write_DisableBurnDelay")->command);
    auto saving = [&] {
        const HartFrame status = ask(48);
        EXPECT_EQ(status.responseCode, RC::Success);
        return (static_cast<uint8_t>(status.data[sim::DeviceSpecificStatus::DataSaveByte])
                & sim::DeviceSpecificStatus::DataSaveRunning) != 0;
    };
    int64_t now = 0;
    for (const int revision : {21, 19}) {
        SCOPED_TRACE(revision);
        QString error;
        sim::VariantOptions options;
        options.revision = revision;
        ASSERT_TRUE(sim::applyVariant(device, options, error));
        ASSERT_EQ(ask(burn, QByteArray(1, '\1')).responseCode, RC::Success);
        EXPECT_FALSE(saving());
        ASSERT_EQ(ask(burn, QByteArray(1, '\0')).responseCode, RC::Success);
        EXPECT_TRUE(saving()) << "command 48 answers during the save, also on a device that can be busy";
        device.freezeProcessTime(now + sim::SimTransmitter::kDataSaveMs - 1);
        EXPECT_TRUE(saving());
        now += sim::SimTransmitter::kDataSaveMs;
        device.freezeProcessTime(now);
        EXPECT_FALSE(saving());
        EXPECT_EQ(ask(0).responseCode, RC::Success);
    }
}

TEST_F(Transmitter, FactoryResetIsBusyAndComesBackWithTheDefaults)
{
    const sim::DescribedCommand* command = writerOf(device, QStringLiteral("mvBeta"));
    EXPECT_EQ(ask(static_cast<uint8_t>(command->number), requestOf(device, *command, "mvBeta", 0.6f)).responseCode,
              RC::Success);
    device.device().descriptor = QStringLiteral("CHANGED");
    const applet::DescRecord* reset = device.parameters().description().FindRecord("Write_FactoryReset");
    ASSERT_NE(reset, nullptr);
    EXPECT_EQ(ask(static_cast<uint8_t>(reset->command), QByteArray(1, '\1')).responseCode, RC::InvalidSelection);
    EXPECT_EQ(ask(static_cast<uint8_t>(reset->command), QByteArray(1, char(90))).responseCode, RC::Success);
    EXPECT_EQ(ask(48).responseCode, RC::Busy);
    EXPECT_EQ(ask(0).responseCode, RC::Busy);
    device.freezeProcessTime(sim::SimTransmitter::kFactoryResetMs);
    EXPECT_EQ(ask(0).responseCode, RC::Success);
    EXPECT_FLOAT_EQ(device.parameters().value("mvBeta").toFloat(), 0.5f);
    EXPECT_EQ(device.device().descriptor, "DP FLOW");
}

TEST_F(Transmitter, VariantOptionsChangeTheIdentityAndTheVariantItems)
{
    QString error;
    sim::VariantOptions options;
    uint32_t type = 0;
    ASSERT_TRUE(sim::parseNumber("0x8B", 0xFFFF, type));
    options.deviceType = type;
    options.revision = 22;
    ASSERT_TRUE(sim::parseModule("absolute", options, error));
    ASSERT_TRUE(sim::parseMultivariable("off", options, error));
    ASSERT_TRUE(sim::applyVariant(device, options, error));

    const HartFrame identity = ask(0);
    EXPECT_EQ(static_cast<uint8_t>(identity.data[2]), 139);
    EXPECT_EQ(static_cast<uint8_t>(identity.data[6]), 22);
    const HartFrame configuration = ask(128);
    EXPECT_EQ(static_cast<uint8_t>(configuration.data[0]), sim::ModuleType::Absolute);
    EXPECT_EQ(static_cast<uint8_t>(configuration.data[1]), 0) << "multivariable function off";
    EXPECT_EQ(static_cast<uint8_t>(configuration.data[2]), 128) << "block out of service";
    EXPECT_TRUE(device.device().softwareSpecifics.contains("4607238"));

    options = {};
    options.revision = 20;
    ASSERT_TRUE(sim::parseMultivariable("on", options, error));
    ASSERT_TRUE(sim::applyVariant(device, options, error));
    EXPECT_EQ(static_cast<uint8_t>(ask(0).data[6]), 20);
    EXPECT_EQ(static_cast<uint8_t>(ask(128).data[2]), 8);
    EXPECT_TRUE(device.device().softwareSpecifics.contains("4607215"));

    // Bad option texts are refused and change nothing.
    EXPECT_FALSE(sim::parseMultivariable("maybe", options, error));
    EXPECT_TRUE(error.contains("maybe"));
    EXPECT_FALSE(sim::parseModule("gauge", options, error));
    uint32_t number = 7;
    EXPECT_FALSE(sim::parseNumber("0x1G", 0xFFFF, number));
    EXPECT_FALSE(sim::parseNumber("70000", 0xFFFF, number));
    EXPECT_EQ(number, 7u);
}

TEST_F(Transmitter, MemorySurvivesARestartAndATornWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("memory.json");
    QString error;
    sim::VariantOptions options;
    options.memory = path;
    ASSERT_TRUE(sim::applyVariant(device, options, error)) << error.toStdString();
    const sim::DescribedCommand* command = writerOf(device, QStringLiteral("mvBeta"));
    ASSERT_EQ(ask(static_cast<uint8_t>(command->number), requestOf(device, *command, "mvBeta", 0.7f)).responseCode,
              RC::Success);
    ASSERT_EQ(ask(34, floats({2.5f})).responseCode, RC::Success);   // a standard write is kept as well
    // Tag, descriptor and date of 1 February 2023 (years since 1900).
    const QByteArray tagAndDescriptor = ask(13).data.left(18);
    ASSERT_EQ(ask(18, tagAndDescriptor + QByteArray::fromHex("01027B")).responseCode, RC::Success);
    ASSERT_TRUE(QFile::exists(path));

    // A restarted device reads what was written.
    {
        sim::SimTransmitter restarted;
        ASSERT_TRUE(sim::applyVariant(restarted, options, error)) << error.toStdString();
        EXPECT_FLOAT_EQ(restarted.parameters().value("mvBeta").toFloat(), 0.7f);
        EXPECT_FLOAT_EQ(restarted.device().pv().damping, 2.5f);
        EXPECT_EQ(restarted.device().date.toQDate(), QDate(2023, 2, 1));
    }
    // A memory written before the date was kept reads as it did: the device
    // keeps the date it left the factory with.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QJsonObject memory = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
        QJsonObject kept = memory.value("device").toObject();
        for (const char* key : {"dateDay", "dateMonth", "dateYear"})
            ASSERT_TRUE(kept.take(QLatin1String(key)).isDouble()) << key;
        memory.insert("device", kept);
        const QString older = dir.filePath("older.json");
        QFile olderFile(older);
        ASSERT_TRUE(olderFile.open(QIODevice::WriteOnly));
        olderFile.write(QJsonDocument(memory).toJson());
        olderFile.close();
        sim::SimTransmitter restarted;
        ASSERT_TRUE(restarted.setMemoryFile(older, error)) << error.toStdString();
        EXPECT_FLOAT_EQ(restarted.device().pv().damping, 2.5f);
        EXPECT_EQ(restarted.device().date, sim::DeviceState().date);
    }
    // A write torn off before its end leaves a partial file beside the memory;
    // the memory itself is replaced only once a write is complete.
    {
        QFile partial(path + ".partial");
        ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
        partial.write(device.parameters().save().left(40));
        sim::SimTransmitter restarted;
        ASSERT_TRUE(sim::applyVariant(restarted, options, error)) << error.toStdString();
        EXPECT_FLOAT_EQ(restarted.parameters().value("mvBeta").toFloat(), 0.7f);
    }
    // A memory file cut short (written by something else) is refused with the
    // reason, and the device keeps its values.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(whole.left(whole.size() / 2));
        file.close();
        sim::SimTransmitter restarted;
        EXPECT_FALSE(sim::applyVariant(restarted, options, error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_FLOAT_EQ(restarted.parameters().value("mvBeta").toFloat(), 0.5f);
    }
    // A memory whose values do not fit is refused as a whole.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(device.parameters().save(QJsonObject{{"pvDamping", -3.0}}));
        file.close();
        sim::SimTransmitter restarted;
        EXPECT_FALSE(sim::applyVariant(restarted, options, error));
        EXPECT_TRUE(error.contains("pvDamping")) << error.toStdString();
        EXPECT_FLOAT_EQ(restarted.parameters().value("mvBeta").toFloat(), 0.5f) << "nothing taken";
    }
    // A file larger than any memory the device writes is refused unread, even
    // one that would be a good memory but for the blanks it ends with.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray padded = device.parameters().save();
        ASSERT_LT(padded.size(), sim::SimTransmitter::kMaxMemoryBytes / 8);
        padded.append(QByteArray(sim::SimTransmitter::kMaxMemoryBytes + 1 - padded.size(), ' '));
        file.write(padded);
        file.close();
        sim::SimTransmitter restarted;
        EXPECT_FALSE(sim::applyVariant(restarted, options, error));
        EXPECT_TRUE(error.contains(path) && error.contains(QStringLiteral("larger than %1 bytes").arg(sim::SimTransmitter::kMaxMemoryBytes)))
            << error.toStdString();
        EXPECT_FLOAT_EQ(restarted.parameters().value("mvBeta").toFloat(), 0.5f) << "nothing taken";
    }
}

TEST_F(Transmitter, TheConfigurationSummaryJoinsTheStandardReads)
{
    QByteArray joined;
    for (uint8_t part : {7, 12, 13, 15, 16, 128, 129, 132, 134})
        joined += ask(part).data;
    const HartFrame summary = ask(200);
    EXPECT_EQ(summary.responseCode, 0);
    EXPECT_EQ(summary.data.toHex(), joined.toHex());
    const applet::DescRecord* record = device.parameters().description().FindRecord("Read_200");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->responseLength, summary.data.size());
}
