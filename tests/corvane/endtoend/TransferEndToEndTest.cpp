// Uploads and downloads through the whole road against the simulated
// transmitter of each variant: the chain runs the variant's sequences, the
// dataset takes the device's values and is stored, the end of the upload is
// fanned out once, and a download writes the project's values to the device.
#include "tests/corvane/TransferSupport.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/Description.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "sim/MeasuredParameters.h"
#include "sim/SimTransmitter.h"
#include <cmath>
#include <functional>

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

const Variant kVariants[] = {
    {"rev20_mv_off_linear_137", 137, 20, false, false, {"upload", "upload_Revision20"}},
    {"rev21_mv_on_linear_137",
     137,
     21,
     true,
     false,
     {"upload", "upload_Revision21", "uploadMv_Revision21", "uploadTtrb", "uploadMv"}},
    {"rev22_mv_off_curve_137", 137, 22, false, true, {"upload", "upload_Revision21", "UploadUserCurve"}},
    {"rev20_mv_on_linear_139",
     139,
     20,
     true,
     false,
     {"upload", "upload_Revision20", "uploadMv_Revision20", "uploadTtrb", "uploadMv", "uploadPid"}},
    {"rev22_mv_on_curve_139",
     139,
     22,
     true,
     true,
     {"upload", "upload_Revision21", "uploadMv_Revision21", "uploadTtrb", "uploadMv", "uploadPid", "UploadUserCurve"}},
};

// Same value: numbers within a float's precision, texts exactly.
bool SameValue(const QVariant& device, const QVariant& dataset)
{
    bool deviceIsNumber = false;
    bool datasetIsNumber = false;
    const double a = device.toDouble(&deviceIsNumber);
    const double b = dataset.toDouble(&datasetIsNumber);
    if (deviceIsNumber && datasetIsNumber)
        return std::abs(a - b) <= 1e-5 * std::max(1.0, std::abs(a));
    if (device.typeId() == QMetaType::QByteArray || dataset.typeId() == QMetaType::QByteArray)
        return device.toByteArray() == dataset.toByteArray();
    return device.toString().trimmed() == dataset.toString().trimmed();
}

class TransferEachVariant : public TransferRoad, public ::testing::WithParamInterface<Variant> {
protected:
    // The value the dataset holds after the upload: the device's own, which
    // the rules leave as it is. A measured value is what the process gives
    // (its time frozen).
    QVariant ExpectedAfterUpload(const QString& item)
    {
        return device.transmitter().liveValue(item, device.transmitter().processValues())
            .value_or(device.transmitter().parameters().value(item));
    }
};

TEST_P(TransferEachVariant, UploadRunsTheVariantsChainTakesEveryDeviceValueAndDownloadWritesTheProject)
{
    const Variant& variant = GetParam();
    Start(variant);
    if (HasFatalFailure())
        return;
    const QByteArray stored = StoredInstance();

    ASSERT_TRUE(Upload(QStringLiteral("U1"))) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(Unlocked());
    QStringList expected = variant.uploadChain;
    expected << QStringLiteral("UploadCompleted");
    EXPECT_EQ(Ran().filter(QRegularExpression(QStringLiteral("^(upload|Upload)"))), expected)
        << Ran().join(' ').toStdString();
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("1"));
    EXPECT_NE(StoredInstance(), stored) << "the uploaded dataset was not stored";

    // Every parameter the chain read holds the simulator's value: the device's
    // own state is one its rules leave as it is.
    const auto description = manager->GetDescription();
    int compared = 0;
    for (const QString& sequence : variant.uploadChain)
        for (const QString& recordName : description->FindSequence(sequence)->records)
            for (const applet::FieldLayout& field : description->FindRecord(recordName)->response) {
                if (field.item.isEmpty() || !device.transmitter().parameters().value(field.item).isValid())
                    continue;
                const QVariant deviceValue = ExpectedAfterUpload(field.item);
                const applet::AppletItem* item = manager->Item(manager->HandleOf(field.item));
                if (!item)
                    continue;
                ++compared;
                EXPECT_TRUE(SameValue(deviceValue, item->Value()))
                    << field.item.toStdString() << ": device " << deviceValue.toString().toStdString()
                    << ", dataset " << item->Value().toString().toStdString();
            }
    EXPECT_GT(compared, 20);
    EXPECT_EQ(Text(QStringLiteral("_tagHart")), QStringLiteral("FT-E2E"));
    EXPECT_EQ(Text(QStringLiteral("pbMessage")).trimmed(), QStringLiteral("ROAD TEST DEVICE"));

    // The project's values go to the device.
    Put(QStringLiteral("pbMessage"), QStringLiteral("WRITTEN BY THE PROJECT"));
    Put(QStringLiteral("highAlarmCurr"), QStringLiteral("22.5"));
    log->changes.clear();
    ASSERT_TRUE(Download(QStringLiteral("D1")));
    ASSERT_TRUE(Unlocked());
    EXPECT_EQ(device.device().message, QStringLiteral("WRITTEN BY THE PROJECT"));
    EXPECT_FLOAT_EQ(device.transmitter().parameters().value(QStringLiteral("highAlarmCurr")).toFloat(), 22.5f);
    EXPECT_FALSE(Ran().contains(QStringLiteral("UploadCompleted")));
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("1"));

    // A second upload starts the chain from its beginning again.
    log->changes.clear();
    ASSERT_TRUE(Upload(QStringLiteral("U2")));
    EXPECT_EQ(Ran().filter(QRegularExpression(QStringLiteral("^(upload|Upload)"))), expected);
}

