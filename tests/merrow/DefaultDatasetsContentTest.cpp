// The shipped default-dataset databases: every item they name is an item of
// the Trivex description, every value is one the item takes, and the
// measuring cell and static-pressure range the simulated transmitter is built
// with carry its sensor limits.
#include "DefaultDatasetSupport.h"
#include "sim/DeviceState.h"
#include "sim/SimUnits.h"
#include <map>

using namespace defaultstest;

namespace {

const char* const kFiles[] = {"mvtrivexhart.mdb", "mvkessachart.mdb", "mvtrivexprofi.mdb", "mvkessacprofi.mdb",
                              "mvkessacff.mdb"};

// The database's rows of a statement, first column to second.
std::multimap<QString, QString> Rows(const QString& file, const QString& statement)
{
    std::multimap<QString, QString> rows;
    const QString connection = QStringLiteral("defaultstest-read");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(StagedDatabase(file));
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        EXPECT_TRUE(database.open()) << file.toStdString();
        QSqlQuery query(database);
        EXPECT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
        while (query.next())
            rows.emplace(query.value(0).toString(), query.value(1).toString());
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}

double Value(const std::multimap<QString, QString>& rows, const char* item)
{
    const auto found = rows.find(QLatin1String(item));
    EXPECT_NE(found, rows.end()) << item;
    return found == rows.end() ? 0 : found->second.toDouble();
}

// The database's limits and minimum span, in the unit item's unit, are the
// simulated device variable's.
void ExpectLimitsOf(uint8_t code, const std::multimap<QString, QString>& rows, const char* unit, const char* lower,
                    const char* upper, const char* span)
{
    static const auto variables = sim::DeviceState::defaultVariables();
    const sim::DeviceVariable& variable = variables[code];
    const auto unitCode = static_cast<uint8_t>(Value(rows, unit));
    EXPECT_DOUBLE_EQ(sim::toBase(Value(rows, lower), unitCode), variable.lowerLimit) << lower;
    EXPECT_DOUBLE_EQ(sim::toBase(Value(rows, upper), unitCode), variable.upperLimit) << upper;
    EXPECT_DOUBLE_EQ(sim::toBase(Value(rows, span), unitCode), variable.minimumSpan) << span;
}

} // namespace

TEST(DefaultDatasetsContent, EveryRowNamesAnItemOfTheDescriptionAndAValueItTakes)
{
    merrowtest::MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    const QString all = QStringLiteral("SELECT ObjectName, ObjectValue FROM ViewGeneralDevicedata "
                                       "UNION ALL SELECT ObjectName, ObjectValue FROM ViewSpecificDevicedata "
                                       "UNION ALL SELECT ObjectName, ObjectValue FROM ViewPRangeData "
                                       "UNION ALL SELECT ObjectName, ObjectValue FROM ViewPstatRangeData "
                                       "UNION ALL SELECT ObjectName, ObjectValue FROM ViewPRangePstatRangeData");
    for (const char* file : kFiles) {
        const auto rows = Rows(QLatin1String(file), all);
        EXPECT_GT(rows.size(), 20u) << file;
        for (const auto& [name, value] : rows) {
            const int32_t handle = applet.manager->HandleOf(name);
            ASSERT_GT(handle, 0) << file << ": " << name.toStdString();
            int32_t failed = 0;
            applet.manager->fncPutString(handle, value, failed);
            EXPECT_EQ(failed, 0) << file << ": " << name.toStdString() << " = " << value.toStdString();
        }
    }
}

TEST(DefaultDatasetsContent, SimulatedTransmittersCellAndStaticRangeCarryItsSensorLimits)
{
    for (const char* file : kFiles) {
        SCOPED_TRACE(file);
        const auto cell = Rows(QLatin1String(file), QStringLiteral("SELECT ObjectName, ObjectValue FROM ViewPRangeData "
                                                                   "WHERE PRange = '250 mbar'"));
        ExpectLimitsOf(sim::Variable::DifferentialPressure, cell, "ptrbSensorLimitUnit", "ptrbLowerSensorLimit",
                       "ptrbUpperSensorLimit", "ptrbMinSpan");
        // The static pressure's limits come, as the device reports them, in the unit of the cell's.
        auto range = Rows(QLatin1String(file), QStringLiteral("SELECT ObjectName, ObjectValue FROM "
                                                              "ViewPRangePstatRangeData WHERE PRange = '250 mbar' "
                                                              "AND PstatRange = '160 bar'"));
        range.emplace(QStringLiteral("ptrbSensorLimitUnit"), cell.find(QStringLiteral("ptrbSensorLimitUnit"))->second);
        ExpectLimitsOf(sim::Variable::StaticPressure, range, "ptrbSensorLimitUnit", "ptrbStaticPressureLoLim",
                       "ptrbStaticPressureHiLim", "ptrbStaticPressureMinSpan");
        const auto general =
            Rows(QLatin1String(file), QStringLiteral("SELECT ObjectName, ObjectValue FROM ViewGeneralDevicedata"));
        const auto temperature = sim::DeviceState::defaultVariables()[sim::Variable::Temperature];
        EXPECT_DOUBLE_EQ(Value(general, "ptrbTemperatureLoLim"), temperature.lowerLimit);
        EXPECT_DOUBLE_EQ(Value(general, "ptrbTemperatureHiLim"), temperature.upperLimit);
        if (general.count(QStringLiteral("maxOutputCurr"))) {
            EXPECT_FLOAT_EQ(static_cast<float>(Value(general, "maxOutputCurr")), sim::kLoopCurrentMax);
            EXPECT_FLOAT_EQ(static_cast<float>(Value(general, "minOutputCurr")), sim::kLoopCurrentMin);
        }
    }
}
