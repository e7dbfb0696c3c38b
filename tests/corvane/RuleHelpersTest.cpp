// The shared rule helpers: the range clamps and the range adjustment on real
// items, unit codes, the string table in both languages, the rule guard and
// the message sender.
#include "corvane/rules/Module1.h"
#include "corvane/rules/clsMessageSender.h"
#include "corvane/rules/clsRuleGuard.h"
#include "mvtrivexhelper/IChangeUnitValue.h"
#include "pioextensions/clsAppItem.h"
#include "platform/automation/ComError.h"
#include "tests/corvane/CorvaneTestSupport.h"
#include "tests/pioextensions/PioTestSupport.h"
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

using piotest::TrivexApplet;

struct ClampCase {
    double value, reference, span, low, high, expected;
};

// Converts by a factor per unit code: unit 1 is the work unit, unit 2 is
// ten of them, unit 3 a thousandth. A pair it does not know raises.
class FactorConverter : public IChangeUnitValue {
public:
    QVariant Register(const std::shared_ptr<applet::clsAppletItemManager>&) override { return {}; }
    double ChangeUnitValue(double value, int32_t from, int32_t to) override
    {
        ++calls;
        return value * Factor(from) / Factor(to);
    }
    int calls = 0;

private:
    static double Factor(int32_t unit)
    {
        switch (unit) {
        case 1: return 1;
        case 2: return 10;
        case 3: return 0.001;
        default: throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("unknown unit"));
        }
    }
};

struct RangeItems {
    explicit RangeItems(TrivexApplet& applet)
    {
        for (auto [item, name] : {std::pair{&first, "ptrbScaleIn0"}, {&second, "ptrbScaleIn100"},
                                  {&span, "ptrbMinSpan"}, {&low, "ptrbLowerSensorLimit"},
                                  {&high, "ptrbUpperSensorLimit"}})
            item->Register(applet.manager, QLatin1String(name));
    }
    void Set(float f, float s, float minSpan, float lo, float hi)
    {
        first.SetFloatValue(f);
        second.SetFloatValue(s);
        span.SetFloatValue(minSpan);
        low.SetFloatValue(lo);
        high.SetFloatValue(hi);
    }
    clsAppItem first, second, span, low, high;
};

} // namespace

TEST(RangeClamp, KeepsTheValueInsideTheLimitsAndAMinimumSpanAwayFromTheReference)
{
    const ClampCase forward[] = {
        {5, 6, 2, 0, 100, 4},    // too close below: pushed down
        {0, 1, 2, 0, 100, 3},    // on the lower limit: pushed above the reference
        {-10, 50, 2, 0, 100, 0}, // clamped, then far enough
        {150, 50, 2, 0, 100, 100},
        {51, 50, 2, 0, 100, 52},
    };
    for (const ClampCase& c : forward) {
        double value = c.value;
        Module1::ClampAwayFromReference(value, c.reference, c.span, c.low, c.high);
        EXPECT_DOUBLE_EQ(value, c.expected) << "value " << c.value << " reference " << c.reference;
    }
    const ClampCase mirrored[] = {
        {7, 6, 2, 0, 100, 8},
        {100, 99, 2, 0, 100, 97}, // on the upper limit: pushed below the reference
        {5, 6, 2, 0, 100, 4},
        {-3, 50, 2, 0, 100, 0},
    };
    for (const ClampCase& c : mirrored) {
        double value = c.value;
        Module1::ClampAwayFromReferenceMirrored(c.reference, value, c.span, c.low, c.high);
        EXPECT_DOUBLE_EQ(value, c.expected) << "value " << c.value << " reference " << c.reference;
    }
}

