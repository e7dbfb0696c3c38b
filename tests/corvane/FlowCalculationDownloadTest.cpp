// The flow calculation with the real engine against the simulated
// transmitter: an orifice plate configured in the DTM, calculated, written to
// the device with the multivariable block's write sequences; the device then
// measures the mass flow the standard gives for the differential pressure it
// sees. A calculation that fails asks for the abort, so the writer that
// requested it starts no download and the device keeps its coefficients.
#include "FlowCalculationSupport.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/flowcalc/Iso5167.h"
#include "sim/ProcessModel.h"
#include <QList>
#include <QPair>

namespace {

using namespace flowtest;
using flowcalc::Iso5167::MassFlow;
using flowcalc::Iso5167::OrificeDischargeCoefficient;
using flowcalc::Iso5167::OrificeTapping;

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

    // Connected, with the identification the connection starts over.
    bool ConnectAndIdentify()
    {
        ItemLog identification(applet.manager);
        identification.Watch(QStringLiteral("currentSequence"), QStringLiteral("running"));
        if (!applet.Connect())
            return false;
        return RunUntil([&] {
            return identification.changes.contains(QStringLiteral("running=GetDeviceInfo"))
                   && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        });
    }

    // What the save-to-device view does: clear the abort, request the
    // calculation, and download only when nothing asked for the abort. The
    // multivariable block's write starts the frame's download chain, which
    // goes on through the other blocks' writes, the block's revision-21
    // write included, until "TransferCompleted" reports the end.
    bool CalculateAndDownload()
    {
        applet.PutText(kAbort, QStringLiteral("0"));
        RequestCalculation();
        if (applet.Text(kAbort) != QStringLiteral("0"))
            return false;
        clsSequenceItem sequence;
        sequence.Register(applet.manager, QStringLiteral("downloadMv"), false, 0, REGISTER_STATE);
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
        auto& process = applet.device.transmitter().process();
        process.setOverride(sim::Variable::DifferentialPressure, dpMbar / 10.0);   // kPa
        process.setOverride(sim::Variable::StaticPressure, 500.0);
        process.setOverride(sim::Variable::Temperature, 20.0);
        const double m3PerHour = applet.device.transmitter().processValues().value[sim::Variable::Flow];
        return m3PerHour * 998.2 / 3600.0;
    }

    QList<QPair<int, int>> answered;
    QMetaObject::Connection m_recording;
};

// The standard's mass flow (kg/s) through the plate at dp (mbar): C follows
// the Reynolds number, which scales with the flow from 2e5 at the design flow.
double StandardMassFlow(double dpMbar)
{
    const auto flow = [](double reynolds, double dp) {
        return MassFlow(OrificeDischargeCoefficient(OrificeTapping::Corner, 0.5, reynolds, 100), 0.5, 1.0, 0.05,
                        dp * 100.0, 998.2);
    };
    const double design = flow(2e5, 250);
    double q = design;
    for (int i = 0; i < 50; ++i)
        q = flow(2e5 * q / design, dpMbar);
    return q;
}

TEST_F(FlowDownload, CalculatedAndDownloadedTheDeviceMeasuresTheStandardsMassFlow)
{
    FLOW_REQUIRE_APPLET();
    ASSERT_TRUE(ConnectAndIdentify());
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
    ASSERT_TRUE(ConnectAndIdentify());
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

} // namespace