INSTANTIATE_TEST_SUITE_P(Variants, TransferEachVariant, ::testing::ValuesIn(kVariants),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Fresh simulators as they leave the factory: every device type, every
// revision group, the flow function on and off.
const Variant kFactoryVariants[] = {
    {"rev20_mv_on_137", 137, 20, true, false, {}},   {"rev22_mv_on_137", 137, 22, true, false, {}},
    {"rev20_mv_off_138", 138, 20, false, false, {}}, {"rev21_mv_off_138", 138, 21, false, false, {}},
    {"rev21_mv_on_139", 139, 21, true, false, {}},   {"rev22_mv_on_139", 139, 22, true, false, {}},
    {"rev21_mv_off_137", 137, 21, false, false, {}}, {"rev22_mv_off_138", 138, 22, false, false, {}},
    {"rev22_mv_on_138", 138, 22, true, false, {}},   {"rev20_mv_off_139", 139, 20, false, false, {}},
    {"rev18_mv_on_137", 137, 18, true, false, {}},   {"rev19_mv_on_137", 137, 19, true, false, {}},
    {"rev18_mv_off_137", 137, 18, false, false, {}}, {"rev19_mv_off_137", 137, 19, false, false, {}},
};

using Values = QMap<QString, QString>;

// An older device stays busy while it saves its data, and the save runs in
// process time: the process runs on, its inputs held where they stood.
void LetTheProcessRunHeld(sim::SimTransmitter& transmitter)
{
    const sim::MeasuredValues now = transmitter.appliedValues();
    for (int measured = 0; measured < sim::Measured::Count; ++measured)
        transmitter.setAppliedValue(measured, now[measured]);
    transmitter.freezeProcessTime(std::nullopt);
}


// The names whose values differ, with both values.
QString Differences(const Values& before, const Values& after)
{
    QStringList differ;
    for (auto it = before.begin(); it != before.end(); ++it)
        if (after.value(it.key()) != it.value())
            differ << QStringLiteral("%1: %2 -> %3").arg(it.key(), it.value(), after.value(it.key()));
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!before.contains(it.key()))
            differ << QStringLiteral("%1: new %2").arg(it.key(), it.value());
    return differ.join(QLatin1Char('\n'));
}

