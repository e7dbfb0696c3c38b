// The flow calculation with the real engine against the simulated
// transmitter: an orifice plate configured in the DTM, calculated, written to
// the device with the multivariable block's write sequences; the device then
// measures the mass flow the standard gives for the differential pressure it
// sees. A calculation that fails asks for the abort, so the writer that
// requested it starts no download and the device keeps its coefficients.
#include "ConnectedRuleSupport.h"
#include "FlowCalculationSupport.h"
#include "pioextensions/clsSequenceItem.h"
#include "platform/applet/AppletItem.h"
#include "pioextensions/enmRegMask.h"
#include "tests/common/OrificePlateReference.h"
#include "fennick/services/Publics.h"
#include <QDir>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <QList>
#include <QMap>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QPair>

namespace {

using namespace flowtest;

const QString kAbort = QStringLiteral("abortSequences");
// The writes of the multivariable block: its two parts, then the reference
// values and the materials of revision 21 and later.
const QList<int> kDownloadCommands = {153, 154, 156, 158};

class FlowDownload : public FlowApplet {
protected:
    void SetUp() override
    {
        if (!Ready())
            return;
        flowcalc::RegisterFlowcalcClasses();
        m_recording = QObject::connect(&applet.device, &sim::SimServer::requestHandled,
                                       [this](int command, int code) { answered.append({command, code}); });
    }
    // The device outlives the list it records into.
    void TearDown() override { QObject::disconnect(m_recording); }


    // What the save-to-device view does: clear the abort, request the
    // calculation, and download only when nothing asked for the abort. Its
    // first sequence starts the download chain, which goes on through the
    // other blocks' writes, the multivariable block's revision-21 write
    // included, until "TransferCompleted" reports the end.
    bool CalculateAndDownload()
    {
        applet.PutText(kAbort, QStringLiteral("0"));
        RequestCalculation();
        if (applet.Text(kAbort) != QStringLiteral("0"))
            return false;
        return RunChain(QStringLiteral("downloadAi"));
    }
    // Starts the first sequence of a transfer and waits for the chain's good end.
    bool RunChain(const QString& first)
    {
        clsSequenceItem sequence;
        sequence.Register(applet.manager, first, false, 0, REGISTER_STATE);
        Settle();
        ItemLog transfer(applet.manager);
        transfer.Watch(QStringLiteral("XXXTransferCompletedXXX"), QStringLiteral("completed"));
        Settle();
        transfer.changes.clear();
        sequence.Start();
        EXPECT_TRUE(RunUntil([&] {
            return transfer.changes.contains(QStringLiteral("completed=0"))
                   && applet.Text(QStringLiteral("XXXTransferCompletedXXX")) == QStringLiteral("1")
                   && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        })) << transfer.changes.join(QLatin1Char(' ')).toStdString();
        Settle();
        return true;
    }

    // The device's flow (kg/s) at dp (mbar), 5 bar and 20 C.
    double MeasuredMassFlow(double dpMbar)
    {
        return orificereference::MeasuredMassFlow(applet.device.transmitter(), dpMbar);
    }

    // Every item of the applet by name, as text.
    QMap<QString, QString> Snapshot() const
    {
        QMap<QString, QString> items;
        for (int32_t handle = 1; handle <= applet.manager->ItemCount(); ++handle)
            if (const applet::AppletItem* item = applet.manager->Item(handle))
                items.insert(item->Name(), applet.Text(item->Name()));
        return items;
    }

    QList<QPair<int, int>> answered;
    QMetaObject::Connection m_recording;
};

using orificereference::StandardMassFlow;

// Every result of the record times factor. The record's doubles sit on 4-byte
// boundaries: copied by value, never reached through a pointer.
flowcalc::MvCalculationOutput Scaled(flowcalc::MvCalculationOutput out, double factor)
{
    using Out = flowcalc::MvCalculationOutput;
    char* bytes = reinterpret_cast<char*>(&out);
    for (size_t offset = 0; offset + sizeof(double) <= sizeof(Out);) {
        if (offset == offsetof(Out, warningTextRef)) {
            offset += sizeof(out.warningTextRef);
            continue;
        }
        double value = 0;
        std::memcpy(&value, bytes + offset, sizeof value);
        value *= factor;
        std::memcpy(bytes + offset, &value, sizeof value);
        offset += sizeof value;
    }
    return out;
}

TEST_F(FlowDownload, CalculatedAndDownloadedTheDeviceMeasuresTheStandardsMassFlow)
{
    FLOW_REQUIRE_APPLET();
    ASSERT_TRUE(ConnectAndIdentify(applet));
    ConfigureOrificePlate();

    ASSERT_TRUE(CalculateAndDownload());
    for (int command : kDownloadCommands)
        EXPECT_TRUE(answered.contains({command, 0})) << command;
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0"));

    for (double dp : {100.0, 250.0, 400.0}) {
        SCOPED_TRACE(dp);
        EXPECT_NEAR(MeasuredMassFlow(dp) / StandardMassFlow(dp), 1.0, 1e-3);
    }
}

TEST_F(FlowDownload, AFailedCalculationStartsNoDownloadAndTheDeviceKeepsItsCoefficients)
{
    FLOW_REQUIRE_APPLET();
    ASSERT_TRUE(ConnectAndIdentify(applet));
    ConfigureOrificePlate();
    ASSERT_TRUE(CalculateAndDownload());
    const double flow = MeasuredMassFlow(100);
    const QString kqm = applet.Text(QStringLiteral("mvKqm"));

    // A diameter ratio the corner-tapped plate does not allow.
    applet.PutText(QStringLiteral("mvBeta"), QStringLiteral("0.8"));
    answered.clear();
    ErrorTraces traces;
    EXPECT_FALSE(CalculateAndDownload());
    Settle();
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("1"));
    EXPECT_TRUE(answered.isEmpty());
    EXPECT_TRUE(traces.Contains(QStringLiteral("flow calculation failed")));
    EXPECT_EQ(applet.Text(QStringLiteral("mvKqm")), kqm);
    EXPECT_EQ(MeasuredMassFlow(100), flow);
}

