// The transmitter's flow follows the coefficients the flow calculation
// downloads: the description offers the calculation's own codes, a download
// over the device-dependent commands changes the measured flow to the
// calculated one, and without a usable set the flow keeps the square-root law.
#include "platform/flowcalc/FlowcalcTables.h"
#include "platform/flowcalc/Iso5167.h"
#include "platform/flowcalc/MvFlowModel.h"
#include "tests/platform/flowcalc/EngineTestSupport.h"
#include "sim/SimUnits.h"
#include "tests/sim/TransmitterFixture.h"
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace comm;
using simtest::requestOf;
using simtest::Transmitter;
using simtest::writerOf;

namespace {

QString Capitalised(const char* name)
{
    QString text = QString::fromUtf8(name);
    text[0] = text[0].toUpper();
    return text;
}

class MvFlow : public Transmitter {
protected:
    void write(const char* item, const QVariant& value)
    {
        SCOPED_TRACE(item);
        const sim::DescribedCommand* writer = writerOf(device, QLatin1String(item));
        ASSERT_NE(writer, nullptr);
        EXPECT_EQ(ask(static_cast<uint8_t>(writer->number), requestOf(device, *writer, QLatin1String(item), value))
                      .responseCode,
                  0);
    }
    void writeFloat(const char* item, double value) { write(item, static_cast<float>(value)); }

    // What the calculation writes back, in the device's default units
    // (kg/m3, degC, bar, m3/h).
    void download(const flowcalc::MvCalculationInput& in, const flowcalc::MvCalculationOutput& out)
    {
        write("mvMediumType", static_cast<unsigned>(in.mvMediumType));
        writeFloat("mvBeta", in.mvBeta);
        writeFloat("mvPr", in.mvPr);
        writeFloat("mvKqm", out.mvKqm);
        writeFloat("mvK1", out.mvK[0]);
        writeFloat("mvK2", out.mvK[1]);
        writeFloat("mvZr", out.mvZr);
        writeFloat("mvMolN2", out.mvMolN2);
        const char* const ht[] = {"mvHt1", "mvHt2", "mvHt3"};
        const char* const c[] = {"mvC1", "mvC2", "mvC3", "mvReserved2", "mvReserved3", "mvReserved4"};
        const char* const eps[] = {"mvEpsilon1", "mvEpsilon2", "mvEpsilon3"};
        for (int i = 0; i < 3; ++i) {
            writeFloat(ht[i], out.mvHt[i]);
            writeFloat(eps[i], out.mvEpsilon[i]);
        }
        for (int i = 0; i < 6; ++i)
            writeFloat(c[i], out.mvC[i]);
        writeFloat("mvRhor", out.mvRhor);
        writeFloat("mvTr", out.mvTr);
        writeFloat("mvOutVolFlowMaxValue", out.mvOutVolFlowMaxValue * 3600.0);
    }

    // The flow device variable (command 9), m3/h.
    double flow()
    {
        const QByteArray data = ask(9, QByteArray::fromHex("03")).data;
        HartDataReader r(data);
        r.u8();   // extended status
        EXPECT_EQ(r.u8(), sim::Variable::Flow);
        r.u8();   // classification
        EXPECT_EQ(r.u8(), sim::UnitCode::CubicMetresPerHour);
        return r.f32();
    }

    // Holds the process at dp (kPa), static pressure (kPa absolute) and temperature.
    void hold(double dpKPa, double spKPa, double tC)
    {
        device.process().setOverride(sim::Variable::DifferentialPressure, dpKPa);
        device.process().setOverride(sim::Variable::StaticPressure, spKPa);
        device.process().setOverride(sim::Variable::Temperature, tC);
    }
};

} // namespace

