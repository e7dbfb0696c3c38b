// Every default dataset the new-dataset dialog offers on a HART device, made
// with File New on the device built with its cell, saved in the project and
// opened again, written to the device and read back: the project holds each
// value in the unit the dataset names for it (the static pressure's limits
// in the unit of the cell's, as the device reports them), both items of the
// damping hold the one value, the device takes exactly that, and what the
// dataset does not set stays as the device had it.
#include "sim/DeviceState.h"
#include "sim/SimOptions.h"
#include "sim/SimTransmitter.h"
#include "sim/SimUnits.h"
#include "tests/merrow/DefaultDatasetSupport.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include "tests/platform/applet/AppletTestSupport.h"
#include <QMap>
#include <cmath>

using namespace merrowtest;
using namespace defaultstest;

namespace {

struct Choice {
    QString deviceType, pRange, pstatRange;
};

// The values a dataset sets, each item with the last value the queries give it.
QMap<QString, QString> DatasetOf(const QString& file, const Choice& choice)
{
    QMap<QString, QString> values;
    const QString connection = QStringLiteral("defaultstest-dataset");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(StagedDatabase(file));
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        EXPECT_TRUE(database.open());
        const std::pair<const char*, QStringList> queries[] = {
            {"SELECT ObjectName, ObjectValue FROM ViewGeneralDevicedata", {}},
            {"SELECT ObjectName, ObjectValue FROM ViewSpecificDevicedata WHERE DeviceType = ?", {choice.deviceType}},
            {"SELECT ObjectName, ObjectValue FROM ViewPRangeData WHERE DeviceType = ? AND PRange = ?",
             {choice.deviceType, choice.pRange}},
            {"SELECT ObjectName, ObjectValue FROM ViewPstatRangeData WHERE PstatRange = ?", {choice.pstatRange}},
            {"SELECT ObjectName, ObjectValue FROM ViewPRangePstatRangeData WHERE DeviceType = ? AND PRange = ? AND "
             "PstatRange = ?",
             {choice.deviceType, choice.pRange, choice.pstatRange}},
        };
        for (const auto& [statement, arguments] : queries) {
            QSqlQuery query(database);
            EXPECT_TRUE(query.prepare(QLatin1String(statement))) << query.lastError().text().toStdString();
            for (const QString& argument : arguments)
                query.addBindValue(argument);
            EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
            while (query.next())
                values[query.value(0).toString().trimmed()] = query.value(1).toString().trimmed();
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return values;
}

// The item's text against the dataset's: numbers at single precision.
bool Holds(const QString& held, const QString& expected)
{
    bool heldIsNumber = false, expectedIsNumber = false;
    const double a = held.trimmed().toDouble(&heldIsNumber);
    const double b = expected.toDouble(&expectedIsNumber);
    if (heldIsNumber && expectedIsNumber)
        return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b));
    return held.trimmed() == expected;
}

// The items of the dataset whose value the project does not hold, with both;
// once read from the device, its revision is the device's.
QStringList Differing(CorvaneDeviceApplet& applet, const QMap<QString, QString>& dataset, bool read = false)
{
    static const QStringList kRevision = {QStringLiteral("pbSoftwareRevisionHART"),
                                          QStringLiteral("pbSoftwareSpecHOLLEN")};
    QStringList differing;
    for (auto it = dataset.begin(); it != dataset.end(); ++it) {
        if (read && kRevision.contains(it.key()))
            continue;
        const QString held = applet.Text(it.key());
        if (!Holds(held, it.value()))
            differing << QStringLiteral("%1 = %2, not %3").arg(it.key(), held, it.value());
    }
    const QString damping = applet.Text(QStringLiteral("ptrbDamping"));
    if (!Holds(applet.Text(QStringLiteral("aiDPPvFtime")), damping))
        differing << QStringLiteral("aiDPPvFtime = %1, ptrbDamping = %2")
                         .arg(applet.Text(QStringLiteral("aiDPPvFtime")), damping);
    return differing;
}