class RoundTrip : public TransferRoad {
protected:
    // Every item the last upload chain read, as the dataset holds it.
    Values Uploaded() const
    {
        Values values;
        const auto description = manager->GetDescription();
        for (const QString& sequence : Ran()) {
            const applet::DescSequence* read = description->FindSequence(sequence);
            if (!read || !sequence.startsWith(QLatin1String("upload"), Qt::CaseInsensitive))
                continue;
            for (const QString& record : read->records)
                for (const applet::FieldLayout& field : description->FindRecord(record)->response)
                    if (const applet::AppletItem* item = manager->Item(manager->HandleOf(field.item)))
                        values.insert(field.item, item->Value().toString());
        }
        return values;
    }
    // What the device holds: its parameters, and the ranges, units and modes
    // of its standard commands.
    Values Held()
    {
        Values values;
        const sim::DeviceParameters& parameters = device.transmitter().parameters();
        for (const QString& name : parameters.names())
            values.insert(name, parameters.value(name).toString());
        // Not configuration: while connected, an older device's burn delay is
        // switched on again every few seconds and off when the DTM lets go.
        values.remove(QStringLiteral("burnDelay"));
        const sim::DeviceState& d = device.device();
        values.insert(QStringLiteral("range"), QStringLiteral("%1 to %2, unit %3, transfer function %4")
                                                   .arg(d.pvLowerRange).arg(d.pvUpperRange).arg(d.pv().units)
                                                   .arg(d.transferFunction));
        values.insert(QStringLiteral("static pressure range"), QStringLiteral("%1 to %2, unit %3")
                                                                   .arg(d.spLowerRange).arg(d.spUpperRange)
                                                                   .arg(d.staticPressure().units));
        values.insert(QStringLiteral("flow block mode"), QString::number(d.multivariableBlockMode));
        values.insert(QStringLiteral("write lock"), QString::number(d.writeLock));
        return values;
    }
    // The device restarted with the flow function switched: it keeps its
    // memory, its flow block and its transfer function.
    void SwitchFlowFunction(bool on)
    {
        sim::DeviceState& d = device.device();
        const uint8_t transferFunction = d.transferFunction;
        d.setFlowFunction(on);
        d.transferFunction = transferFunction;
    }
};

class RoundTripEachVariant : public RoundTrip, public ::testing::WithParamInterface<Variant> {};