TEST_F(Transmitter, DescriptionOffersTheFlowCalculationsCodesInItsWords)
{
    const applet::Description& d = device.parameters().description();
    struct Enum {
        const char* enumeration;
        const char* item;
        std::function<const char*(int32_t)> name;
    } enums[] = {
        {"MediumType", "mvMediumType",
         [](int32_t code) { return flowcalc::FindMedium(code) ? flowcalc::FindMedium(code)->name : nullptr; }},
        {"PrimaryElement", "mvBlendeDuese",
         [](int32_t code) {
             return flowcalc::FindPrimaryElement(code) ? flowcalc::FindPrimaryElement(code)->name : nullptr;
         }},
        {"ElementMaterial", "mvh0",
         [](int32_t code) { return flowcalc::FindMaterial(code) ? flowcalc::FindMaterial(code)->name : nullptr; }},
        {"ElementMaterial", "mvMolCO2",
         [](int32_t code) { return flowcalc::FindMaterial(code) ? flowcalc::FindMaterial(code)->name : nullptr; }},
    };
    for (const Enum& e : enums) {
        SCOPED_TRACE(e.item);
        const applet::DescObject* object = d.FindObject(QLatin1String(e.item));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->enumeration, QLatin1String(e.enumeration));
        const applet::DescEnumeration* enumeration = d.FindEnumeration(QLatin1String(e.enumeration));
        ASSERT_NE(enumeration, nullptr);
        int engineCodes = 0;
        for (int32_t code = 0; code < 256; ++code)
            engineCodes += e.name(code) != nullptr;
        EXPECT_EQ(enumeration->entries.size(), engineCodes);
        for (const applet::DescEnumEntry& entry : enumeration->entries) {
            const char* name = e.name(entry.value);
            ASSERT_NE(name, nullptr) << entry.value;
            EXPECT_EQ(entry.text, Capitalised(name)) << entry.value;
        }
    }
}

TEST_F(MvFlow, DownloadedCoefficientsGiveTheCalculatedMassFlow)
{
    // Water through an orifice plate with corner tappings, beta 0.5, D 100 mm.
    const flowcalc::MvCalculationInput in = WaterThroughOrifice();
    const EngineResult r = Calculate(in);
    ASSERT_EQ(r.status, 0) << r.warning.toStdString();
    download(in, r.out);

    // At 100 mbar, 5 bar, 20 C: the standard's mass flow with C at the
    // Reynolds number of that flow (Re scales with the flow from the design
    // point 2e5 at 8.675 kg/s, the flow the engine computes for 250 mbar).
    hold(10.0, 500.0, 20.0);
    const double designFlow = 8.67526472203932;
    double expected = designFlow;
    for (int i = 0; i < 50; ++i)
        expected = flowcalc::Iso5167::MassFlow(
            flowcalc::Iso5167::OrificeDischargeCoefficient(flowcalc::Iso5167::OrificeTapping::Corner, 0.5,
                                                           2e5 * expected / designFlow, 100),
            0.5, 1.0, 0.05, 1e4, 998.2);
    const double engineFlow =
        flowcalc::MvFlowFromCoefficients(flowcalc::FlowCoefficientsFrom(in, r.out), 100, 5, 20).massFlow;
    const double measured = flow() * 998.2 / 3600.0;
    EXPECT_NEAR(measured / expected, 1.0, 1e-3);
    EXPECT_NEAR(measured / engineFlow, 1.0, 1e-3);
    // The block's mass flow output (kg/s as delivered) is the model's too.
    EXPECT_NEAR(reported(QStringLiteral("mvOutMassFlowValue")).toDouble() / engineFlow, 1.0, 1e-3);

    // The flow follows the differential pressure through the same model.
    hold(40.0, 500.0, 20.0);
    const double atFourHundred =
        flowcalc::MvFlowFromCoefficients(flowcalc::FlowCoefficientsFrom(in, r.out), 400, 5, 20).massFlow;
    EXPECT_NEAR(flow() * 998.2 / 3600.0 / atFourHundred, 1.0, 1e-3);
    hold(0.0, 500.0, 20.0);
    EXPECT_EQ(flow(), 0.0);

    // The same coefficients held in other units give the same flow.
    hold(10.0, 500.0, 20.0);
    write("mvDensityUnit", 91u);   // g/cm3
    writeFloat("mvRhor", r.out.mvRhor / 1000.0);
    write("mvOutVolFlowUnit", 17u);   // l/min
    writeFloat("mvOutVolFlowMaxValue", r.out.mvOutVolFlowMaxValue * 60000.0);
    EXPECT_NEAR(flow() * 998.2 / 3600.0 / expected, 1.0, 1e-3);
}

