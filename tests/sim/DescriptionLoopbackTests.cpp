// The staged Trivex description against the simulated transmitter: the
// toolkit's applet host runs the description's sequences through the HART
// communication server over loopback. The description's layouts and the
// simulator are written apart, so a layout that disagrees with the device
// fails a record here (or brings a wrong value into an item).
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/Description.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/HartCommServer.h"
#include "sim/SimUnits.h"
#include "sim/MeasuredParameters.h"
#include "sim/SimServer.h"
#include "tests/common/HartLoopbackSupport.h"
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>
#include <map>
#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using applet::SubItemKind;
using applet::SubItemName::Compose;

namespace {

using loopbacktest::kConnectItem;

// Registers items and keeps every value they took, in order, as text.
class Recorder : public QObject, public loopbacktest::ManagerView {
    Q_OBJECT
public:
    void NotifyChanged(int32_t item, bool, int32_t state, int32_t, int32_t& result) override
    {
        result = 0;
        if (state & applet::StateInfo::kRefresh)
            return;
        const QString& name = names[item];
        history[name] << Text(name);
        emit changed();
    }

    bool Watch(const QString& name)
    {
        int32_t item = 0;
        int32_t failed = 0;
        manager->RegisterItem(name, false, handle, item, 0, 0, failed);
        names[item] = name;
        return failed == 0;
    }
    QString Text(const QString& name, bool shadow = false) const
    {
        QString value;
        int32_t failed = 0;
        manager->GetValueAsText(manager->HandleOf(name), value, shadow, failed);
        return failed == 0 ? value : QStringLiteral("<failed %1>").arg(failed);
    }
    QByteArray Octets(const QString& name) const
    {
        QByteArray value;
        int32_t failed = 0;
        manager->GetOctetsValue(manager->HandleOf(name), value, false, failed);
        return value;
    }
    float Float(const QString& name, bool shadow = false) const
    {
        float value = -1;
        int32_t failed = 0;
        manager->fncReadFloatValue(manager->HandleOf(name), value, shadow, failed);
        return value;
    }
    bool WaitFor(const std::function<bool()>& done) { return loopbacktest::WaitFor(this, &Recorder::changed, done); }

    std::map<int32_t, QString> names;
    std::map<QString, QStringList> history;

signals:
    void changed();
};

class DescriptionLoopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        tdx = loopbacktest::StagedTrivexDescription();
        if (!QFileInfo::exists(tdx))
            GTEST_FAIL() << "no staged device description at " << tdx.toStdString();