TEST_P(RoundTripEachVariant, UploadDownloadUploadLeavesDeviceAndDatasetAsTheyWereTwiceInARow)
{
    Start(GetParam());
    if (HasFatalFailure())
        return;
    if (GetParam().revision < 20)
        LetTheProcessRunHeld(device.transmitter());
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    // The device as it answered the upload (its measured values shown, the process frozen).
    const Values factory = Held();
    const Values first = Uploaded();
    ASSERT_GT(first.size(), 50);
    for (int trip = 1; trip <= 2; ++trip) {
        ASSERT_TRUE(Download(QStringLiteral("D%1").arg(trip)));
        ASSERT_TRUE(Unlocked());
        const QString held = Differences(factory, Held());
        EXPECT_TRUE(held.isEmpty()) << "device after download " << trip << ":\n" << held.toStdString();
        log->changes.clear();
        ASSERT_TRUE(Upload(QStringLiteral("U%1").arg(trip + 1)));
        ASSERT_TRUE(Unlocked());
        const QString dataset = Differences(first, Uploaded());
        EXPECT_TRUE(dataset.isEmpty()) << "dataset after upload " << trip + 1 << ":\n" << dataset.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, RoundTripEachVariant, ::testing::ValuesIn(kFactoryVariants),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

using OlderFlowTransmitterInBar = TransferRoad;

// A device of revision 19 whose static pressure was set up in bar: its flow
// block in automatic mode takes mbar only, so the upload brings the static
// pressure over in mbar, converted, and the download leaves the range where
// it was.
TEST_F(OlderFlowTransmitterInBar, TheUploadConvertsItsStaticPressureToMbarAndTheDownloadKeepsTheRange)
{
    Start({"rev20_mv_on_137", 137, 20, true, false, {}});
    if (HasFatalFailure())
        return;
    sim::DeviceState& d = device.device();
    d.softwareRevision = 19;
    d.extendedSoftwareRevision[0] = 19;
    ASSERT_EQ(d.staticPressure().units, 7);
    LetTheProcessRunHeld(device.transmitter());

    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    EXPECT_EQ(Text(QStringLiteral("ptrbStaticPressureScaleInUnit")), QStringLiteral("8"));
    EXPECT_DOUBLE_EQ(Text(QStringLiteral("ptrbStaticPressureScaleIn0")).toDouble(), 0);
    EXPECT_DOUBLE_EQ(Text(QStringLiteral("ptrbStaticPressureScaleIn100")).toDouble(), 100000);
    for (const char* copy : {"mvInPUnit", "aiPOutScaleUnit"})
        EXPECT_EQ(Text(QLatin1String(copy)), QStringLiteral("8")) << copy;
    EXPECT_DOUBLE_EQ(Text(QStringLiteral("aiPOutScale100")).toDouble(), 100000);
    EXPECT_DOUBLE_EQ(Text(QStringLiteral("mvInPHiLim")).toDouble(), 160000);
    EXPECT_FLOAT_EQ(Text(QStringLiteral("mvPr")).toFloat(), 1.01325f) << "kept in bar below revision 21";

    ASSERT_TRUE(Download(QStringLiteral("D1")));
    ASSERT_TRUE(Unlocked());
    EXPECT_DOUBLE_EQ(d.spLowerRange, 0);
    EXPECT_NEAR(d.spUpperRange, 10000, 1e-3) << "kPa";
    EXPECT_FLOAT_EQ(device.transmitter().parameters().value(QStringLiteral("mvPr")).toFloat(), 1.01325f);
    EXPECT_NEAR(device.transmitter().parameters().value(QStringLiteral("aiPOutScale100")).toDouble(), 100000, 1e-2);
}

// A project read while the flow function was off holds no flow block: its
// download writes none, so the block set up before stays as it was, and a
// trip once the function is on again reads it and writes it back unchanged.
TEST_F(RoundTrip, TheFlowFunctionSwitchedBetweenTripsLeavesTheFlowBlockAsItWas)
{
    Start({"rev22_mv_on_137", 137, 22, true, false, {}});
    if (HasFatalFailure())
        return;
    // The user's own set-up, not the description's defaults.
    sim::DeviceParameters& parameters = device.transmitter().parameters();
    parameters.set(QStringLiteral("mvRhoNorm"), 1.3f);
    parameters.set(QStringLiteral("mvInTDefault"), 35.0f);
    parameters.set(QStringLiteral("ttrbTagDesc"), QStringLiteral("TT-USER"));

    SwitchFlowFunction(false);
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    const Values off = Held();
    ASSERT_TRUE(Download(QStringLiteral("D1")));
    ASSERT_TRUE(Unlocked());
    const QString held = Differences(off, Held());
    EXPECT_TRUE(held.isEmpty()) << "device after the download with the function off:\n" << held.toStdString();

    SwitchFlowFunction(true);
    log->changes.clear();
    ASSERT_TRUE(Upload(QStringLiteral("U2")));
    ASSERT_TRUE(Unlocked());
    const Values on = Held();
    EXPECT_EQ(on.value(QStringLiteral("mvRhoNorm")).toFloat(), 1.3f);
    EXPECT_EQ(on.value(QStringLiteral("mvInTDefault")).toFloat(), 35.0f);
    EXPECT_EQ(on.value(QStringLiteral("ttrbTagDesc")).trimmed(), QStringLiteral("TT-USER"));
    EXPECT_EQ(Text(QStringLiteral("mvRhoNorm")).toFloat(), 1.3f);
    ASSERT_TRUE(Download(QStringLiteral("D2")));
    ASSERT_TRUE(Unlocked());
    const QString again = Differences(on, Held());
    EXPECT_TRUE(again.isEmpty()) << "device after the download with the function on again:\n" << again.toStdString();
}

// Every calibration unit the pressure block offers, chosen and downloaded:
// the flow block's static-pressure limits and compressibility points stay
// where the device holds them after the round trip that sets the unit, which
// writes back what the round trip before read (the minimum span the flow
// block's clamp draws on is in the unit of the sensor limits, whatever the
// calibration unit).
TEST_F(RoundTrip, EveryCalibrationUnitLeavesTheFlowBlocksStaticPressuresAsTheyWere)
{
    Start({"rev22_mv_on_137", 137, 22, true, false, {}});
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(Upload(QStringLiteral("U0")));
    ASSERT_TRUE(Unlocked());
    const QStringList pressures = {QStringLiteral("mvInPLoLim"), QStringLiteral("mvInPHiLim"), QStringLiteral("mvPkb1"),
                                   QStringLiteral("mvPkb2"), QStringLiteral("mvPkb3")};
    const auto flowBlock = [&](const Values& values) {
        Values held;
        for (const QString& name : pressures)
            held.insert(name, values.value(name));
        return held;
    };
    const Values before = flowBlock(Held());
    const Values beforeShown = flowBlock(Uploaded());
    const auto description = manager->GetDescription();
    const applet::DescEnumeration* units =
        description->FindEnumeration(description->FindObject(QStringLiteral("ptrbCalUnit"))->enumeration);
    ASSERT_TRUE(units);
    int trip = 0;
    for (const auto& unit : units->entries) {
        SCOPED_TRACE(unit.value);
        Put(QStringLiteral("ptrbCalUnit"), QString::number(unit.value));
        // The next unit's round trip is the unchanged one after this unit's.
        ++trip;
        ASSERT_TRUE(Download(QStringLiteral("D%1").arg(trip)));
        ASSERT_TRUE(Unlocked());
        ASSERT_TRUE(Upload(QStringLiteral("U%1").arg(trip)));
        ASSERT_TRUE(Unlocked());
        EXPECT_EQ(Text(QStringLiteral("ptrbCalUnit")).toInt(), unit.value);
        const QString held = Differences(before, flowBlock(Held()));
        EXPECT_TRUE(held.isEmpty()) << "device after the round trip:\n" << held.toStdString();
        const QString shown = Differences(beforeShown, flowBlock(Uploaded()));
        EXPECT_TRUE(shown.isEmpty()) << "project after the round trip:\n" << shown.toStdString();
    }
}

// The damping, the message and the date are one device value each that two
// items carry: edited as either, the other follows, and download after
// download leaves the device with the last edit.
TEST_F(RoundTrip, AValueTwoItemsCarryIsWhatTheDeviceTakesWhicheverOfThemWasEdited)
{
    Start({"rev22_mv_off_137", 137, 22, false, false, {}});
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    const sim::DeviceState& d = device.device();
    const struct {
        const char* item;
        const char* value;
        const char* twin;
        const char* twinValue;
        std::function<QString()> held;
    } edits[] = {
        {"ptrbDamping", "2.5", "aiDPPvFtime", "2.5",
         [&] { return QString::number(d.variables[sim::Variable::DifferentialPressure].damping); }},
        {"aiDPPvFtime", "1.5", "ptrbDamping", "1.5",
         [&] { return QString::number(d.variables[sim::Variable::DifferentialPressure].damping); }},
        {"pbMessage", "FIRST EDIT", "pbDeviceMessage", "FIRST EDIT", [&] { return d.message; }},
        {"pbDeviceMessage", "second edit", "pbMessage", "SECOND EDIT", [&] { return d.message; }},
        {"pbDate", "2026-01-02", "pbDeviceInstalDate", "2026-01-02",
         [&] { return d.date.toQDate().toString(Qt::ISODate); }},
        {"pbDeviceInstalDate", "2026-03-04", "pbDate", "2026-03-04",
         [&] { return d.date.toQDate().toString(Qt::ISODate); }},
    };
    int trip = 0;
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.item);
        Put(QLatin1String(edit.item), QLatin1String(edit.value));
        EXPECT_EQ(Text(QLatin1String(edit.twin)).trimmed(), QLatin1String(edit.twinValue));
        ASSERT_TRUE(Download(QStringLiteral("D%1").arg(++trip)));
        ASSERT_TRUE(Unlocked());
        EXPECT_EQ(edit.held(), QLatin1String(edit.value));
    }
}