TEST(RangeClamp, AdjustsTheFirstRangeEndInItsOwnUnitAndRefusesBadUnitsWithoutWriting)
{
    corvanetest::FrameViewAbsent bare; // the helpers alone, without the frame's rules
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    RangeItems items(applet);
    FactorConverter converter;

    // Range in unit 2 (tens), limits in unit 3 (thousandths), span in the work unit.
    // first 0.5 (=5), second 0.6 (=6), span 2, limits 0..100000 (=0..100): first becomes 4 = 0.4.
    items.Set(0.5f, 0.6f, 2.0f, 0.0f, 100000.0f);
    Module1::AdjustRangeWithMinSpan(converter, items.first, items.second, 2, items.span, 1, items.low, items.high, 3);
    EXPECT_NEAR(items.first.FloatValue(), 0.4f, 1e-6);
    EXPECT_NEAR(items.second.FloatValue(), 0.6f, 1e-6);

    // Equal ends take the mirrored branch: the first moves above the second.
    items.Set(5.0f, 5.0f, 2.0f, 0.0f, 100.0f);
    Module1::AdjustRangeWithMinSpan(converter, items.first, items.second, 1, items.span, 1, items.low, items.high, 1);
    EXPECT_FLOAT_EQ(items.first.FloatValue(), 7.0f);

    // A unit held by an item is read from it.
    clsAppItem unitItem;
    unitItem.Register(applet.manager, QStringLiteral("dummyFloat"));
    unitItem.SetFloatValue(2.0f);
    items.Set(0.5f, 0.6f, 2.0f, 0.0f, 100.0f);
    Module1::AdjustRangeWithMinSpan(converter, items.first, items.second, QVariant::fromValue(&unitItem), items.span,
                                    1, items.low, items.high, 1);
    EXPECT_NEAR(items.first.FloatValue(), 0.4f, 1e-6);

    // An unknown unit, a unit that is no number and a limit that is not a
    // number raise and leave both ends as they were.
    items.Set(0.5f, 0.6f, 2.0f, 0.0f, 100.0f);
    EXPECT_THROW(Module1::AdjustRangeWithMinSpan(converter, items.first, items.second, 9, items.span, 1, items.low,
                                                 items.high, 1),
                 automation::ComError);
    EXPECT_THROW(Module1::AdjustRangeWithMinSpan(converter, items.first, items.second, QStringLiteral("mbar"),
                                                 items.span, 1, items.low, items.high, 1),
                 automation::ComError);
    items.high.SetFloatValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_THROW(Module1::AdjustRangeWithMinSpan(converter, items.first, items.second, 1, items.span, 1, items.low,
                                                 items.high, 1),
                 automation::ComError);
    EXPECT_FLOAT_EQ(items.first.FloatValue(), 0.5f);
    EXPECT_FLOAT_EQ(items.second.FloatValue(), 0.6f);
}

TEST(RuleHelpers, UnitCodesByBusAndTextsInBothLanguages)
{
    EXPECT_EQ(Module1::GetUnitCode(0, QStringLiteral("C")), 32);
    EXPECT_EQ(Module1::GetUnitCode(2, QStringLiteral("C")), 1001);
    EXPECT_EQ(Module1::GetUnitCode(1, QStringLiteral("kg/m3")), 1097);
    EXPECT_EQ(Module1::GetUnitCode(3, QStringLiteral("C")), 0);
    EXPECT_EQ(Module1::GetUnitCode(0, QStringLiteral("MBAR")), 0);
    EXPECT_EQ(Module1::GetUnitCode(-1, QStringLiteral("mbar")), 0);

    EXPECT_EQ(Module1::LoadLocalizedText(49, 2005), QStringLiteral("Setze Temperatureinheit auf \"°C\"."));
    EXPECT_EQ(Module1::LoadLocalizedText(7, 2005), QStringLiteral("Setting temperature unit to \"°C\"."));
    EXPECT_EQ(Module1::LoadLocalizedText(1, 14), QStringLiteral("\"Warning: span too small"));
    EXPECT_EQ(Module1::LoadLocalizedText(1, 1105), QStringLiteral("Device busy"));
    EXPECT_EQ(Module1::LoadLocalizedText(1, 5), QString());
    EXPECT_EQ(Module1::LoadLocalizedText(49, 99999), QString());

    // Every id the library uses has a text in both languages.
    QList<int> ids = {1,  2,  3,  4,  6,  7,  8,  9,  10, 11,  12,  14,  16,  17,  23,  24,  25,
                      29, 32, 33, 34, 35, 36, 37, 109, 110, 114, 128, 200, 201, 1202, 1203};
    for (auto [from, to] : {std::pair{203, 209}, {213, 220}, {1000, 1002}, {1010, 1015}, {1100, 1102},
                            {1105, 1107}, {1110, 1115}, {1208, 1219}, {2000, 2008}})
        for (int id = from; id <= to; ++id)
            ids.append(id);
    EXPECT_EQ(ids.size(), 89);
    for (int id : ids) {
        EXPECT_FALSE(Module1::LoadLocalizedText(1, id).isEmpty()) << "English " << id;
        EXPECT_FALSE(Module1::LoadLocalizedText(49, id).isEmpty()) << "German " << id;
    }
}

