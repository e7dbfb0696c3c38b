// Converting values between unit codes on the connected bus: the bus is read
// on every call, unknown codes and failed arithmetic leave the value as it
// was (with a trace), and nothing is refused for mixing quantities.
#include "DeviceInfoTestSupport.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "tests/common/HartLoopbackSupport.h"
#include "tests/pioextensions/ErrorTraces.h"
#include <limits>

using namespace deviceinfotest;

namespace {

class UnitConversionTest : public ManagerFixture {
protected:
    UnitConversionTest() { converter.Register(manager); }
    double Convert(double value, int32_t from, int32_t to) { return converter.ChangeUnitValue(value, from, to); }
    clsChangeUnitValue converter;
};

TEST_F(UnitConversionTest, HartPressureTemperatureAndFlow)
{
    EXPECT_DOUBLE_EQ(Convert(1, 7, 8), 1000);    // bar -> mbar
    EXPECT_DOUBLE_EQ(Convert(1000, 8, 7), 1);    // mbar -> bar
    EXPECT_DOUBLE_EQ(Convert(100, 32, 33), 212); // degC -> degF
    EXPECT_NEAR(Convert(0, 33, 35), 255.3722222222, 1e-9); // degF -> K
    EXPECT_NEAR(Convert(273.15, 35, 32), 0, 1e-12);         // K -> degC
    EXPECT_DOUBLE_EQ(Convert(3600, 19, 24), 1000);          // m3/h -> l/s
    EXPECT_NEAR(Convert(1, 6, 12), 6.89476, 1e-12);         // psi -> kPa
}

TEST_F(UnitConversionTest, CodesOfDifferentQuantitiesAreNotRefused)
{
    EXPECT_DOUBLE_EQ(Convert(1, 7, 24), 1000000); // bar -> l/s: through both factors
}

TEST_F(UnitConversionTest, ProfibusAndFieldbusUseTheirOwnCodes)
{
    SetBus(kProfibusSpecifics);
    EXPECT_NEAR(Convert(1, 1141, 1133), 6.89476, 1e-12); // psi -> kPa
    EXPECT_NEAR(Convert(0, 1000, 1001), -273.15, 1e-12); // K -> degC: 1000 is K here
    EXPECT_NEAR(Convert(2, 1523, 1347), 2 / 3051187.0 * 1000000, 1e-15); // 10^6 ft3/d -> m3/s
    EXPECT_EQ(Convert(2, 1618, 1347), 2);                                // the FF code of that unit

    SetBus(kFfSpecifics);
    EXPECT_NEAR(Convert(2, 1618, 1347), 2 / 3051187.0 * 1000000, 1e-15);
    EXPECT_EQ(Convert(2, 1523, 1347), 2);
    EXPECT_NEAR(Convert(1, 1608, 1614), 1, 1e-15); // the further codes of factor 1/1000
}

TEST_F(UnitConversionTest, TheBusIsReadAnewOnEveryCall)
{
    piotest::ErrorTraces traces;
    EXPECT_EQ(Convert(5, 1000, 32), 5); // HART has no code 1000
    EXPECT_TRUE(traces.Contains(QStringLiteral("unit 1000 not known on bus kind 0")));
    SetBus(kProfibusSpecifics);
    EXPECT_NEAR(Convert(5, 1000, 1001), -268.15, 1e-12);
    SetBus(kHartSpecifics2);
    EXPECT_DOUBLE_EQ(Convert(1, 7, 8), 1000);
}

TEST_F(UnitConversionTest, UnknownCodeOnEitherSideLeavesTheValue)
{
    piotest::ErrorTraces traces;
    EXPECT_EQ(Convert(2.5, 0, 7), 2.5);   // a rule's first "last unit" is 0
    EXPECT_EQ(Convert(2.5, 57, 12), 2.5); // percent
    EXPECT_EQ(Convert(2.5, 7, 0), 2.5);
    EXPECT_EQ(Convert(2.5, 7, 57), 2.5);
    EXPECT_EQ(Convert(2.5, 300, 301), 2.5);
    EXPECT_EQ(Convert(2.5, 70000, 8), 2.5); // beyond 16 bits
    EXPECT_EQ(Convert(2.5, 7, -70000), 2.5);
    EXPECT_EQ(traces.lines.filter(QStringLiteral("left unchanged")).size(), 7);
}

TEST_F(UnitConversionTest, EqualCodesLeaveTheValue)
{
    for (const int32_t code : {1, 6, 7, 33, 47, 57, 0})
        EXPECT_EQ(Convert(123.456, code, code), 123.456) << code;
}

TEST_F(UnitConversionTest, ArithmeticThatOverflowsLeavesTheValue)
{
    piotest::ErrorTraces traces;
    const double huge = std::numeric_limits<double>::max() / 2;
    EXPECT_EQ(Convert(huge, 7, 11), huge); // bar -> Pa: 1E+05 times too large
    EXPECT_EQ(Convert(-huge, 7, 8), -huge);
    EXPECT_TRUE(traces.Contains(QStringLiteral("overflow")));
    EXPECT_DOUBLE_EQ(Convert(1e300, 7, 8), 1e303); // large but finite converts
}

TEST_F(UnitConversionTest, RegisteringAgainCreatesNoSecondDeviceInformation)
{
    const size_t views = manager->RegisteredViews().size();
    converter.Register(manager);
    EXPECT_EQ(manager->RegisteredViews().size(), views);
}

TEST(UnitConversionUnregisteredTest, BeforeRegisterTheValueComesBackUnchanged)
{
    piotest::ErrorTraces traces;
    clsChangeUnitValue converter;
    EXPECT_EQ(converter.ChangeUnitValue(1, 7, 8), 1);
    EXPECT_EQ(converter.ChangeUnitValue(-4, 32, 33), -4);
    EXPECT_TRUE(traces.Contains(QStringLiteral("not registered")));
}

// The converter on the Trivex description: its bus kind comes from the
// device's software specifics.
TEST(UnitConversionTrivexTest, ConvertsWithTheBusOfTheTrivexDescription)
{
    piotest::ErrorTraces traces; // the description may lack items the device information binds later
    auto manager = LoadManager(loopbacktest::StagedTrivexDescription());
    clsChangeUnitValue converter;
    converter.Register(manager);
    EXPECT_DOUBLE_EQ(converter.ChangeUnitValue(1, 7, 8), 1000);
    EXPECT_EQ(converter.ChangeUnitValue(1, 1141, 1133), 1);

    int32_t failed = 0;
    manager->PutStringValue(manager->HandleOf(QStringLiteral("pbSoftwareSpecifics")), kProfibusSpecifics, failed);
    ASSERT_EQ(failed, 0);
    EXPECT_NEAR(converter.ChangeUnitValue(1, 1141, 1133), 6.89476, 1e-12);
    Pump();
}

} // namespace