        if (expandedDeviceType)
            device.device().expandedDeviceType = expandedDeviceType;
        ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0));
        device.transmitter().freezeProcessTime(0);
        // Readings in kPa, the loop current following the range linearly.
        device.device().variables[sim::Variable::DifferentialPressure].units = sim::UnitCode::KPa;
        device.device().transferFunction = 0;
        device.device().tag = QStringLiteral("FT-7");
        device.device().descriptor = QStringLiteral("STEAM LINE 4");

        applet::RegisterClasses();
        host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
        ASSERT_TRUE(host);
        int32_t code = -1;
        host->fncInit(tdx, QString(), QStringLiteral("&&private&&CountryCode=049"), code);
        ASSERT_EQ(code, 0);
        host->GetItemManager(manager);
        ASSERT_TRUE(manager);
        manager->RegisterView(recorder, code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(recorder->Watch(kConnectItem));

        server = std::make_shared<comm::HartCommServer>();
        server->SetCommunication(loopbacktest::LocalChannel(device.port()), code);
        host->fncSetCServer(server, code);
        ASSERT_EQ(code, 1);
        host->Connect(0, code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(recorder->WaitFor([&] { return recorder->Text(kConnectItem) == "2"; }));
    }

    void TearDown() override
    {
        int32_t code = 0;
        if (manager)
            manager->UnregisterView(recorder.get(), code);
        recorder->manager.reset();
        manager.reset();
        if (host) {
            std::shared_ptr<applet::AppletHost> h = host;
            host->DestroyApplet(h, code);
        }
        if (server) {
            std::shared_ptr<applet::CServerRequestClass> reference = server;
            server->Destroy(reference, code);
        }
    }

    // A new connection: what the device changed by itself since the last
    // one is read afresh, not answered from the connection's kept answers.
    void Reconnect()
    {
        int32_t code = -1;
        host->Disconnect(0, code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(recorder->WaitFor([&] { return recorder->Text(kConnectItem) == "0"; }));
        host->Connect(0, code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(recorder->WaitFor([&] { return recorder->Text(kConnectItem) == "2"; }));
    }

    // Runs a sequence to its end (its adjust included) and checks that it
    // completed and that each of its records was answered with success.
    void Run(const QString& sequenceName)
    {
        SCOPED_TRACE(sequenceName.toStdString());
        const applet::DescSequence* sequence = manager->GetDescription()->FindSequence(sequenceName);
        ASSERT_NE(sequence, nullptr);
        const QString state = Compose(SubItemKind::SequenceState, sequence->name);
        const QString progress = Compose(SubItemKind::SequenceProgress, sequence->name);
        for (const QString& watched : {state, progress}) {
            if (!recorder->names.count(manager->HandleOf(watched))) {
                ASSERT_TRUE(recorder->Watch(watched));
            }
        }
        for (const QString& record : sequence->records) {
            const QString name = Compose(SubItemKind::RecordState, record);
            if (!recorder->names.count(manager->HandleOf(name))) {
                ASSERT_TRUE(recorder->Watch(name));
            }
            recorder->history.erase(name);
        }
        recorder->history.erase(state);

        const bool read = sequence->kind == applet::SequenceKind::Read;
        int32_t code = -1;
        host->StartSequence(sequence->name, code);
        ASSERT_EQ(code, 0);
        // Ready after running; a read sequence that completes is then adjusted.
        auto ended = [&] {
            const QStringList& states = recorder->history[state];
            const QString active = QString::number(read ? applet::SequenceState::ReadActive
                                                        : applet::SequenceState::WriteActive);
            const qsizetype ran = states.indexOf(active);
            if (ran < 0 || states.last() != QLatin1String("0"))
                return false;
            const bool completed = recorder->Text(progress) == QLatin1String("100");
            return !read || !completed || states.indexOf(QString::number(applet::SequenceState::AdjustActive), ran) > 0;
        };
        ASSERT_TRUE(recorder->WaitFor(ended)) << recorder->history[state].join(',').toStdString();
        EXPECT_EQ(recorder->Text(progress), "100");

        // Each record ran once and ended ready; its response (command,
        // response code, device status, data) carries response code 0.
        for (const QString& record : sequence->records) {
            const QStringList& states = recorder->history[Compose(SubItemKind::RecordState, record)];
            const bool reads = manager->GetDescription()->FindRecord(record)->kind == applet::RecordKind::Read;
            EXPECT_EQ(states.join(','), reads ? "4,0" : "8,0") << record.toStdString();
            const QByteArray answer = recorder->Octets(Compose(SubItemKind::RecordResponse, record));
            ASSERT_GE(answer.size(), 3) << record.toStdString();
            EXPECT_EQ(static_cast<uint8_t>(answer[1]), 0) << record.toStdString() << ": response code";
        }
    }

    QString tdx;
    uint16_t expandedDeviceType = 0;   // 0: the simulator's own
    sim::SimServer device;
    std::shared_ptr<applet::AppletHost> host;
    std::shared_ptr<applet::clsAppletItemManager> manager;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    std::shared_ptr<comm::HartCommServer> server;
};

} // namespace

TEST_F(DescriptionLoopback, ReadSequencesBringTheDeviceValuesIntoTheItems)
{
    Run(QStringLiteral("GetDeviceInfo"));
    EXPECT_EQ(recorder->Text("_mfrManufacturerIdHART"), "99");
    EXPECT_EQ(recorder->Text("_mfrDeviceTypeHART"), "137");
    EXPECT_EQ(recorder->Text("hartDeviceId"), QString::number(device.device().deviceId));
    EXPECT_EQ(recorder->Text("hartUniversalRevision"), "7");
    EXPECT_EQ(recorder->Text("pbSoftwareRevisionHART"), "22");
    EXPECT_EQ(recorder->Text("hartHardwareRevision"), "1");
    EXPECT_EQ(recorder->Text("hartPrivateLabel"), "99");
    EXPECT_EQ(recorder->Text("_tagHart"), "FT-7");
    EXPECT_EQ(recorder->Text("pbDescriptor"), "STEAM LINE 4");
    EXPECT_EQ(recorder->Text("ptrbModulType"), "20");
    EXPECT_EQ(recorder->Text("pbSoftwareSpecifics"), "SW4607215-H7");
    EXPECT_FLOAT_EQ(recorder->Float("ptrbUpperSensorLimit"), 25.0f);
    EXPECT_FLOAT_EQ(recorder->Float("ptrbStaticPressureHiLim"), 16000.0f);
    EXPECT_FLOAT_EQ(recorder->Float("timeConstTADC"), 1.0f);

    // The loop current mode is part of the dataset: the upload reads it back,
    // so a later polling-address write keeps the device's choice.
    device.device().loopCurrentEnabled = false;
    Reconnect();
    Run(QStringLiteral("Upload"));
    EXPECT_EQ(recorder->Text("loopCurrentMode"), "0");
    device.device().loopCurrentEnabled = true;
    EXPECT_EQ(recorder->Text("pbMessage"), "SIMULATED TRANSMITTER");
    EXPECT_EQ(recorder->Text("pbFinalAssemblyNumber"), "123456");
    EXPECT_FLOAT_EQ(recorder->Float("ptrbScaleIn100"), 25.0f);
    EXPECT_FLOAT_EQ(recorder->Float("ptrbDamping"), 0.4f);
    EXPECT_FLOAT_EQ(recorder->Float("ptrbStaticPressureScaleIn100"), 100.0f);

    // Process values are no part of the dataset: they stay in the shadow values.
    Run(QStringLiteral("ReadProcessValues"));
    EXPECT_FLOAT_EQ(recorder->Float("hartPv", true), 12.5f);
    EXPECT_FLOAT_EQ(recorder->Float("hartSv", true), 10.0f);
    EXPECT_FLOAT_EQ(recorder->Float("Curr", true), 12.0f);
    EXPECT_FLOAT_EQ(recorder->Float("hartPercentOfRange", true), 50.0f);
}

TEST_F(DescriptionLoopback, DownloadWritesTheDatasetIntoTheDevice)
{
    Run(QStringLiteral("Upload"));
    int32_t failed = 0;
    manager->PutValueAsText(manager->HandleOf("pbDescriptor"), QStringLiteral("ORIFICE RUN"), failed);
    EXPECT_EQ(failed, 0);
    manager->fncPutFloatValue(manager->HandleOf("ptrbStaticPressureScaleIn100"), 50.0f, failed);
    EXPECT_EQ(failed, 0);
    manager->fncPutFloatValue(manager->HandleOf("timeConstPADC"), 0.5f, failed);
    EXPECT_EQ(failed, 0);

    Run(QStringLiteral("Download"));
    EXPECT_EQ(device.device().descriptor, "ORIFICE RUN");
    EXPECT_EQ(device.device().tag, "FT-7");
    EXPECT_NEAR(device.device().spUpperRange, 5000.0, 1e-3);   // 50 bar
    EXPECT_FLOAT_EQ(device.device().pressureAdcTimeConstant, 0.5f);
    EXPECT_NEAR(device.device().pvUpperRange, 25.0, 1e-6);
}

// Manufacturer and private label distributor are 16-bit numbers of their own,
// apart from the expanded device type that the device type byte comes from.
TEST_F(DescriptionLoopback, IdentityTakesTheSixteenBitManufacturerAndLabel)
{
    device.device().manufacturerId = 0x6063;
    device.device().privateLabelDistributor = 0x6071;
    Reconnect();
    Run(QStringLiteral("GetDeviceInfo"));
    EXPECT_EQ(recorder->Text("_mfrManufacturerIdHART"), QString::number(0x6063));
    EXPECT_EQ(recorder->Text("hartPrivateLabel"), QString::number(0x6071));
    EXPECT_EQ(recorder->Text("_mfrDeviceTypeHART"), "137");
}

// The polling address travels with the loop current mode: a request without
// the mode byte would let the device decide on the mode by the address.
TEST_F(DescriptionLoopback, SetPollingAddressSendsTheLoopCurrentMode)
{
    struct Case {
        const char* address;
        const char* mode;
        bool enabled;
    };
    // Each case is one the device would answer otherwise without the mode byte.
    for (const Case& c : {Case{"5", "1", true}, Case{"0", "0", false}}) {
        SCOPED_TRACE(std::string("address ") + c.address + ", mode " + c.mode);
        int32_t failed = 0;
        manager->PutValueAsText(manager->HandleOf("hartPollingAddress"), QString::fromLatin1(c.address), failed);
        EXPECT_EQ(failed, 0);
        manager->PutValueAsText(manager->HandleOf("loopCurrentMode"), QString::fromLatin1(c.mode), failed);
        EXPECT_EQ(failed, 0);

        Run(QStringLiteral("SetPollingAddress"));
        EXPECT_EQ(device.device().pollingAddress, QString::fromLatin1(c.address).toUInt());
        EXPECT_EQ(device.device().loopCurrentEnabled, c.enabled);
        // Command, response code, device status, then the two data bytes.
        const QByteArray answer = recorder->Octets(Compose(SubItemKind::RecordResponse, QStringLiteral("Write_006")));
        ASSERT_EQ(answer.size(), 5);
        EXPECT_EQ(static_cast<uint8_t>(answer[4]), c.enabled ? 1 : 0);
        EXPECT_EQ(recorder->Text("loopCurrentMode"), c.mode);
    }
}

// The sequences of the current and calibration pages bring the device's
// answer back with them: the page sees the fixed-current mode, the corrected
// value and a reset group without waiting for the next poll.
TEST_F(DescriptionLoopback, CurrentAndCalibrationSequencesReadTheDeviceBack)
{
    auto diagnosis = [&] {
        QByteArray octets;
        int32_t failed = 0;
        manager->GetOctetsValue(manager->HandleOf("diagnosisExtension"), octets, true, failed);
        return octets;
    };
    int32_t failed = 0;
    manager->PutValueAsText(manager->HandleOf("levelCurr"), QStringLiteral("20"), failed);
    ASSERT_EQ(failed, 0);
    Run(QStringLiteral("SetLevelCurr"));
    EXPECT_FLOAT_EQ(recorder->Float("Curr", true), 20.0f);
    ASSERT_EQ(diagnosis().size(), 6);
    EXPECT_TRUE(diagnosis()[3] & 0x10);
    manager->PutValueAsText(manager->HandleOf("levelCurr"), QStringLiteral("0"), failed);
    Run(QStringLiteral("SetLevelCurr"));
    EXPECT_FLOAT_EQ(recorder->Float("Curr", true), 12.0f);
    EXPECT_FALSE(diagnosis()[3] & 0x10);

    device.transmitter().setAppliedValue(sim::Measured::DifferentialPressure, 5.0);
    manager->PutValueAsText(manager->HandleOf("ptrbCalUnit"), QStringLiteral("12"), failed);
    manager->fncPutFloatValue(manager->HandleOf("ptrbCalPointLo"), 5.5f, failed);
    ASSERT_EQ(failed, 0);
    Run(QStringLiteral("SetPtrbCalPointLo"));
    EXPECT_FLOAT_EQ(recorder->Float("ptrbSecondaryValue1", true), 5.5f);
    EXPECT_FLOAT_EQ(recorder->Float("ptrbMaxSensorValue", true), 12.5f) << "before the calibration";

    Run(QStringLiteral("ResetMaxValues0"));
    EXPECT_FLOAT_EQ(recorder->Float("ptrbMaxSensorValue", true), 5.5f);
}

#include "DescriptionLoopbackTests.moc"

// One full upload of the variant with every function (revision 21 and later,
// multivariable function, PID block, user curve) reads every parameter of the
// description, and each item ends with the device's value.
TEST_F(DescriptionLoopback, FullUploadReadsEveryParameterOfTheDescription)
{
    device.transmitter().parameters().set(QStringLiteral("mvBeta"), 0.625f);
    device.transmitter().parameters().set(QStringLiteral("ptrbTabXValue_07"), 42.5f);
    device.transmitter().parameters().set(QStringLiteral("pidTagDesc"), QStringLiteral("PID LOOP 2"));
    const QStringList chain{"upload",     "upload_Revision21", "uploadMv_Revision21", "uploadTtrb",
                            "uploadMv",   "uploadPid",         "UploadUserCurve"};
    QSet<QString> read;
    const applet::Description& d = *manager->GetDescription();
    for (const QString& name : chain) {
        Run(name);
        for (const QString& record : d.FindSequence(name)->records)
            for (const applet::FieldLayout& f : d.FindRecord(record)->response)
                if (!f.item.isEmpty())
                    read.insert(applet::Description::Key(f.item));
    }
    QStringList unread;
    for (const applet::DescObject& object : d.objects)
        if (object.scope == applet::ObjectScope::Device && object.persistent
            && !read.contains(applet::Description::Key(object.name)))
            unread << object.name;
    EXPECT_TRUE(unread.isEmpty()) << "not read by the upload: " << unread.join(", ").toStdString();

    // Measured values come from the process (its time frozen), the rest as held.
    const sim::DeviceParameters& parameters = device.transmitter().parameters();
    const sim::ProcessValues process = device.transmitter().processValues();
    for (const QString& name : parameters.names()) {
        const applet::DescObject* object = d.FindObject(name);
        const QVariant value = device.transmitter().liveValue(name, process).value_or(parameters.value(name));
        EXPECT_EQ(recorder->Text(name), applet::ItemValue::ToText(object->type, value)) << name.toStdString();
    }
    EXPECT_EQ(recorder->Text("mvBeta"), "0.625");
    EXPECT_EQ(recorder->Text("pidTagDesc").trimmed(), "PID LOOP 2");
}

namespace {
// The flow computer (device type 139), whose PID block carries the totaliser.
class FlowComputerLoopback : public DescriptionLoopback {
protected:
    void SetUp() override
    {
        expandedDeviceType = 0x638B;
        DescriptionLoopback::SetUp();
    }
};
} // namespace

TEST_F(FlowComputerLoopback, TotaliserSequenceActsAndADownloadLeavesTheRunningTotal)
{
    device.transmitter().setAppliedValue(sim::Measured::DifferentialPressure, 4.0);
    Run(QStringLiteral("Upload"));
    int32_t failed = 0;
    manager->PutValueAsText(manager->HandleOf("pidModeBlkPermitted"), QStringLiteral("1"), failed);
    ASSERT_EQ(failed, 0);
    Run(QStringLiteral("downloadPid"));
    manager->PutValueAsText(manager->HandleOf("pidModeBlkNormal"), QStringLiteral("1"), failed);
    ASSERT_EQ(failed, 0);
    Run(QStringLiteral("SetPidModeBlk"));
    EXPECT_TRUE(device.device().totaliser.running());
    EXPECT_EQ(recorder->Text("pidModeBlkNormal"), "1");

    device.transmitter().freezeProcessTime(sim::Totaliser::kHourMs);
    Run(QStringLiteral("uploadPid"));
    const float total = recorder->Float("pidLoLim");
    EXPECT_GT(total, 0.0f);
    EXPECT_EQ(recorder->Octets("pidInValue"), QByteArray::fromHex("00010000"));

    // The running total is the device's: a download does not write it back.
    manager->fncPutFloatValue(manager->HandleOf("pidLoLim"), 0.0f, failed);
    Run(QStringLiteral("Download"));
    EXPECT_TRUE(device.device().totaliser.running());
    Run(QStringLiteral("uploadPid"));
    EXPECT_FLOAT_EQ(recorder->Float("pidLoLim"), total);
}