// Items no default dataset sets: File New leaves them as they were.
const QStringList kNotInADataset = {QStringLiteral("pbMessage"), QStringLiteral("pbDescriptor"),
                                    QStringLiteral("_tagHart"), QStringLiteral("pbFinalAssemblyNumber")};

QStringList Texts(CorvaneDeviceApplet& applet, const QStringList& items)
{
    QStringList texts;
    for (const QString& item : items)
        texts << applet.Text(item);
    return texts;
}

double Number(const QMap<QString, QString>& dataset, const char* item)
{
    return dataset.value(QLatin1String(item)).toDouble();
}

uint8_t Unit(const QMap<QString, QString>& dataset, const char* item)
{
    return static_cast<uint8_t>(dataset.value(QLatin1String(item)).toInt());
}

// The simulated device as it is built for the dataset: the cell's sensor
// limits and minimum spans, the rated pressure of its static range, and the
// flow function and meter option of the device type.
void BuildDeviceFor(sim::SimTransmitter& transmitter, const QMap<QString, QString>& dataset)
{
    sim::DeviceState& device = transmitter.device();
    for (const char* build : {"ptrbRatedPressure", "pbMeterOption"})
        ASSERT_EQ(transmitter.parameters().set(QLatin1String(build), dataset.value(QLatin1String(build)).toDouble()), 0)
            << build;
    const uint8_t limitUnit = Unit(dataset, "ptrbSensorLimitUnit");
    sim::DeviceVariable& dp = device.variables[sim::Variable::DifferentialPressure];
    dp.lowerLimit = sim::toBase(Number(dataset, "ptrbLowerSensorLimit"), limitUnit);
    dp.upperLimit = sim::toBase(Number(dataset, "ptrbUpperSensorLimit"), limitUnit);
    dp.minimumSpan = sim::toBase(Number(dataset, "ptrbMinSpan"), limitUnit);
    sim::DeviceVariable& sp = device.variables[sim::Variable::StaticPressure];
    sp.lowerLimit = sim::toBase(Number(dataset, "ptrbStaticPressureLoLim"), limitUnit);
    sp.upperLimit = sim::toBase(Number(dataset, "ptrbStaticPressureHiLim"), limitUnit);
    sp.minimumSpan = sim::toBase(Number(dataset, "ptrbStaticPressureMinSpan"), limitUnit);
    const bool flow = Number(dataset, "pbMultivariableFunction") != 0;
    if (device.multivariableFunction != flow)
        device.setFlowFunction(flow);
}

// What the device holds of the dataset: its ranges in their units and its damping.
QStringList DeviceDiffers(const sim::DeviceState& device, const QMap<QString, QString>& dataset)
{
    QStringList differing;
    const auto expect = [&](const char* what, double held, double wanted) {
        if (std::fabs(held - wanted) > 1e-5 * std::max(1.0, std::fabs(wanted)))
            differing << QStringLiteral("%1 = %2, not %3").arg(QLatin1String(what)).arg(held).arg(wanted);
    };
    const uint8_t rangeUnit = Unit(dataset, "ptrbScaleInUnit");
    const sim::DeviceVariable& dp = device.variables[sim::Variable::DifferentialPressure];
    expect("range unit", dp.units, rangeUnit);
    expect("upper range value", sim::fromBase(device.pvUpperRange, rangeUnit), Number(dataset, "ptrbScaleIn100"));
    expect("lower range value", sim::fromBase(device.pvLowerRange, rangeUnit), Number(dataset, "ptrbScaleIn0"));
    expect("damping", dp.damping, Number(dataset, "ptrbDamping"));
    const uint8_t staticUnit = Unit(dataset, "ptrbStaticPressureScaleInUnit");
    expect("static range unit", device.staticPressure().units, staticUnit);
    expect("static upper range value", sim::fromBase(device.spUpperRange, staticUnit),
           Number(dataset, "ptrbStaticPressureScaleIn100"));
    expect("static lower range value", sim::fromBase(device.spLowerRange, staticUnit),
           Number(dataset, "ptrbStaticPressureScaleIn0"));
    expect("transfer function", device.transferFunction, Number(dataset, "ptrbLinType"));
    return differing;
}