TEST(RuleGuard, ChecksRegistrationUserEditAndReentryAndReleasesTheFlagOnEveryPath)
{
    corvanetest::FrameViewAbsent bare; // the helpers alone, without the frame's rules
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem currentSequence;
    currentSequence.Register(applet.manager, QStringLiteral("currentSequence"));
    clsRuleGuard guard;
    const uint32_t all = clsRuleGuard::Registered | clsRuleGuard::UserEdit | clsRuleGuard::NotInRule;

    EXPECT_FALSE(guard.Enter(all, false, &currentSequence));
    guard.SetRegistered(true);
    {
        auto scope = guard.Enter(all, false, &currentSequence);
        ASSERT_TRUE(scope);
        EXPECT_TRUE(guard.InRule());
        // The rule's own writes come back: refused while it runs; a nested
        // rule without the check runs and leaves the flag to the outer one.
        EXPECT_FALSE(guard.Enter(clsRuleGuard::NotInRule));
        { auto nested = guard.Enter(clsRuleGuard::Registered); EXPECT_TRUE(nested); }
        EXPECT_TRUE(guard.InRule());
    }
    EXPECT_FALSE(guard.InRule());

    // A rule that raises still releases the flag.
    auto failingRule = [&] {
        auto scope = guard.Enter(all, false, &currentSequence);
        throw std::runtime_error("rule failed");
    };
    EXPECT_THROW(failingRule(), std::runtime_error);
    EXPECT_FALSE(guard.InRule());
    EXPECT_TRUE(guard.Enter(all, false, &currentSequence));

    EXPECT_FALSE(guard.Enter(all, true, &currentSequence));   // written by a rule
    EXPECT_FALSE(guard.Enter(clsRuleGuard::UserEdit, false)); // nothing to check against
    currentSequence.SetStringValue(QStringLiteral("Upload"));
    EXPECT_FALSE(guard.Enter(all, false, &currentSequence));
    EXPECT_TRUE(guard.Enter(clsRuleGuard::Registered, true, &currentSequence));

    EXPECT_TRUE(clsRuleGuard::IsRuleSuppressed(16 | 1));
    EXPECT_FALSE(clsRuleGuard::IsRuleSuppressed(1));
    EXPECT_TRUE(clsRuleGuard::IsIgnoredNotification(4));
    EXPECT_FALSE(clsRuleGuard::IsIgnoredNotification(16));
}

TEST(MessageSender, WritesOnlyWhileRegisteredAndSwitchedOn)
{
    corvanetest::FrameViewAbsent bare; // the helpers alone, without the frame's rules
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem changes;
    changes.Register(applet.manager, QStringLiteral("ChangesByRevision"));
    {
        clsMessageSender sender;
        sender.SwitchOn();
        sender.send(QStringLiteral("unregistered"));
        EXPECT_EQ(changes.StringValue(), QString());
        sender.SwitchOff();
        sender.Register(applet.manager);
        sender.send(QStringLiteral("switched off"));
        EXPECT_EQ(changes.StringValue(), QString());
        sender.SwitchOn();
        sender.send(Module1::LoadLocalizedText(1, 2001));
        EXPECT_EQ(changes.StringValue(), QStringLiteral("Setting differential pressure unit to \"mbar\"."));
        sender.Register(applet.manager); // a second binding replaces the first
        sender.send(QStringLiteral("again"));
        EXPECT_EQ(changes.StringValue(), QStringLiteral("again"));
    }
}
