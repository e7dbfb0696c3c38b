// A device whose static pressure was set up in bar while its flow function
// was off, then restarted with the function on at a revision whose flow
// block takes mbar only: the DTM forces the unit, and every pressure of the
// flow block keeps its physical value in the project, on the device after an
// unchanged download, and in a project that reads the device again. Each
// program run of a user (upload, show, download, upload) is a DTM of its own
// over the stored project; the restarted simulator keeps its memory.
#include "tests/corvane/TransferSupport.h"
#include "platform/applet/UnitTable.h"
#include "sim/MeasuredParameters.h"
#include "sim/SimTransmitter.h"
#include <cmath>
#include <QRegularExpression>
#include <optional>
#include <utility>

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

// The unit item of the static pressure of the flow block.
const QString kStaticPressureUnit = QStringLiteral("mvInPUnit");
// Below this revision the device keeps the shown copies' device values in bar.
constexpr uint32_t kUserUnitFromRevision = 21;
constexpr int kBar = 7;

// Pascals per unit of the HART pressure unit codes a test meets.
std::optional<double> PascalPer(int unit)
{
    struct Row {
        int code;
        double pascal;
    };
    static constexpr Row kUnits[] = {{7, 1e5}, {8, 1e2}, {11, 1}, {12, 1e3}, {237, 1e6}};
    for (const Row& row : kUnits)
        if (row.code == unit)
            return row.pascal;
    return std::nullopt;
}

// A pressure of the flow block: the item whose unit item is the static
// pressure's, and the device value it shows when it is a shown copy.
struct PressureItem {
    QString item;
    QString deviceValue; // the item itself when it is no shown copy
};

// Physical values, in pascals, by item.
using Pressures = QMap<QString, double>;

class ForcedStaticPressureUnit : public TransferRoad {
protected:
    sim::SimServer& Device() { return restarted ? *restarted : device; }

    // The device as it was set up by a user: read and written back once by
    // a project while the flow function was off, its memory kept in a file.
    void SetUpDevice(const Variant& setUp)
    {
        Start(setUp);
        if (HasFatalFailure())
            return;
        QString error;
        ASSERT_TRUE(device.transmitter().setMemoryFile(dir.filePath(QStringLiteral("memory.json")), error))
            << error.toStdString();
        transfertest::HoldTheProcessWithAShortSave(device);
        ASSERT_TRUE(Upload(QStringLiteral("setup-upload")));
        ASSERT_TRUE(Unlocked());
        ASSERT_TRUE(Download(QStringLiteral("setup-download")));
        ASSERT_TRUE(Unlocked());
        ASSERT_EQ(device.device().staticPressure().units, kBar);
        ASSERT_EQ(device.transmitter().parameters().value(kStaticPressureUnit).toInt(), kBar);
    }

    // The simulator started again on its memory, with the flow function on.
    void RestartDevice(uint32_t deviceType, uint32_t revision)
    {
        device.close();
        restarted = std::make_unique<sim::SimServer>();
        ASSERT_TRUE(restarted->listen(QHostAddress::LocalHost, 0)) << restarted->errorString().toStdString();
        sim::VariantOptions options;
        options.deviceType = deviceType;
        options.revision = revision;
        options.multivariable = true;
        options.memory = dir.filePath(QStringLiteral("memory.json"));
        QString error;
        ASSERT_TRUE(sim::applyVariant(restarted->transmitter(), options, error)) << error.toStdString();
        restarted->transmitter().freezeProcessTime(0);
        transfertest::HoldTheProcessWithAShortSave(*restarted);
        ASSERT_EQ(restarted->device().staticPressure().units, kBar);
        ASSERT_EQ(restarted->device().multivariableBlockMode, sim::BlockMode::Automatic);
    }