// What a default dataset leaves alone, in the device.
struct Untouched {
    QString tag, descriptor, message;
    uint32_t finalAssembly = 0;
    explicit Untouched(const sim::DeviceState& d)
        : tag(d.tag), descriptor(d.descriptor), message(d.message), finalAssembly(d.finalAssemblyNumber)
    {
    }
    bool operator==(const Untouched&) const = default;
};

// The choices the dialog offers, each device type with each of its pressure
// ranges and each of their static pressure ranges.
QList<Choice> Offered(CorvaneDeviceApplet& applet, frmMain& window)
{
    QList<Choice> offered;
    EXPECT_TRUE(RunDialog(applet, window, [&](frmSelectDefaultDataset& page, QDialog&) {
        for (const QString& type : Labels(page, "lstDeviceID")) {
            Choose(page, "lstDeviceID", type);
            for (const QString& range : Labels(page, "lstPRanges")) {
                Choose(page, "lstPRanges", range);
                for (const QString& pstat : Labels(page, "lstPStatRanges"))
                    offered.append({type, range, pstat});
            }
        }
        Press(page, "cmdCancel");
    }));
    return offered;
}

class EveryDefaultDataset : public ::testing::TestWithParam<int> {};

constexpr int kSavedToDevice = 3808;
constexpr int kLoadedFromDevice = 3807;

// The window's function ended with its confirmation, the window the user's again.
bool Ended(CorvaneDeviceApplet& applet, frmMain& window, int confirmation)
{
    return piotest::RunUntil([&] {
        return window.PendingFunction() == frmMain::Pending::None && window.isEnabled()
            && window.PanelText(4) == global::LoadLocalizedText(confirmation)
            && applet.Text(QStringLiteral("currentSequence")).isEmpty();
    });
}

// No sequence of the description runs.
bool Idle(CorvaneDeviceApplet& applet)
{
    for (const applet::DescSequence& sequence : applet.manager->GetDescription()->sequences)
        if (applet.Number(applet::SubItemName::Compose(applet::SubItemKind::SequenceState, sequence.name)) != 0)
            return false;
    return applet.Text(QStringLiteral("currentSequence")).isEmpty();
}

// Connects or disconnects through the Device menu; true once it has and
// what the connection started has ended.
bool Connected(CorvaneDeviceApplet& applet, frmMain& window, bool on)
{
    applet.Trigger(window, on ? "mnuDeviceConnect" : "mnuDeviceDisconnect");
    return piotest::RunUntil([&] {
        return applet.Number(loopbacktest::kConnectItem) == (on ? 2 : 0) && window.isEnabled()
            && window.PendingFunction() == frmMain::Pending::None && Idle(applet);
    });
}

// Save to device from the menu. The component library's burn-delay sequence
// runs every few seconds while connected; a download asked for just then is
// not started (only its trace tells it), so the menu is used again once the
// applet is idle, as a user would.
void TriggerSaveToDevice(CorvaneDeviceApplet& applet, frmMain& window)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        bool refused = false;
        applet::AppletTrace::Sink previous;
        previous = applet::AppletTrace::SetSink([&](applet::AppletTrace::Level level, const QString& line) {
            refused = refused || line.contains(QLatin1String("downloadAi not started"));
            if (previous)
                previous(level, line);
        });
        applet.Trigger(window, "mnuDeviceSaveToDevice");
        piotest::Settle();
        applet::AppletTrace::SetSink(previous);
        if (!refused || !piotest::RunUntil([&] { return Idle(applet) && window.isEnabled(); }))
            return;
    }
}

