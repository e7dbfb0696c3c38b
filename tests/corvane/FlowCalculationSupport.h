#pragma once
// What the flow-calculation tests share: an engine double put in the class
// registry in place of the engine (it records what it was handed and fails,
// warns or succeeds as told), and the applet with the multivariable function
// on and its block in automatic mode, so that "calculateMV" 1 calculates.
#include "CorvaneTestSupport.h"
#include "corvane/rules/clsMvCalculation.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/flowcalc/FlowcalcClasses.h"
#include "platform/flowcalc/IMvCalculationEngine.h"

namespace flowtest {

using namespace corvanetest;

class EngineDouble : public automation::ComObject, public flowcalc::IMvCalculationEngine {
public:
    enum class Mode { Succeed, Warn, Fail };
    struct Script {
        Mode mode = Mode::Succeed;
        int calls = 0;
        int16_t countryCode = 0;
        flowcalc::MvCalculationInput input;
        QString revision;
        flowcalc::MvCalculationOutput output = Results();
    };
    static Script& script()
    {
        static Script s;
        return s;
    }
    // Results every field of which is told apart from the others.
    static flowcalc::MvCalculationOutput Results()
    {
        flowcalc::MvCalculationOutput out;
        out.mvRemin = 5000;
        out.mvKqm = 0.0111;
        out.mvK[0] = 1.6e-05;
        out.mvK[1] = 1.2e-05;
        out.mvZr = 0.98;
        out.mvHt[0] = 1000.5;
        out.mvHt[1] = -0.125;
        out.mvHt[2] = -0.0035;
        out.mvMolN2 = 0.05;
        const double c[6] = {0.601, 0.602, 0.603, 20000, 63200, 200000};
        for (int i = 0; i < 6; ++i)
            out.mvC[i] = c[i];
        out.mvEpsilon[0] = 0.99;
        out.mvEpsilon[1] = 0.98;
        out.mvEpsilon[2] = 0.97;
        out.mvRhor = 998.2;
        out.mvTr = 20;
        out.mvKQCL = 75;
        out.mvOutVolFlowMaxValue = 0.01;
        out.mvInTHiLim = 80;
        out.MvInTLoLIm = 5;
        return out;
    }
    static void Install()
    {
        script() = Script();
        automation::ClassRegistry::instance().Register(flowcalc::kMvCalculationEngineProgId,
                                                       flowcalc::kMvCalculationEngineClassId,
                                                       [] { return std::make_shared<EngineDouble>(); });
    }

    void SetCountryCode(int16_t& countryCode) override { script().countryCode = countryCode; }
    void Calculate(const flowcalc::MvCalculationInput& input, const QString& softwareRevision,
                   flowcalc::MvCalculationOutput& output, int32_t& status, QString& warningText) override
    {
        Script& s = script();
        ++s.calls;
        s.input = input;
        s.revision = softwareRevision;
        if (s.mode == Mode::Fail)
            throw automation::ComError(automation::E_FAIL_, QStringLiteral("Diameter ratio outside 0.1 to 0.75"),
                                       QStringLiteral("MvCalculationEngine"));
        output = s.output;
        status = s.mode == Mode::Warn ? flowcalc::kMvStatusWarning : flowcalc::kMvStatusOk;
        warningText = s.mode == Mode::Warn ? QStringLiteral("Reynolds number below the range") : QString();
    }
};

inline void FunctionOnInAuto(CorvaneApplet& applet)
{
    applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    applet.PutNumber(QStringLiteral("mvModeBlkActual"), 8);
}

// Revisions above 21 are told by the extended revision octets.
inline void SetRevision(CorvaneApplet& applet, int revision)
{
    int32_t failed = 0;
    applet.manager->fncPutOctetsValue(applet.manager->HandleOf(QStringLiteral("pbSoftwareSpecHOLLEN")),
                                      QByteArray(1, static_cast<char>(revision)) + QByteArray(2, '\0'), failed);
    EXPECT_EQ(failed, 0);
    applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision);
}

// Water through an orifice plate with corner tappings, beta 0.5 in a 100 mm
// pipe; designed for 250 mbar at 5 bar and 20 C, Re 2e5; the function on,
// revision 22.
inline void ConfigureOrificePlate(CorvaneApplet& applet)
{
    FunctionOnInAuto(applet);
    SetRevision(applet, 22);
    const std::pair<const char*, const char*> values[] = {
        {"mvMediumType", "1"},  {"mvBlendeDuese", "1"},  {"mvh0", "250"},          {"mvMolCO2", "250"},
        {"mvReserved6", "49"},  {"mvReserved5", "100"},  {"mvBeta", "0.5"},        {"mvReDr", "200000"},
        {"mvInTUnit", "32"},    {"mvInTLoLim", "0"},     {"mvInTHiLim", "80"},     {"mvInPUnit", "7"},
        {"mvPr", "5"},          {"mvInPLoLim", "1"},     {"mvInPHiLim", "10"},     {"mvInDPUnit", "8"},
        {"mvDpr", "250"},       {"mvInDpLoLim", "0"},    {"mvInDpHiLim", "500"},   {"mvKapa", "1.4"},
        {"mvKQCL", "100"},      {"mvDensityUnit", "92"}, {"mvRhor", "998.2"},      {"mvTr", "20"},
        {"mvOutMassFlowUnit", "73"}, {"mvOutMassFlowMaxValue", "0"}, {"mvOutVolFlowUnit", "19"},
    };
    for (const auto& [item, value] : values)
        applet.PutText(QLatin1String(item), QLatin1String(value));
}

// The applet with the calculation ready to run and a scripted dialog service.
class FlowApplet : public ::testing::Test {
protected:
    FlowApplet()
    {
        dialogs.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    }
    ~FlowApplet() override { flowcalc::RegisterFlowcalcClasses(); }

    bool Ready() const { return applet.Ready() && applet.View(); }
    std::shared_ptr<clsMvCalculation> Calculation() const
    {
        return applet.Find<clsMvCalculation>(QStringLiteral("clsMvCalculation"));
    }
    void FunctionOnInAuto() { flowtest::FunctionOnInAuto(applet); }
    void Revision(int revision) { SetRevision(applet, revision); }
    void ConfigureOrificePlate() { flowtest::ConfigureOrificePlate(applet); }

    void OpenForm() { applet.PutNumber(QStringLiteral("&&private_FDT&&ActiveForms"), 1); }
    void RequestCalculation() { applet.PutText(clsMvCalculation::kCalculateMv, QStringLiteral("1")); }
    double Number(const QString& item) const
    {
        bool ok = false;
        const double value = applet.Text(item).toDouble(&ok);
        return ok ? value : -12345;
    }

    HomeFolder home;
    CorvaneApplet applet;
    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService installed{dialogs};
};

#define FLOW_REQUIRE_APPLET()                                                                                         \
    if (!Ready())                                                                                                     \
    GTEST_FAIL() << "no staged Trivex description"

} // namespace flowtest