    // A new program run: a DTM of its own over the project folder, a new
    // instance or the stored one.
    void Open(const QString& project, bool fresh, uint32_t deviceType)
    {
        ReleaseDtm();
        frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(project), QStringLiteral(TRIVEX_SCHEMA_DIR));
        ASSERT_TRUE(frame->CreateDtm(dtmtest::kTag)) << frame->LastError().toStdString();
        const bool opened = fresh ? frame->InitNewInstance(dtmtest::kTag,
                                                           dtmtest::DeviceTypeDocument(QString::number(deviceType)))
                                  : frame->LoadInstance(dtmtest::kTag);
        ASSERT_TRUE(opened) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->Configure(dtmtest::kTag, QStringLiteral("maintenance"))) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->SetCommunication(dtmtest::kTag, loopbacktest::LocalAddress(Device().port())))
            << frame->LastError().toStdString();
        if (fresh) {
            ASSERT_TRUE(frame->SaveInstance(dtmtest::kTag)) << frame->LastError().toStdString();
        }
        Watch();
    }

    // Every item the description's unit table gives the static pressure's
    // unit item, with the device value of each shown copy ("...GUI").
    std::vector<PressureItem> FlowBlockPressures() const
    {
        const QString folder = QFileInfo(manager->GetDescription()->path).absolutePath();
        QFile file(QDir(folder).filePath(applet::kUnitTableName));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const applet::UnitTable table = applet::ParseUnitTable(QString::fromUtf8(file.readAll()));
        std::vector<PressureItem> items;
        for (auto row = table.units.constBegin(); row != table.units.constEnd(); ++row) {
            if (row.value().compare(QLatin1Char('@') + kStaticPressureUnit, Qt::CaseInsensitive) != 0)
                continue;
            const QString name = manager->Item(manager->HandleOf(row.key()))->Name();
            QString deviceValue = name;
            if (name.endsWith(QLatin1String("GUI")) && manager->HandleOf(name.chopped(3)) != 0)
                deviceValue = name.chopped(3);
            items.push_back({name, deviceValue});
        }
        return items;
    }

    // The device set up in bar with its function off and restarted at
    // revision with it on; then a new project (or, with storedAsRead, the
    // set-up's project as an older version stored it) opened on it.
    void SwitchOnAndOpen(const Variant& setUp, uint32_t revision, bool storedAsRead, const QString& project,
                         std::vector<PressureItem>& items)
    {
        SetUpDevice(setUp);
        if (HasFatalFailure())
            return;
        if (storedAsRead)
            StoreAsReadWithTheFunctionOn();
        if (HasFatalFailure())
            return;
        RestartDevice(setUp.deviceType, revision);
        if (HasFatalFailure())
            return;
        OpenWithThePressures(project, !storedAsRead, setUp.deviceType, items);
    }

    // Open, and the flow block's pressures of its description.
    void OpenWithThePressures(const QString& project, bool fresh, uint32_t deviceType, std::vector<PressureItem>& items)
    {
        Open(project, fresh, deviceType);
        ASSERT_FALSE(HasFatalFailure());
        items = FlowBlockPressures();
        ASSERT_GE(items.size(), 7u) << "the unit table names the flow block's pressures";
    }

    // The pressures as the project holds them: each shown copy and each
    // device value behind one, in pascals.
    Pressures InProject(const std::vector<PressureItem>& items, uint32_t revision)
    {
        Pressures values;
        const int unit = Text(kStaticPressureUnit).toInt();
        for (const PressureItem& pressure : items) {
            values.insert(pressure.item, Pascal(Text(pressure.item), unit, pressure.item));
            if (pressure.deviceValue != pressure.item)
                values.insert(pressure.deviceValue,
                              Pascal(Text(pressure.deviceValue), revision < kUserUnitFromRevision ? kBar : unit,
                                     pressure.deviceValue));
        }
        return values;
    }

    // The same pressures as the device holds them: a shown copy is what its
    // device value holds.
    Pressures OnDevice(const std::vector<PressureItem>& items, uint32_t revision)
    {
        const sim::DeviceParameters& parameters = Device().transmitter().parameters();
        const int unit = parameters.value(kStaticPressureUnit).toInt();
        Pressures values;
        for (const PressureItem& pressure : items) {
            const bool fixed = pressure.deviceValue != pressure.item && revision < kUserUnitFromRevision;
            const double value = Pascal(parameters.value(pressure.deviceValue).toString(), fixed ? kBar : unit,
                                        pressure.deviceValue);
            values.insert(pressure.item, value);
            if (pressure.deviceValue != pressure.item)
                values.insert(pressure.deviceValue, value);
        }
        return values;
    }

    static double Pascal(const QString& text, int unit, const QString& item)
    {
        bool number = false;
        const double value = text.toDouble(&number);
        const std::optional<double> factor = PascalPer(unit);
        EXPECT_TRUE(number) << item.toStdString() << " holds " << text.toStdString();
        EXPECT_TRUE(factor) << item.toStdString() << ": unit " << unit;
        return value * factor.value_or(std::nan(""));
    }

    static void ExpectSame(const Pressures& expected, const Pressures& actual, const char* where)
    {
        for (auto it = expected.constBegin(); it != expected.constEnd(); ++it)
            EXPECT_NEAR(actual.value(it.key()), it.value(), 1e-5 * std::max(1.0, std::abs(it.value())))
                << where << ": " << it.key().toStdString();
    }

    // The static range, its unit, the unit's copy and the transfer
    // function: the device's and the project's are one.
    void ExpectTheOutputAsTheProject(const char* where)
    {
        const sim::DeviceState& d = Device().device();
        const int unit = Text(QStringLiteral("ptrbStaticPressureScaleInUnit")).toInt();
        EXPECT_EQ(d.staticPressure().units, unit) << where;
        EXPECT_EQ(Device().transmitter().parameters().value(QStringLiteral("aiPOutScaleUnit")).toInt(), unit) << where;
        EXPECT_EQ(Text(QStringLiteral("aiPOutScaleUnit")).toInt(), unit) << where;
        // The device's range is in kPa.
        EXPECT_NEAR(d.spLowerRange * 1e3, Pascal(Text(QStringLiteral("ptrbStaticPressureScaleIn0")), unit, "range"), 1e-2)
            << where;
        EXPECT_NEAR(d.spUpperRange * 1e3, Pascal(Text(QStringLiteral("ptrbStaticPressureScaleIn100")), unit, "range"),
                    1e-2 * std::max(1.0, d.spUpperRange))
            << where;
        EXPECT_EQ(QString::number(d.transferFunction), Text(QStringLiteral("ptrbLinType"))) << where;
    }


    // Set up in bar with the function off, switched on at revision, then a
    // user's runs: upload A, show A, download A unchanged, upload B.
    void RunTheUsersPath(const Variant& setUp, uint32_t revision)
    {
        std::vector<PressureItem> items;
        SwitchOnAndOpen(setUp, revision, false, QStringLiteral("A"), items);
        if (HasFatalFailure())
            return;
        const Pressures device = OnDevice(items, revision);
        ASSERT_TRUE(Upload(QStringLiteral("A")));
        ASSERT_TRUE(Unlocked());
        const Pressures uploaded = InProject(items, revision);
        ExpectSame(device, uploaded, "project A after its upload");

        // Another run shows the stored project as it was.
        Open(QStringLiteral("A"), false, setUp.deviceType);
        ASSERT_FALSE(HasFatalFailure());
        ExpectSame(uploaded, InProject(items, revision), "project A shown");
        const QString unit = Text(kStaticPressureUnit);
        const QString linType = Text(QStringLiteral("ptrbLinType"));

        Open(QStringLiteral("A"), false, setUp.deviceType);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(Download(QStringLiteral("A"))) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Unlocked());
        EXPECT_EQ(Text(kStaticPressureUnit), unit) << "the download changed the project's unit";
        EXPECT_EQ(Text(QStringLiteral("ptrbLinType")), linType) << "the download changed the transfer function";
        ExpectSame(uploaded, InProject(items, revision), "project A after its download");
        ExpectSame(uploaded, OnDevice(items, revision), "the device after the download of A");
        EXPECT_EQ(Device().transmitter().parameters().value(kStaticPressureUnit).toString(), unit);
        ExpectTheOutputAsTheProject("the device after the download of A");

        Open(QStringLiteral("B"), true, setUp.deviceType);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(Upload(QStringLiteral("B")));
        ASSERT_TRUE(Unlocked());
        EXPECT_EQ(Text(kStaticPressureUnit), unit);
        EXPECT_EQ(Text(QStringLiteral("ptrbLinType")), linType);
        ExpectSame(uploaded, InProject(items, revision), "project B");
        ExpectTheOutputAsTheProject("project B");
    }

    // The stored project as an upload of the device with its function on
    // stored it before the end-of-upload rules reached the store: the
    // function on and the flow block in automatic mode, everything else as
    // read, the static pressure in bar.
    void StoreAsReadWithTheFunctionOn()
    {
        const QString path = frame->Project().InstanceFile(dtmtest::kTag);
        ReleaseDtm();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        for (const auto& [item, value] : {std::pair{"pbMultivariableFunction", "1"}, std::pair{"mvModeBlkActual", "8"}}) {
            // The instance's parameters are an escaped document in the bag.
            const QRegularExpression stored(QStringLiteral("(name=\"%1\"&gt;&lt;fdt:Value&gt;&lt;fdt:Display string=\")[^\"]*\"")
                                                .arg(QLatin1String(item)));
            ASSERT_TRUE(stored.match(text).hasMatch()) << item;
            text.replace(stored, QStringLiteral("\\1%1\"").arg(QLatin1String(value)));
        }
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_EQ(file.write(text.toUtf8()), text.toUtf8().size());
    }

    // A project stored in bar while the device's function was on, before the
    // rules' corrections were stored: loaded, it forces the unit; its values
    // are converted with it and stored, nothing is written to the device
    // before the download's own writes, and the download leaves the device
    // with the same physical values.
    void DownloadAProjectStoredInBar(const Variant& setUp, uint32_t revision)
    {
        std::vector<PressureItem> items;
        SwitchOnAndOpen(setUp, revision, true, QStringLiteral("project"), items);
        if (HasFatalFailure())
            return;
        const Pressures stored = OnDevice(items, revision);
        const double lowerRange = Device().device().spLowerRange;
        const double upperRange = Device().device().spUpperRange;
        EXPECT_NE(Text(kStaticPressureUnit).toInt(), kBar) << "the load forced no unit";
        ExpectSame(stored, InProject(items, revision), "the loaded project");

        // The device's configuration counter before the download's first
        // write (the unlock): a write at connect would have moved it.
        constexpr int kUnlockCommand = 188;
        const uint16_t counterAtStart = Device().device().configChangeCounter;
        std::optional<uint16_t> counterAtUnlock;
        const QMetaObject::Connection watch = QObject::connect(&Device(), &sim::SimServer::requestHandled, &Device(), [&](int command, int) {
            if (command == kUnlockCommand && !counterAtUnlock)
                counterAtUnlock = counterAtStart;
            else if (!counterAtUnlock && Device().device().configChangeCounter != counterAtStart)
                ADD_FAILURE() << "command " << command << " changed the device before the download wrote";
        });
        const bool downloaded = Download(QStringLiteral("project"));
        QObject::disconnect(watch);
        ASSERT_TRUE(downloaded) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Unlocked());
        EXPECT_TRUE(counterAtUnlock) << "the download never unlocked the device";
        const QString unit = Text(kStaticPressureUnit);
        EXPECT_NE(unit.toInt(), kBar) << "the connect forced no unit";
        ExpectSame(stored, InProject(items, revision), "the project after its download");
        ExpectSame(stored, OnDevice(items, revision), "the device after the download");
        EXPECT_EQ(Device().transmitter().parameters().value(kStaticPressureUnit).toString(), unit);
        ExpectTheOutputAsTheProject("the device after the download");
        EXPECT_NEAR(Device().device().spLowerRange, lowerRange, 1e-5 * std::max(1.0, std::abs(lowerRange)));
        EXPECT_NEAR(Device().device().spUpperRange, upperRange, 1e-5 * std::max(1.0, std::abs(upperRange)));

        // The forced unit and the converted values are stored.
        Open(QStringLiteral("project"), false, setUp.deviceType);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(Text(kStaticPressureUnit), unit);
        ExpectSame(stored, InProject(items, revision), "the stored project after the download");
    }

    // A project read from the device as set up, downloaded after the device
    // was restarted at revision with the function on: refused before its
    // first write, with the reason; the device and the project as they were.
    void DownloadToAChangedDevice(const Variant& setUp, uint32_t revision, const char* reason)
    {
        SetUpDevice(setUp);
        if (HasFatalFailure())
            return;
        RestartDevice(setUp.deviceType, revision);
        if (HasFatalFailure())
            return;
        Open(QStringLiteral("project"), false, setUp.deviceType);
        ASSERT_FALSE(HasFatalFailure());
        const QString linType = Text(QStringLiteral("ptrbLinType"));
        const QString unit = Text(QStringLiteral("ptrbStaticPressureScaleInUnit"));
        const uint16_t counter = Device().device().configChangeCounter;
        const uint8_t transferFunction = Device().device().transferFunction;
        ASSERT_TRUE(Download(QStringLiteral("changed"), false));
        ASSERT_TRUE(Unlocked());
        EXPECT_TRUE(Chain()->FailureReason().contains(QLatin1String(reason))) << Chain()->FailureReason().toStdString();
        EXPECT_EQ(Device().device().configChangeCounter, counter) << "the refused download wrote";
        EXPECT_EQ(Device().device().transferFunction, transferFunction);
        EXPECT_EQ(Text(QStringLiteral("ptrbLinType")), linType);
        EXPECT_EQ(Text(QStringLiteral("ptrbStaticPressureScaleInUnit")), unit);
        // Read again, the project fits the device and goes down.
        ASSERT_TRUE(Upload(QStringLiteral("again")));
        ASSERT_TRUE(Unlocked());
        ASSERT_TRUE(Download(QStringLiteral("fits"))) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Unlocked());
        ExpectTheOutputAsTheProject("the device after the project read again went down");
    }

    std::unique_ptr<sim::SimServer> restarted;
};