// File New with the choice, OK pressed.
bool MadeNew(CorvaneDeviceApplet& applet, frmMain& window, const Choice& choice)
{
    return RunDialog(applet, window, [&](frmSelectDefaultDataset& page, QDialog&) {
        ASSERT_TRUE(Choose(page, "lstDeviceID", choice.deviceType));
        ASSERT_TRUE(Choose(page, "lstPRanges", choice.pRange));
        ASSERT_TRUE(Choose(page, "lstPStatRanges", choice.pstatRange));
        Press(page, "cmdOK");
    });
}

// The dataset saved in the project's store and loaded from it again, as the
// project is when it is opened again.
void SavedAndOpenedAgain(CorvaneDeviceApplet& applet, frmMain& window)
{
    applet.Trigger(window, "mnuFileSave");
    piotest::Settle();
    int32_t result = -1;
    applet.host->LoadFromDatabase(0, result);
    ASSERT_EQ(result, 0);
    piotest::Settle();
}

// The main window on the device, not connected, a store for its project.
frmMain* StartOn(CorvaneDeviceApplet& applet, const std::shared_ptr<applettest::StoreDouble>& store, int hartType)
{
    applet.Variant("4607215", 0, true, 8, hartType);
    frmMain* window = applet.StartWithConnectAllowed();
    int32_t code = -1;
    applet.host->fncSetDBInstance(store, code);
    if (!window || code != 0 || !applet.AttachDevice())
        return nullptr;
    return window;
}