TEST_F(MvFlow, WithoutAUsableCoefficientSetTheFlowKeepsTheSquareRootLaw)
{
    // The square-root law: 10 m3/h at 1 kPa.
    device.parameters().set(QStringLiteral("mvKqm"), 0.0f);
    hold(16.0, 500.0, 20.0);
    const double fallback = sim::ProcessModel::kDefaultFlowCoefficient * 4.0;
    EXPECT_NEAR(flow(), fallback, 1e-4);   // as delivered: no flow constant

    const flowcalc::MvCalculationInput in = WaterThroughOrifice();
    const EngineResult r = Calculate(in);
    download(in, r.out);
    EXPECT_GT(std::fabs(flow() - fallback), 1.0);

    // No 100 % flow, then a density unit the flow block cannot convert.
    writeFloat("mvOutVolFlowMaxValue", 0);
    EXPECT_NEAR(flow(), fallback, 1e-4);
    writeFloat("mvOutVolFlowMaxValue", r.out.mvOutVolFlowMaxValue * 3600.0);
    EXPECT_GT(std::fabs(flow() - fallback), 1.0);
    write("mvDensityUnit", 98u);   // lb/in3
    EXPECT_NEAR(flow(), fallback, 1e-4);
    write("mvDensityUnit", 92u);
    writeFloat("mvKqm", -1);
    EXPECT_NEAR(flow(), fallback, 1e-4);
}

// Below revision 21 the flow block holds its reference pressure and
// temperature and its compressibility points in bar and degrees Celsius,
// below 22 its reference densities in kg/m3, whatever its unit items say: the
// calculation hands them over so. From those revisions on they are in the
// unit items' units. Either way the device measures the calculated flow.
TEST_F(MvFlow, TheReferenceValuesAreReadInTheUnitsTheRevisionHoldsThemIn)
{
    // Natural gas with a compressibility matrix (the standard volume flow),
    // and a gas at its design temperature (the operating volume flow).
    // Its factors change strongly over the matrix, so that a point read in
    // the wrong unit shows in the flow.
    flowcalc::MvCalculationInput matrix = WaterThroughOrifice();
    UseGasMatrix(matrix);
    matrix.mvRhor = 4.0;
    matrix.mvInTHiLim = 40;
    for (int t = 0; t < 3; ++t)
        for (int p = 0; p < 3; ++p)
            matrix.mvZkb[3 * t + p] = 1.0 - 0.04 * p - 0.02 * t;
    flowcalc::MvCalculationInput designTemperature = WaterThroughOrifice();
    designTemperature.mvMediumType = 7;
    designTemperature.mvRhor = 5.9;
    designTemperature.mvTr = 60;
    designTemperature.mvInPLoLim = 1.5;

    const auto fahrenheit = [](double c) { return c * 1.8 + 32.0; };
    for (const flowcalc::MvCalculationInput& in : {matrix, designTemperature}) {
        const EngineResult r = Calculate(in);
        ASSERT_NE(r.status, -1);
        for (const uint8_t revision : {20, 22}) {
            SCOPED_TRACE(testing::Message() << "medium " << in.mvMediumType << ", revision " << int(revision));
            device.device().softwareRevision = revision;
            const bool barAndCelsius = revision < 21;
            const bool kgPerM3 = revision < 22;
            // The inputs in mbar, degrees Fahrenheit and g/cm3.
            write("mvInPUnit", 8u);
            write("mvInTUnit", 33u);
            write("mvDensityUnit", 91u);
            download(in, r.out);
            const auto pressure = [&](double bar) { return barAndCelsius ? bar : bar * 1000.0; };
            const auto temperature = [&](double c) { return barAndCelsius ? c : fahrenheit(c); };
            const auto density = [&](double kgM3) { return kgPerM3 ? kgM3 : kgM3 / 1000.0; };
            writeFloat("mvPr", pressure(in.mvPr));
            writeFloat("mvTr", temperature(r.out.mvTr));
            writeFloat("mvRhor", density(r.out.mvRhor));
            writeFloat("mvRhoNorm", density(in.mvRhonorm));
            for (int i = 0; i < 3; ++i) {
                writeFloat(QStringLiteral("mvPkb%1").arg(i + 1).toLatin1().constData(), pressure(in.mvPkb[i]));
                writeFloat(QStringLiteral("mvTkb%1").arg(i + 1).toLatin1().constData(), temperature(in.mvTkb[i]));
            }
            for (int i = 0; i < 9; ++i)
                writeFloat(QStringLiteral("mvZkb%1").arg(i + 1).toLatin1().constData(), in.mvZkb[i]);

            // At 100 mbar, 5 bar and 20 C: the flow the calculation's model gives.
            hold(10.0, 500.0, 20.0);
            const flowcalc::MvFlowValues model =
                flowcalc::MvFlowFromCoefficients(flowcalc::FlowCoefficientsFrom(in, r.out), 100, 5, 20);
            const double perHour = (in.mvMediumType == 4 ? model.flow : model.massFlow / model.density) * 3600.0;
            ASSERT_GT(perHour, 0.0);
            EXPECT_NEAR(flow() / perHour, 1.0, 1e-3);
        }
    }
}