TEST_F(FlowDownload, APressureUnitChangedInAutomaticModeLeavesTheDevicesFlowAsItWas)
{
    FLOW_REQUIRE_APPLET();
    ASSERT_TRUE(ConnectAndIdentify(applet));
    ConfigureOrificePlate();
    applet.PutText(QStringLiteral("ptrbScaleInUnit"), QStringLiteral("8"));
    ASSERT_TRUE(CalculateAndDownload());
    const double before = MeasuredMassFlow(100);

    // The user measures the differential pressure in bar; the pressure rules
    // copy the unit into the flow block, whose values keep their quantities.
    applet.PutText(QStringLiteral("ptrbScaleInUnit"), QStringLiteral("7"));
    EXPECT_EQ(applet.Text(QStringLiteral("mvInDPUnit")), QStringLiteral("7"));
    EXPECT_NEAR(Number(QStringLiteral("mvDpr")), 0.25, 1e-6);
    EXPECT_NEAR(Number(QStringLiteral("mvInDpHiLim")), 0.25, 1e-6);
    ASSERT_TRUE(CalculateAndDownload());
    EXPECT_NEAR(MeasuredMassFlow(100) / before, 1.0, 1e-4);
}

// The transmitter leaves the factory with the flow set-up its inputs give:
// calculated again, not one item the calculation writes changes. Which items
// it writes is taken from the calculation itself: an engine whose results
// differ from every item, run twice with other results, changes each of them.
TEST_F(FlowDownload, TheTransmittersFactorySetUpIsWhatTheCalculationGives)
{
    FLOW_REQUIRE_APPLET();
    ASSERT_TRUE(ConnectAndIdentify(applet));
    ASSERT_TRUE(RunChain(QStringLiteral("upload")));
    const QMap<QString, QString> factory = Snapshot();
    ErrorTraces traces;
    applet.PutText(kAbort, QStringLiteral("0"));
    RequestCalculation();
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0"));
    EXPECT_FALSE(traces.Contains(QStringLiteral("flow calculation failed"))) << traces.lines.join('\n').toStdString();
    const QMap<QString, QString> calculated = Snapshot();

    EngineDouble::Install();
    const flowcalc::MvCalculationOutput other = Scaled(EngineDouble::Results(), 1.25);
    QSet<QString> written;
    QMap<QString, QString> before = calculated;
    for (const flowcalc::MvCalculationOutput& results : {EngineDouble::Results(), other}) {
        EngineDouble::script().output = results;
        RequestCalculation();
        const QMap<QString, QString> after = Snapshot();
        for (auto it = after.begin(); it != after.end(); ++it)
            if (before.value(it.key()) != it.value())
                written.insert(it.key());
        before = after;
    }
    EXPECT_EQ(EngineDouble::script().calls, 2);
    written.remove(clsMvCalculation::kCalculateMv);
    ASSERT_GE(written.size(), 20) << QStringList(written.values()).join(' ').toStdString();
    for (const QString& item : written) {
        SCOPED_TRACE(item.toStdString());
        bool numbers = false;
        const double was = factory.value(item).toDouble(&numbers);
        const double is = calculated.value(item).toDouble(&numbers);
        if (numbers)
            EXPECT_NEAR(is, was, 1e-5 * std::max(1.0, std::abs(was))) << "calculated " << is;
        else
            EXPECT_EQ(calculated.value(item), factory.value(item));
    }
    EXPECT_NEAR(calculated.value(QStringLiteral("mvOutVolFlowMaxValue")).toDouble(), 36.0, 0.01);
    EXPECT_NEAR(calculated.value(QStringLiteral("mvKQCL")).toDouble(), 86.83, 0.01);
}