TEST_F(ForcedStaticPressureUnit, ARevision19FlowComputerSetUpInBarKeepsItsPressuresWhenItsFunctionIsSwitchedOn)
{
    RunTheUsersPath({"rev19_mv_off_139", 139, 19, false, false, {}}, 19);
}

TEST_F(ForcedStaticPressureUnit, ARevision22SetUpInBarRestartedAsRevision19KeepsItsPressurePoints)
{
    RunTheUsersPath({"rev22_mv_off_137", 137, 22, false, false, {}}, 19);
}

TEST_F(ForcedStaticPressureUnit, ARevision19ProjectStoredInBarWithItsFunctionOnIsDownloadedInTheUnitItsLoadForces)
{
    DownloadAProjectStoredInBar({"rev19_mv_off_139", 139, 19, false, false, {}}, 19);
}

TEST_F(ForcedStaticPressureUnit, AProjectOfRevision22IsRefusedByTheDeviceRestartedAsRevision19BeforeItWrites)
{
    DownloadToAChangedDevice({"rev22_mv_on_137", 137, 22, true, false, {}}, 19, "software revision is 19");
}

TEST_F(ForcedStaticPressureUnit, AProjectReadWithTheFlowFunctionOffIsRefusedOnceTheFunctionIsOnBeforeItWrites)
{
    DownloadToAChangedDevice({"rev22_mv_off_138", 138, 22, false, false, {}}, 22, "flow function");
}

} // namespace