// A locked device refuses every write but its unlock: a download unlocks it
// first and writes the project's lock last, so the project's lock and every
// other value arrive whether the download locks, unlocks or keeps the lock.
TEST_F(RoundTrip, ADownloadTakesTheWriteLockOffFirstAndSetsTheProjectsLockLast)
{
    Start({"rev22_mv_off_137", 137, 22, false, false, {}});
    if (HasFatalFailure())
        return;
    device.transmitter().parameters().set(QStringLiteral("pbWriteLock"), 1);
    device.device().writeLock = true;
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    ASSERT_EQ(Text(QStringLiteral("pbWriteLock")), QStringLiteral("1"));

    // The lock to write and an alarm current written with it.
    const std::pair<const char*, float> trips[] = {{"0", 22.5f}, {"1", 22.0f}, {"1", 21.5f}};
    int trip = 0;
    for (const auto& [lock, current] : trips) {
        SCOPED_TRACE(trip + 1);
        Put(QStringLiteral("pbWriteLock"), QLatin1String(lock));
        Put(QStringLiteral("highAlarmCurr"), QString::number(current));
        ASSERT_TRUE(Download(QStringLiteral("D%1").arg(++trip)))
            << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Unlocked());
        EXPECT_FLOAT_EQ(device.transmitter().parameters().value(QStringLiteral("highAlarmCurr")).toFloat(), current);
        EXPECT_EQ(device.device().writeLock, QLatin1String(lock) == QLatin1String("1"));
    }
}

} // namespace

