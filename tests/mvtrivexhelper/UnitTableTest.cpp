// The unit table: every code converts to its base unit and back to itself,
// each code belongs to one row per bus, and each factor agrees with the
// published definition of its unit to at least six significant digits.
#include "DeviceInfoTestSupport.h"
#include "mvtrivexhelper/UnitTable.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include <cmath>
#include <map>
#include <set>

using namespace deviceinfotest;

namespace {

constexpr enmCommType kBuses[] = {enmCommType::HART, enmCommType::PROFIBUS, enmCommType::ff};

double ToBase(const UnitTable::UnitRow& row, double value)
{
    double base = 0;
    EXPECT_TRUE(row.toBase.Apply(value, base)) << row.unit;
    return base;
}

double FromBase(const UnitTable::UnitRow& row, enmCommType bus, double base)
{
    double value = 0;
    EXPECT_TRUE(UnitTable::FromBase(row, bus).Apply(base, value)) << row.unit;
    return value;
}

double RelativeDifference(double a, double b)
{
    return std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
}

TEST(UnitTableTest, EveryCodeConvertsToItsBaseAndBack)
{
    for (const UnitTable::UnitRow& row : UnitTable::Rows())
        for (const enmCommType bus : kBuses)
            for (const double value : {1.0, 250.5, -40.0, 1e-3, 7.25e6}) {
                if (UnitTable::CodesOf(row, bus).empty())
                    continue;
                const double back = FromBase(row, bus, ToBase(row, value));
                EXPECT_LE(RelativeDifference(back, value), 1e-9)
                    << row.unit << " on bus " << static_cast<int>(bus) << ": " << value << " came back " << back;
            }
}

TEST(UnitTableTest, EachCodeHasOneRowPerBus)
{
    for (const enmCommType bus : kBuses) {
        std::set<int16_t> seen;
        for (const UnitTable::UnitRow& row : UnitTable::Rows())
            for (const int16_t code : UnitTable::CodesOf(row, bus)) {
                EXPECT_TRUE(seen.insert(code).second) << "code " << code << " twice on bus " << static_cast<int>(bus);
                EXPECT_EQ(UnitTable::Find(bus, code), &row);
            }
    }
    EXPECT_EQ(UnitTable::Find(enmCommType::HART, 57), nullptr); // percent converts nothing
    EXPECT_EQ(UnitTable::Find(enmCommType::PROFIBUS, 1342), nullptr);
    EXPECT_EQ(UnitTable::Find(enmCommType::HART, 1000), nullptr);
}

// Published definitions, each as the value of one unit in the base unit of
// its quantity (mbar = 100 Pa, m3/s, kg/s, kg/m3, mm).
constexpr double kGravity = 9.80665;             // standard acceleration of gravity, m/s2
constexpr double kInch = 0.0254;                 // m, exact
constexpr double kFoot = 0.3048;                 // m, exact
constexpr double kPound = 0.45359237;            // kg, exact
constexpr double kUsGallon = 3.785411784e-3;     // m3 (231 in3), exact
constexpr double kImperialGallon = 4.54609e-3;   // m3, exact
constexpr double kBarrel = 42 * kUsGallon;       // oil barrel, m3
constexpr double kCubicFoot = kFoot * kFoot * kFoot;
constexpr double kShortTon = 2000 * kPound;
constexpr double kLongTon = 2240 * kPound;
constexpr double kMinute = 60, kHour = 3600, kDay = 86400;
constexpr double kPaInMbar = 0.01;

struct Definition {
    int16_t hart;     // 0: no HART code
    int16_t profibus;
    double inBase;
    const char* what;
    int16_t ff = 0; // 0: the PROFIBUS code
};

const Definition kDefinitions[] = {
    // Pressure. Water columns at the conventional density 1000 kg/m3 under
    // standard gravity (inch of water 249.08891 Pa, as at 4 degC), mercury at
    // 13595.1 kg/m3 (0 degC): inHg 3386.389 Pa, mmHg 133.322387 Pa.
    {1, 1146, kInch * 1000 * kGravity * kPaInMbar, "inch of water = 249.08891 Pa"},
    {2, 1155, 3386.389 * kPaInMbar, "inch of mercury (0 degC) = 3386.389 Pa"},
    {3, 1152, 12 * kInch * 1000 * kGravity * kPaInMbar, "foot of water = 2989.0669 Pa"},
    {4, 1149, 1e-3 * 1000 * kGravity * kPaInMbar, "mm of water = 9.80665 Pa"},
    {5, 1139, 133.322387415 * kPaInMbar, "mm of mercury = 133.322387415 Pa"},
    {13, 1157, 101325.0 / 760 * kPaInMbar, "torr = 101325/760 Pa"},
    {6, 1141, 6894.757293168 * kPaInMbar, "psi = lbf/in2 = 6894.757293168 Pa"},
    {7, 1137, 1e5 * kPaInMbar, "bar = 100000 Pa"},
    {8, 1138, 1, "mbar"},
    {0, 1136, 100 * kPaInMbar, "hPa = 100 Pa"},
    {9, 1144, 1e-3 * kGravity / 1e-4 * kPaInMbar, "gram-force per cm2 = 98.0665 Pa"},
    {10, 1145, kGravity / 1e-4 * kPaInMbar, "kilogram-force per cm2 = 98066.5 Pa"},
    {11, 1130, kPaInMbar, "Pa"},
    {12, 1133, 1e3 * kPaInMbar, "kPa"},
    {14, 1140, 101325 * kPaInMbar, "standard atmosphere = 101325 Pa"},
    {237, 1132, 1e6 * kPaInMbar, "MPa"},
    {0, 1131, 1e9 * kPaInMbar, "GPa"},
    {0, 1134, 1e-3 * kPaInMbar, "mPa"},
    {0, 1135, 1e-6 * kPaInMbar, "uPa"},
    // Volume flow in m3/s.
    {15, 1357, kCubicFoot / kMinute, "ft3/min"},
    {16, 1363, kUsGallon / kMinute, "US gal/min, US gallon = 3.785411784 L"},
    {17, 1352, 1e-3 / kMinute, "l/min"},
    {18, 1368, kImperialGallon / kMinute, "Imp gal/min, imperial gallon = 4.54609 L"},
    {19, 1349, 1 / kHour, "m3/h"},
    {22, 1362, kUsGallon, "US gal/s"},
    {23, 1366, 1e6 * kUsGallon / kDay, "10^6 US gal/d"},
    {24, 1351, 1e-3, "l/s"},
    {25, 1355, 1e6 * 1e-3 / kDay, "10^6 l/d"},
    {26, 1356, kCubicFoot, "ft3/s, foot = 0.3048 m"},
    {27, 1359, kCubicFoot / kDay, "ft3/d"},
    {28, 1347, 1, "m3/s"},
    {29, 1350, 1 / kDay, "m3/d"},
    {30, 1369, kImperialGallon / kHour, "Imp gal/h"},
    {31, 1370, kImperialGallon / kDay, "Imp gal/d"},
    {130, 1358, kCubicFoot / kHour, "ft3/h"},
    {131, 1348, 1 / kMinute, "m3/min"},
    {132, 1371, kBarrel, "bbl/s, barrel = 42 US gal"},
    {133, 1372, kBarrel / kMinute, "bbl/min"},
    {134, 1373, kBarrel / kHour, "bbl/h"},
    {135, 1374, kBarrel / kDay, "bbl/d"},
    {136, 1364, kUsGallon / kHour, "US gal/h"},
    {137, 1367, kImperialGallon, "Imp gal/s"},
    {138, 1353, 1e-3 / kHour, "l/h"},
    {235, 1365, kUsGallon / kDay, "US gal/d"},
    {242, 1523, 1e6 * kCubicFoot / kDay, "10^6 ft3/d", 1618},
    // Length in mm.
    {47, 1019, kInch * 1000, "inch = 25.4 mm"},
    {49, 1013, 1, "mm"},
    // Mass flow in kg/s.
    {70, 1318, 1e-3, "g/s"},
    {71, 1319, 1e-3 / kMinute, "g/min"},
    {72, 1320, 1e-3 / kHour, "g/h"},
    {73, 1322, 1, "kg/s"},
    {74, 1323, 1 / kMinute, "kg/min"},
    {75, 1324, 1 / kHour, "kg/h"},
    {76, 1325, 1 / kDay, "kg/d"},
    {77, 1327, 1e3 / kMinute, "t/min"},
    {78, 1328, 1e3 / kHour, "t/h"},
    {79, 1329, 1e3 / kDay, "t/d"},
    {80, 1330, kPound, "lb/s, pound = 0.45359237 kg"},
    {81, 1331, kPound / kMinute, "lb/min"},
    {82, 1332, kPound / kHour, "lb/h"},
    {83, 1333, kPound / kDay, "lb/d"},
    {84, 1335, kShortTon / kMinute, "short ton/min, short ton = 2000 lb"},
    {85, 1336, kShortTon / kHour, "short ton/h"},
    {86, 1337, kShortTon / kDay, "short ton/d"},
    {87, 1340, kLongTon / kHour, "long ton/h, long ton = 2240 lb"},
    {88, 1341, kLongTon / kDay, "long ton/d"},
    // Density in kg/m3.
    {91, 1100, 1000, "g/cm3"},
    {92, 1097, 1, "kg/m3"},
    {97, 1105, 1, "g/l"},
    {0, 1101, 1e-3, "g/m3"},
    {93, 1108, kPound / kUsGallon, "lb/US gal"},
    {94, 1107, kPound / kCubicFoot, "lb/ft3"},
    {98, 1106, kPound / (kInch * kInch * kInch), "lb/in3"},
    {99, 1109, kShortTon / (27 * kCubicFoot), "short ton/yd3"},
};

TEST(UnitTableTest, FactorsAgreeWithThePublishedDefinitions)
{
    for (const Definition& d : kDefinitions) {
        for (const enmCommType bus : kBuses) {
            const int16_t code = bus == enmCommType::HART ? d.hart
                                 : bus == enmCommType::ff && d.ff != 0 ? d.ff
                                                                       : d.profibus;
            if (code == 0)
                continue;
            const UnitTable::UnitRow* row = UnitTable::Find(bus, code);
            ASSERT_NE(row, nullptr) << d.what << " code " << code;
            // Six significant digits: within half a unit of the sixth.
            EXPECT_LE(RelativeDifference(ToBase(*row, 1), d.inBase), 5e-6) << d.what;
            EXPECT_LE(RelativeDifference(FromBase(*row, bus, d.inBase), 1), 5e-6) << d.what;
        }
    }
}

TEST(UnitTableTest, TemperatureScalesMeetAtTheirFixedPoints)
{
    const auto toBase = [](int16_t code, double v) { return ToBase(*UnitTable::Find(enmCommType::HART, code), v); };
    // Water freezes at 0 degC = 32 degF = 491.67 degR = 273.15 K and boils
    // at 100 degC = 212 degF = 671.67 degR = 373.15 K.
    EXPECT_NEAR(toBase(33, 32), 0, 1e-12);
    EXPECT_NEAR(toBase(33, 212), 100, 1e-12);
    EXPECT_NEAR(toBase(34, 491.67), 0, 1e-12);
    EXPECT_NEAR(toBase(34, 671.67), 100, 1e-12);
    EXPECT_NEAR(toBase(35, 273.15), 0, 1e-12);
    EXPECT_NEAR(toBase(35, 373.15), 100, 1e-12);
    EXPECT_NEAR(toBase(35, 0), -273.15, 1e-12);
    const UnitTable::UnitRow& fahrenheit = *UnitTable::Find(enmCommType::PROFIBUS, 1002);
    EXPECT_NEAR(FromBase(fahrenheit, enmCommType::PROFIBUS, -40), -40, 1e-12);
}

TEST(UnitTableTest, FurtherCodesScaleByAThousandAndAMillion)
{
    for (const auto& [bus, code, factor] : {std::tuple{enmCommType::PROFIBUS, 1564, 1e-3},
                                           {enmCommType::PROFIBUS, 1565, 1e-3},
                                           {enmCommType::ff, 1608, 1e-3},
                                           {enmCommType::ff, 1614, 1e-3},
                                           {enmCommType::PROFIBUS, 1559, 1e-6},
                                           {enmCommType::PROFIBUS, 1566, 1e-6},
                                           {enmCommType::ff, 1609, 1e-6},
                                           {enmCommType::ff, 1615, 1e-6}}) {
        const UnitTable::UnitRow* row = UnitTable::Find(bus, static_cast<int16_t>(code));
        ASSERT_NE(row, nullptr) << code;
        EXPECT_DOUBLE_EQ(ToBase(*row, 1), factor) << code;
    }
}

// Through the converter: every unit with a base unit to it and back.
class UnitRoundTripTest : public ManagerFixture {};

TEST_F(UnitRoundTripTest, EveryUnitToItsBaseUnitAndBackThroughTheConverter)
{
    clsChangeUnitValue converter;
    converter.Register(manager);
    const std::map<std::string, std::pair<int32_t, int32_t>> bases{
        {"pressure", {8, 1138}},    {"volume flow", {28, 1347}}, {"mass flow", {73, 1322}},
        {"temperature", {32, 1001}}, {"density", {92, 1097}},     {"length", {49, 1013}},
    };
    const QString specifics[] = {kHartSpecifics, kProfibusSpecifics, kFfSpecifics};
    for (int b = 0; b < 3; ++b) {
        SetBus(specifics[b]);
        for (const UnitTable::UnitRow& row : UnitTable::Rows()) {
            const auto base = bases.find(row.quantity);
            if (base == bases.end())
                continue; // the further codes name no quantity
            const int32_t baseCode = b == 0 ? base->second.first : base->second.second;
            for (const int16_t code : UnitTable::CodesOf(row, kBuses[b])) {
                const double value = 98.765;
                const double inBase = converter.ChangeUnitValue(value, code, baseCode);
                EXPECT_DOUBLE_EQ(inBase, ToBase(row, value)) << row.unit << " code " << code;
                EXPECT_LE(RelativeDifference(converter.ChangeUnitValue(inBase, baseCode, code), value), 1e-9)
                    << row.unit << " code " << code;
            }
        }
    }
}

} // namespace