TEST_P(EveryDefaultDataset, ReachesTheDeviceAndComesBackInItsUnits)
{
    const int hartType = GetParam();
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    sim::VariantOptions variant;
    variant.deviceType = static_cast<uint32_t>(hartType);
    QString error;
    ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
    sim::DeviceState& device = applet.device.device();
    device.message = QStringLiteral("NOT SET BY A DEFAULT DATASET");
    auto store = std::make_shared<applettest::StoreDouble>();
    frmMain* window = StartOn(applet, store, hartType);
    ASSERT_NE(window, nullptr);
    const QString file = frmSelectDefaultDataset::DatabaseFile(0, QString::number(hartType));
    const QList<Choice> offered = Offered(applet, *window);
    ASSERT_GE(offered.size(), 8);
    bool factory = true;
    for (const Choice& choice : offered) {
        SCOPED_TRACE((choice.deviceType + " / " + choice.pRange + " / " + choice.pstatRange).toStdString());
        auto dataset = DatasetOf(file, choice);
        // The PID controller's meter option only the device type 139 has: on
        // another, the rules take the dataset's back to the plain one, and
        // that is what the device is then built with.
        if (hartType != 139 && dataset.value(QStringLiteral("pbMeterOption")) == QStringLiteral("6"))
            dataset[QStringLiteral("pbMeterOption")] = QStringLiteral("2");
        BuildDeviceFor(applet.device.transmitter(), dataset);
        const QStringList kept = Texts(applet, kNotInADataset);
        ASSERT_TRUE(MadeNew(applet, *window, choice));
        EXPECT_EQ(Differing(applet, dataset).join('\n').toStdString(), "") << "made";
        EXPECT_EQ(Texts(applet, kNotInADataset), kept);
        SavedAndOpenedAgain(applet, *window);
        EXPECT_EQ(Differing(applet, dataset).join('\n').toStdString(), "") << "opened again";

        ASSERT_TRUE(Connected(applet, *window, true));
        const Untouched before(device);
        TriggerSaveToDevice(applet, *window);
        ASSERT_TRUE(Ended(applet, *window, kSavedToDevice)) << window->PanelText(4).toStdString();
        EXPECT_EQ(DeviceDiffers(device, dataset).join('\n').toStdString(), "")
            << (factory ? "factory device" : "device of other values");
        // A project read from the device before gives it back what the dataset does not set.
        EXPECT_TRUE(factory || Untouched(device) == before);
        factory = false;

        applet.Trigger(*window, "mnuDeviceLoadFromDevice");
        ASSERT_TRUE(Ended(applet, *window, kLoadedFromDevice));
        EXPECT_EQ(Differing(applet, dataset, true).join('\n').toStdString(), "") << "read back";
        ASSERT_TRUE(Connected(applet, *window, false));
    }
    // Nothing else was shown than the flow calculation's warnings on the small cells.
    QStringList unexpected = applet.dialogs.Errors();
    unexpected.removeIf([](const QString& error) { return error.contains(QLatin1String("Reynolds number")); });
    EXPECT_EQ(unexpected.join('\n').toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(HartDeviceTypes, EveryDefaultDataset, ::testing::Values(137, 138, 139));

// A project made with File New before the static pressure's limits were held
// in the cell's unit, and before both items of the damping got its value: the
// device gets the cell's static range and damping, or nothing at all.
TEST(EveryDefaultDatasetStoredBefore, GivesTheDeviceTheCellsStaticRangeAndDampingOrNothing)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    sim::DeviceState& device = applet.device.device();
    auto store = std::make_shared<applettest::StoreDouble>();
    frmMain* window = StartOn(applet, store, 137);
    ASSERT_NE(window, nullptr);
    const Choice choice{QStringLiteral("TRIVEX MV 137"), QStringLiteral("25 mbar"), QStringLiteral("40 bar")};
    const auto dataset = DatasetOf(QStringLiteral("mvtrivexhart.mdb"), choice);
    BuildDeviceFor(applet.device.transmitter(), dataset);
    ASSERT_EQ(sim::setDamping(device.variables[sim::Variable::DifferentialPressure], 2.5), 0);
    ASSERT_TRUE(MadeNew(applet, *window, choice));
    applet.Trigger(*window, "mnuFileSave");
    piotest::Settle();
    // As the project was stored then: the static range's bar numbers under the cell's mbar.
    ASSERT_EQ(store->values.value(QStringLiteral("ptrbSensorLimitUnit")), QStringLiteral("8"));
    store->values[QStringLiteral("ptrbStaticPressureHiLim")] = QStringLiteral("40");
    store->values[QStringLiteral("ptrbStaticPressureMinSpan")] = QStringLiteral("0.5");
    store->values[QStringLiteral("aiDPPvFtime")] = QStringLiteral("0");
    // and without a software revision, which no dataset carried then.
    store->values.remove(QStringLiteral("pbSoftwareRevisionHART"));
    store->values.remove(QStringLiteral("pbSoftwareSpecHOLLEN"));
    int32_t result = -1;
    applet.host->LoadFromDatabase(0, result);
    ASSERT_EQ(result, 0);
    piotest::Settle();
    ASSERT_TRUE(Connected(applet, *window, true));

    const sim::DeviceState before = device;
    const auto told = applet.dialogs.Requests().size();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    TriggerSaveToDevice(applet, *window);
    // Ended with its confirmation, or with a message that says why not.
    ASSERT_TRUE(piotest::RunUntil([&] {
        return window->PendingFunction() == frmMain::Pending::None && window->isEnabled()
            && applet.Text(QStringLiteral("currentSequence")).isEmpty()
            && (window->PanelText(4) == global::LoadLocalizedText(kSavedToDevice)
                || applet.dialogs.Requests().size() > told);
    }));
    piotest::Settle();
    if (applet.dialogs.Requests().size() == told) {
        EXPECT_EQ(DeviceDiffers(device, dataset), QStringList());
    } else {
        EXPECT_NE(window->PanelText(4), global::LoadLocalizedText(kSavedToDevice)) << LastMessage(applet.dialogs).toStdString();
        EXPECT_EQ(DeviceDiffers(device, dataset), DeviceDiffers(before, dataset)) << "refused, yet the device changed";
        // A refusal says which values do not fit together, not only that the calculation failed.
        const QString message = LastMessage(applet.dialogs);
        const QString header = QStringLiteral("MV calculation error.");
        if (message.startsWith(header)) {
            EXPECT_FALSE(message.mid(header.size()).trimmed().isEmpty()) << message.toStdString();
            EXPECT_TRUE(message.contains(QLatin1String("ratio of differential to static pressure is 0.625 (25 mbar "
                                                       "to 0.04 bar)")))
                << message.toStdString();
        }
    }
}

} // namespace
