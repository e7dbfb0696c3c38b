// The remembered unit of a conversion: unknown until taken from the unit
// item, and an unknown unit converts nothing instead of guessing one.
#include "corvane/rules/RememberedUnit.h"
#include "mvtrivexhelper/IChangeUnitValue.h"
#include "tests/pioextensions/ErrorTraces.h"
#include <gtest/gtest.h>

namespace {

// Unit n is n base units; every call is counted.
class ScaleConverter : public IChangeUnitValue {
public:
    QVariant Register(const std::shared_ptr<applet::clsAppletItemManager>&) override { return {}; }
    double ChangeUnitValue(double value, int32_t from, int32_t to) override
    {
        ++calls;
        return value * from / to;
    }
    int calls = 0;
};

} // namespace

TEST(RememberedUnit, ConvertsNothingUntilTheUnitIsKnown)
{
    ScaleConverter converter;
    RememberedUnit unit(QStringLiteral("last pressure unit"));
    piotest::ErrorTraces traces;
    EXPECT_FALSE(unit.Known());
    EXPECT_FALSE(unit.Convert(converter, 5, 2, QStringLiteral("mvInPLoLim")).has_value());
    EXPECT_EQ(converter.calls, 0);
    ASSERT_EQ(traces.lines.size(), 1);
    EXPECT_TRUE(traces.lines.front().contains(QLatin1String("last pressure unit")))
        << traces.lines.front().toStdString();
    EXPECT_TRUE(traces.lines.front().contains(QLatin1String("mvInPLoLim")));

    unit.TakeFrom(QStringLiteral("4"));
    ASSERT_TRUE(unit.Known());
    EXPECT_EQ(unit.Convert(converter, 5, 2, QStringLiteral("mvInPLoLim")), 10.0);
    unit.Set(2);
    EXPECT_EQ(unit.Convert(converter, 5, 1, QStringLiteral("mvInPLoLim")), 10.0);
}

TEST(RememberedUnit, ATextThatHoldsNoUnitCodeLeavesTheUnitUnknown)
{
    RememberedUnit unit(QStringLiteral("last density unit"));
    piotest::ErrorTraces traces;
    for (const char* text : {"", "kg", "70000", "0"}) {
        unit.Set(92);
        unit.TakeFrom(QLatin1String(text));
        EXPECT_FALSE(unit.Known()) << text;
    }
    unit.TakeFrom(QStringLiteral(" 92 "));
    EXPECT_EQ(unit.Code(), 92);
    unit.Set(1e9);
    EXPECT_FALSE(unit.Known());
    EXPECT_EQ(RememberedUnit::CodeOf(QStringLiteral("7.4")), std::optional<int16_t>(7));
}