namespace {

// The download chain the save-to-device view starts with "downloadAi".
class DownloadChain : public TransferRoad {
protected:
    // The project holds the device's dataset (its variant decides the chain); then "downloadAi" runs.
    // The project holds the device's dataset; then the sequence named runs
    // as its first step, started as a download or forced as a page's write.
    void RunFirst(const QString& first, bool force)
    {
        ASSERT_TRUE(Upload(QStringLiteral("U1")));
        ASSERT_TRUE(Unlocked());
        ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
        ASSERT_TRUE(WaitUntil([&] {
            return Status() == DtmStatus::Online && Ran().contains(QStringLiteral("GetDeviceInfo"))
                   && Text(QStringLiteral("currentSequence")).isEmpty();
        }));
        log->changes.clear();
        commands.clear();
        clsSequenceItem sequence;
        sequence.Register(manager, first, false, 0, REGISTER_STATE);
        ASSERT_TRUE(WaitUntil([&] {
            try {
                if (force)
                    sequence.Force();
                else
                    sequence.Start();
                return true;
            } catch (const automation::ComError&) {
                return false; // busy a moment longer
            }
        }));
        sequence.UnRegister();
        ASSERT_TRUE(WaitUntil([&] { return Ran().contains(first); }));
        ASSERT_TRUE(WaitUntil([&] {
            return Text(QStringLiteral("XXXTransferCompletedXXX")) != QStringLiteral("0")
                   && Text(QStringLiteral("currentSequence")).isEmpty();
        }));
    }
    void RunDownloadAi() { RunFirst(QStringLiteral("downloadAi"), false); }
    void SetUp() override
    {
        QObject::connect(&device, &sim::SimServer::requestHandled, &device,
                         [this](int command, int) { commands.append(command); });
    }
    // The commands of the sequence's records.
    QList<int> CommandsOf(const QString& sequence) const
    {
        QList<int> numbers;
        const auto description = manager->GetDescription();
        for (const QString& record : description->FindSequence(sequence)->records)
            numbers << description->FindRecord(record)->command;
        return numbers;
    }
    QList<int> commands;
    QStringList DownloadsRan() const { return Ran().filter(QRegularExpression(QStringLiteral("^(download|SetUser|Post)"))); }
};

const Variant kCurve{"rev22_mv_on_curve_139", 139, 22, true, true, {}};

TEST_F(DownloadChain, ACleanUserCurveIsNotWrittenAndTheChainStillEndsAsDone)
{
    Start(kCurve);
    if (HasFatalFailure())
        return;
    RunDownloadAi();
    EXPECT_EQ(DownloadsRan(), QStringList({"downloadAi", "downloadAi_Revision21", "downloadMV_Revision21",
                                           "downloadTtrb", "downloadMv", "downloadPid", "downloadWriteLock"}))
        << DownloadsRan().join(' ').toStdString();
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("1"));
    EXPECT_EQ(Chain()->DownloadIndex(), 0);
}

TEST_F(DownloadChain, AnEditedUserCurveIsWrittenLast)
{
    Start(kCurve);
    if (HasFatalFailure())
        return;
    Put(QStringLiteral("userCurveDirty"), QStringLiteral("1"));
    RunDownloadAi();
    EXPECT_EQ(DownloadsRan(), QStringList({"downloadAi", "downloadAi_Revision21", "downloadMV_Revision21",
                                           "downloadTtrb", "downloadMv", "downloadPid", "SetUserCurve",
                                           "downloadWriteLock"}))
        << DownloadsRan().join(' ').toStdString();
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("1"));
}

// The curve tab's Write forces "SetUserCurve" by itself: the device receives
// the curve and nothing of the rest of the dataset.
TEST_F(DownloadChain, APagesOwnCurveWriteSendsTheCurveAndNothingElse)
{
    Start({"rev22_mv_off_curve_137", 137, 22, false, true, {}});
    if (HasFatalFailure())
        return;
    Put(QStringLiteral("userCurveDirty"), QStringLiteral("1"));
    RunFirst(QStringLiteral("SetUserCurve"), true);
    EXPECT_EQ(DownloadsRan(), QStringList({"SetUserCurve"})) << DownloadsRan().join(' ').toStdString();
    const QList<int> curve = CommandsOf(QStringLiteral("SetUserCurve"));
    for (int command : curve)
        EXPECT_TRUE(commands.contains(command)) << "the curve's command " << command << " was not sent";
    for (const char* other : {"downloadAi", "downloadAi_Revision21", "downloadMV_Revision21", "downloadMV_Revision20",
                              "downloadTtrb", "downloadMv", "downloadPid", "downloadWriteLock"})
        for (int command : CommandsOf(QLatin1String(other)))
            EXPECT_TRUE(curve.contains(command) || !commands.contains(command))
                << "command " << command << " of " << other << " was sent";
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("1"));
}

} // namespace
