#include "mvtrivexhelper/UnitTable.h"
#include <algorithm>
#include <cmath>

namespace UnitTable {

namespace {

Conversion Same()
{
    return {};
}
Conversion Times(double k)
{
    return {{{Step::Multiply, k}}};
}
Conversion Over(double k)
{
    return {{{Step::Divide, k}}};
}
// b × (1 ÷ k): how HART computes the from-base step of some codes.
Conversion TimesInverse(double k)
{
    return {{{Step::MultiplyByInverse, k}}};
}
Conversion Then(Step first, Step second)
{
    return {{first, second}};
}

std::vector<UnitRow> BuildRows()
{
    using S = Step;
    // For the HART codes 1 to 6, 9, 10, 13, 14 and 47 the from-base step
    // multiplies by the inverse of the factor (the last column).
    return {
        // quantity, unit, HART, PROFIBUS, FF, to base, from base, from base on HART
        {"pressure", "inH2O", {1}, {1146}, {1146}, Times(2.49089), Over(2.49089), TimesInverse(2.49089)},
        {"pressure", "inHg", {2}, {1155}, {1155}, Times(33.8639), Over(33.8639), TimesInverse(33.8639)},
        {"pressure", "ftH2O", {3}, {1152}, {1152}, Times(29.8907), Over(29.8907), TimesInverse(29.8907)},
        {"pressure", "mmH2O", {4}, {1149}, {1149}, Times(0.0980665), Over(0.0980665), TimesInverse(0.0980665)},
        {"pressure", "mmHg, torr", {5, 13}, {1139, 1157}, {1139, 1157}, Times(1.33322), Over(1.33322),
         TimesInverse(1.33322)},
        {"pressure", "psi", {6}, {1141}, {1141}, Times(68.9476), Over(68.9476), TimesInverse(68.9476)},
        {"pressure", "bar", {7}, {1137}, {1137}, Times(1000), Over(1000), Times(0.001)},
        {"pressure", "mbar (base), hPa", {8}, {1138, 1136}, {1138, 1136}, Same(), Same(), {}},
        {"pressure", "g/cm2", {9}, {1144}, {1144}, Times(0.980665), Over(0.980665), TimesInverse(0.980665)},
        {"pressure", "kg/cm2", {10}, {1145}, {1145}, Times(980.665), Over(980.665), TimesInverse(980.665)},
        {"pressure", "Pa", {11}, {1130}, {1130}, Times(0.01), Times(100), {}},
        {"pressure", "kPa", {12}, {1133}, {1133}, Times(10), Times(0.1), {}},
        {"pressure", "atm", {14}, {1140}, {1140}, Times(1013.25), Over(1013.25), TimesInverse(1013.25)},
        {"pressure", "MPa", {237}, {1132}, {1132}, Times(10000), Times(0.0001), Over(10000)},
        {"pressure", "GPa", {}, {1131}, {1131}, Times(10000000), Times(1E-07), {}},
        {"pressure", "mPa", {}, {1134}, {1134}, Times(1E-05), Times(100000), {}},
        {"pressure", "uPa", {}, {1135}, {1135}, Times(1E-08), Times(100000000), {}},
        {"volume flow", "ft3/min", {15}, {1357}, {1357}, Over(2118.879), Times(2118.879), {}},
        {"volume flow", "US gal/min", {16}, {1363}, {1363}, Over(15850.32), Times(15850.32), {}},
        {"volume flow", "l/min", {17}, {1352}, {1352}, Over(60000), Times(60000), {}},
        {"volume flow", "Imp gal/min", {18}, {1368}, {1368}, Over(13198.16), Times(13198.16), {}},
        {"volume flow", "m3/h", {19}, {1349}, {1349}, Over(3600), Times(3600), {}},
        {"volume flow", "US gal/s", {22}, {1362}, {1362}, Over(264.172), Times(264.172), {}},
        {"volume flow", "10^6 US gal/d", {23}, {1366}, {1366}, Over(22.82446), Times(22.82446), {}},
        {"volume flow", "l/s", {24}, {1351}, {1351}, Over(1000), Times(1000), {}},
        {"volume flow", "10^6 l/d", {25}, {1355}, {1355}, Over(86.4), Times(86.4), {}},
        {"volume flow", "ft3/s", {26}, {1356}, {1356}, Over(35.31466), Times(35.31466), {}},
        {"volume flow", "ft3/d", {27}, {1359}, {1359}, Over(3051187), Times(3051187), {}},
        {"volume flow", "m3/s (base)", {28}, {1347}, {1347}, Same(), Same(), {}},
        {"volume flow", "m3/d", {29}, {1350}, {1350}, Over(86400), Times(86400), {}},
        {"volume flow", "Imp gal/h", {30}, {1369}, {1369}, Over(791889.5), Times(791889.5), {}},
        {"volume flow", "Imp gal/d", {31}, {1370}, {1370}, Over(19005350), Times(19005350), {}},
        {"volume flow", "ft3/h", {130}, {1358}, {1358}, Over(127132.8), Times(127132.8), {}},
        {"volume flow", "m3/min", {131}, {1348}, {1348}, Over(60), Times(60), {}},
        {"volume flow", "bbl/s", {132}, {1371}, {1371}, Over(6.289811), Times(6.289811), {}},
        {"volume flow", "bbl/min", {133}, {1372}, {1372}, Over(377.3887), Times(377.3887), {}},
        {"volume flow", "bbl/h", {134}, {1373}, {1373}, Over(22643.32), Times(22643.32), {}},
        {"volume flow", "bbl/d", {135}, {1374}, {1374}, Over(543439.7), Times(543439.7), {}},
        {"volume flow", "US gal/h", {136}, {1364}, {1364}, Over(951019.2), Times(951019.2), {}},
        {"volume flow", "Imp gal/s", {137}, {1367}, {1367}, Over(219.9693), Times(219.9693), {}},
        {"volume flow", "l/h", {138}, {1353}, {1353}, Over(3600000), Times(3600000), {}},
        {"volume flow", "US gal/d", {235}, {1365}, {1365}, Over(22824460), Times(22824460), {}},
        {"volume flow", "10^6 ft3/d", {242}, {1523}, {1618}, Then({S::Divide, 3051187}, {S::Multiply, 1000000}),
         Then({S::Multiply, 3051187}, {S::Divide, 1000000}), {}},
        {"temperature", "degC (base)", {32}, {1001}, {1001}, Same(), Same(), {}},
        {"temperature", "degF", {33}, {1002}, {1002}, Then({S::Subtract, 32}, {S::Divide, 1.8}),
         Then({S::Multiply, 1.8}, {S::Add, 32}), {}},
        {"temperature", "degR", {34}, {1003}, {1003}, Then({S::Subtract, 491.67}, {S::Divide, 1.8}),
         Then({S::Multiply, 1.8}, {S::Add, 491.67}), {}},
        {"temperature", "K", {35}, {1000}, {1000}, Conversion{{{S::Subtract, 273.15}}},
         Conversion{{{S::Add, 273.15}}}, {}},
        {"length", "in", {47}, {1019}, {1019}, Times(25.4), Over(25.4), TimesInverse(25.4)},
        {"length", "mm (base)", {49}, {1013}, {1013}, Same(), Same(), {}},
        {"mass flow", "g/s", {70}, {1318}, {1318}, Times(0.001), Over(0.001), {}},
        {"mass flow", "g/min", {71}, {1319}, {1319}, Times(1.666667E-05), Over(1.666667E-05), {}},
        {"mass flow", "g/h", {72}, {1320}, {1320}, Times(2.777778E-07), Over(2.777778E-07), {}},
        {"mass flow", "kg/s (base)", {73}, {1322}, {1322}, Same(), Same(), {}},
        {"mass flow", "kg/min", {74}, {1323}, {1323}, Times(0.01666667), Over(0.01666667), {}},
        {"mass flow", "kg/h", {75}, {1324}, {1324}, Times(0.0002777778), Over(0.0002777778), {}},
        {"mass flow", "kg/d", {76}, {1325}, {1325}, Times(1.157407E-05), Over(1.157407E-05), {}},
        {"mass flow", "t/min", {77}, {1327}, {1327}, Times(16.66667), Over(16.66667), {}},
        {"mass flow", "t/h", {78}, {1328}, {1328}, Times(0.2777778), Over(0.2777778), {}},
        {"mass flow", "t/d", {79}, {1329}, {1329}, Times(0.01157407), Over(0.01157407), {}},
        {"mass flow", "lb/s", {80}, {1330}, {1330}, Times(0.4535924), Over(0.4535924), {}},
        {"mass flow", "lb/min", {81}, {1331}, {1331}, Times(0.007559873), Over(0.007559873), {}},
        {"mass flow", "lb/h", {82}, {1332}, {1332}, Times(0.0001259979), Over(0.0001259979), {}},
        {"mass flow", "lb/d", {83}, {1333}, {1333}, Times(5.249912E-06), Over(5.249912E-06), {}},
        {"mass flow", "short ton/min", {84}, {1335}, {1335}, Times(15.11975), Over(15.11975), {}},
        {"mass flow", "short ton/h", {85}, {1336}, {1336}, Times(0.2519958), Over(0.2519958), {}},
        {"mass flow", "short ton/d", {86}, {1337}, {1337}, Times(0.01049982), Over(0.01049982), {}},
        {"mass flow", "long ton/h", {87}, {1340}, {1340}, Times(0.2822353), Over(0.2822353), {}},
        {"mass flow", "long ton/d", {88}, {1341}, {1341}, Times(0.0117598), Over(0.0117598), {}},
        {"density", "units of 1000 kg/m3 (g/cm3 and the like)", {90, 91, 95, 96},
         {1098, 1099, 1100, 1102, 1103, 1104, 1114}, {1098, 1099, 1100, 1102, 1103, 1104, 1114}, Times(1000),
         Over(1000), {}},
        // HART divides the base value of 97 by 1, which is the same.
        {"density", "kg/m3 (base), g/l", {92, 97}, {1097, 1105}, {1097, 1105}, Same(), Same(), {}},
        {"density", "units of 0.001 kg/m3", {}, {1101}, {1101}, Over(1000), Times(1000), {}},
        {"density", "lb/US gal", {93}, {1108}, {1108}, Times(119.8264), Over(119.8264), {}},
        {"density", "lb/ft3", {94}, {1107}, {1107}, Times(16.01846), Over(16.01846), {}},
        {"density", "lb/in3", {98}, {1106}, {1106}, Times(27679.9), Over(27679.9), {}},
        {"density", "short ton/yd3", {99}, {1109}, {1109}, Times(1186.553), Over(1186.553), {}},
        {"further codes", "factor 1/1000", {}, {1564, 1565}, {1608, 1614}, Over(1000), Times(1000), {}},
        {"further codes", "factor 1/1000000", {}, {1559, 1566}, {1609, 1615}, Over(1000000), Times(1000000), {}},
    };
}

} // namespace

bool Conversion::Apply(double in, double& out) const
{
    double value = in;
    for (const Step& step : steps) {
        switch (step.op) {
        case Step::Add:
            value += step.k;
            break;
        case Step::Subtract:
            value -= step.k;
            break;
        case Step::Multiply:
            value *= step.k;
            break;
        case Step::Divide:
            value /= step.k;
            break;
        case Step::MultiplyByInverse:
            value *= 1.0 / step.k;
            break;
        }
        if (!std::isfinite(value))
            return false;
    }
    out = value;
    return true;
}

const std::vector<UnitRow>& Rows()
{
    static const std::vector<UnitRow> rows = BuildRows();
    return rows;
}

const std::vector<int16_t>& CodesOf(const UnitRow& row, enmCommType bus)
{
    switch (bus) {
    case enmCommType::PROFIBUS:
        return row.profibus;
    case enmCommType::ff:
        return row.ff;
    default:
        return row.hart;
    }
}

const UnitRow* Find(enmCommType bus, int16_t code)
{
    for (const UnitRow& row : Rows()) {
        const std::vector<int16_t>& codes = CodesOf(row, bus);
        if (std::find(codes.begin(), codes.end(), code) != codes.end())
            return &row;
    }
    return nullptr;
}

const Conversion& FromBase(const UnitRow& row, enmCommType bus)
{
    return bus == enmCommType::HART && row.fromBaseHart ? *row.fromBaseHart : row.fromBase;
}

bool Convert(enmCommType bus, int16_t from, int16_t to, double value, double& converted)
{
    const UnitRow* source = Find(bus, from);
    const UnitRow* target = Find(bus, to);
    double base = 0;
    return source && target && QLatin1String(source->quantity) == QLatin1String(target->quantity)
           && source->toBase.Apply(value, base) && FromBase(*target, bus).Apply(base, converted);
}

} // namespace UnitTable