TEST_F(FlowDownload, ARefusedCalculationNamesTheValueByItsLabelInTheUsersLanguage)
{
    FLOW_REQUIRE_APPLET();
    ConfigureOrificePlate();
    applet.PutText(QStringLiteral("mvDpr"), QStringLiteral("0"));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), -1);
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    RequestCalculation();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].text,
              QStringLiteral("MV calculation error.\nReference differential pressure (0) must be above 0."));

    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    RequestCalculation();
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    const QString german = dialogs.Requests()[1].text;
    EXPECT_TRUE(german.endsWith(QStringLiteral("\nReferenz-Differenzdruck (0) muss größer als 0 sein.")))
        << german.toStdString();
    EXPECT_FALSE(german.contains(QStringLiteral("mvdpr"), Qt::CaseInsensitive));
}

// Every multivariable device type of every default-dataset database, with
// each of its measuring cells and static-pressure ranges, written as the
// new-dataset dialog writes it: the flow calculation takes the set-up.
TEST_F(FlowDownload, EveryDefaultMultivariableDatasetCalculates)
{
    FLOW_REQUIRE_APPLET();
    Revision(22);
    const QDir folder(Publics::GetTdxDescriptionDir() + QStringLiteral("COM_HART/_0063/_0_0089/"));
    const QStringList files = folder.entryList({QStringLiteral("*.mdb")}, QDir::Files);
    ASSERT_EQ(files.size(), 5);
    int calculated = 0;
    for (const QString& file : files) {
        const QString connection = QStringLiteral("defaults-") + file;
        struct Closed {
            QString name;
            ~Closed() { QSqlDatabase::removeDatabase(name); }
        } closed{connection};
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(folder.filePath(file));
        ASSERT_TRUE(db.open()) << file.toStdString();
        const auto rows = [&db](const QString& sql, const QStringList& arguments = {}) {
            QSqlQuery query(db);
            query.prepare(sql);
            for (const QString& argument : arguments)
                query.addBindValue(argument);
            EXPECT_TRUE(query.exec()) << sql.toStdString();
            QList<QStringList> result;
            while (query.next())
                result.append({query.value(0).toString(), query.value(1).toString()});
            return result;
        };
        const auto types = rows(QStringLiteral("SELECT DeviceType, ObjectValue FROM ViewSpecificDevicedata "
                                               "WHERE ObjectName = 'pbMultivariableFunction' AND ObjectValue = '1'"));
        for (const QStringList& type : types) {
            for (const QStringList& range : rows(QStringLiteral("SELECT Label, SortOrder FROM ViewDeviceTypePRanges "
                                                                "WHERE DeviceType = ?"),
                                                 {type[0]})) {
                for (const QStringList& pstat :
                     rows(QStringLiteral("SELECT Label, SortOrder FROM ViewDeviceTypePstatRangesSorted "
                                         "WHERE DeviceType = ? AND PRange = ?"),
                          {type[0], range[0]})) {
                    SCOPED_TRACE((file + ' ' + type[0] + ' ' + range[0] + ' ' + pstat[0]).toStdString());
                    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("ReadDefaultdataset"));
                    for (const auto& [sql, arguments] : std::initializer_list<std::pair<QString, QStringList>>{
                             {QStringLiteral("SELECT ObjectName, ObjectValue FROM ViewGeneralDevicedata"), {}},
                             {QStringLiteral("SELECT ObjectName, ObjectValue FROM ViewSpecificDevicedata "
                                             "WHERE DeviceType = ?"),
                              {type[0]}},
                             {QStringLiteral("SELECT ObjectName, ObjectValue FROM ViewPRangeData "
                                             "WHERE DeviceType = ? AND PRange = ?"),
                              {type[0], range[0]}},
                             {QStringLiteral("SELECT ObjectName, ObjectValue FROM ViewPstatRangeData "
                                             "WHERE PstatRange = ?"),
                              {pstat[0]}}})
                        for (const QStringList& row : rows(sql, arguments)) {
                            // A row the description refuses is passed over, as the dialog does.
                            int32_t failed = 0;
                            applet.manager->fncPutString(applet.manager->HandleOf(row[0]), row[1], failed);
                        }
                    applet.PutText(QStringLiteral("currentSequence"), QString());
                    FunctionOnInAuto();
                    ErrorTraces traces;
                    applet.PutText(kAbort, QStringLiteral("0"));
                    RequestCalculation();
                    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0")) << traces.lines.join('\n').toStdString();
                    ++calculated;
                }
            }
        }
    }
    EXPECT_GT(calculated, 20);
}

} // namespace
