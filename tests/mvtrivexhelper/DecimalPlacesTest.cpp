// Decimal places proposed for a span, and the plain number text they count.
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/clsGetDecimalPlaces.h"
#include "platform/automation/ComError.h"
#include "tests/pioextensions/ErrorTraces.h"
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(DecimalPlacesTest, CharactersOfTheWholeThousandthsOfTheSpan)
{
    clsGetDecimalPlaces places;
    const struct {
        double span;
        int16_t places;
    } cases[] = {
        {1, 4},     {10, 3},    {100, 2},  {1000, 1}, {2000, 1}, // 1000/2000 = 0.5 -> "0"
        {-10, 3},   {0.5, 4},   {0.3, 4},                        // 3333.3 -> "3333"
        {0.01, 6},  {0.001, 7}, {1e-13, 5},                      // 1E+16
        {3e-13, 20},                                             // 3.33333333333333E+15
        {std::numeric_limits<double>::infinity(), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(places.GetDecimalPlaces(c.span), c.places) << c.span;
}

TEST(DecimalPlacesTest, ASpanOfZeroRaisesDivisionByZero)
{
    piotest::ErrorTraces traces;
    clsGetDecimalPlaces places;
    try {
        places.GetDecimalPlaces(0);
        ADD_FAILURE() << "span 0 gave a result";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), HelperErrors::kDivisionByZero);
    }
    EXPECT_TRUE(traces.Contains(QStringLiteral("Division by zero")));
}

TEST(DecimalPlacesTest, SpansWithoutAFiniteQuotientRaise)
{
    clsGetDecimalPlaces places;
    try {
        places.GetDecimalPlaces(1e-320); // 1000 / 1e-320 is beyond a double
        ADD_FAILURE() << "an infinite quotient gave a result";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), HelperErrors::kOverflow);
    }
    EXPECT_THROW(places.GetDecimalPlaces(std::numeric_limits<double>::quiet_NaN()), automation::ComError);
}

TEST(NumberTextTest, PlainTextOfNumbers)
{
    EXPECT_EQ(NumberText::Plain(0), QStringLiteral("0"));
    EXPECT_EQ(NumberText::Plain(-0.0), QStringLiteral("0"));
    EXPECT_EQ(NumberText::Plain(0.21 * 100), QStringLiteral("21"));
    EXPECT_EQ(NumberText::Plain(3333), QStringLiteral("3333"));
    EXPECT_EQ(NumberText::Plain(-2.5), QStringLiteral("-2.5"));
    EXPECT_EQ(NumberText::Plain(0.5), QStringLiteral("0.5"));
    EXPECT_EQ(NumberText::Plain(0.00015), QStringLiteral("0.00015"));
    EXPECT_EQ(NumberText::Plain(0.00001), QStringLiteral("1E-05"));
    EXPECT_EQ(NumberText::Plain(999999999999999), QStringLiteral("999999999999999"));
    EXPECT_EQ(NumberText::Plain(1e15), QStringLiteral("1E+15"));
    EXPECT_EQ(NumberText::Plain(1e16), QStringLiteral("1E+16"));
    EXPECT_EQ(NumberText::Plain(123456789012345678.0), QStringLiteral("1.23456789012346E+17"));
    EXPECT_EQ(NumberText::Plain(9999999999999999.0), QStringLiteral("1E+16")); // rounds up to a power of ten
    EXPECT_EQ(NumberText::Plain(1e308), QStringLiteral("1E+308"));
    EXPECT_EQ(NumberText::Plain(std::numeric_limits<double>::infinity()), QString());
}

TEST(NumberTextTest, WholeTextsAsNumbers)
{
    double v = -1;
    EXPECT_TRUE(NumberText::ToNumber(QStringLiteral(" 22 "), v));
    EXPECT_EQ(v, 22);
    EXPECT_TRUE(NumberText::ToNumber(QStringLiteral("-3.5e2"), v));
    EXPECT_EQ(v, -350);
    EXPECT_TRUE(NumberText::ToNumber(QStringLiteral("+.5"), v));
    EXPECT_EQ(v, 0.5);
    v = 7;
    for (const char* bad : {"", " ", "22,5", "1,000", "abc", "2x", "1e999", "inf", "nan", "0x10", "1 2"})
        EXPECT_FALSE(NumberText::ToNumber(QString::fromLatin1(bad), v)) << bad;
    EXPECT_EQ(v, 7);
}

TEST(NumberTextTest, LeadingNumbers)
{
    double v = -1;
    EXPECT_TRUE(NumberText::LeadingNumber(QStringLiteral("0.21abc"), v));
    EXPECT_EQ(v, 0.21);
    EXPECT_TRUE(NumberText::LeadingNumber(QStringLiteral("  7.5 V"), v));
    EXPECT_EQ(v, 7.5);
    EXPECT_TRUE(NumberText::LeadingNumber(QStringLiteral("V7"), v));
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(NumberText::LeadingNumber(QStringLiteral("9e999 huge"), v));
}

TEST(NumberTextTest, RoundingHalvesToEvenWithinRange)
{
    int32_t i = 0;
    EXPECT_TRUE(NumberText::RoundToInt32(2.5, i));
    EXPECT_EQ(i, 2);
    EXPECT_TRUE(NumberText::RoundToInt32(3.5, i));
    EXPECT_EQ(i, 4);
    EXPECT_TRUE(NumberText::RoundToInt32(-2.5, i));
    EXPECT_EQ(i, -2);
    EXPECT_TRUE(NumberText::RoundToInt32(127.6, i));
    EXPECT_EQ(i, 128);
    EXPECT_FALSE(NumberText::RoundToInt32(3e9, i));
    EXPECT_FALSE(NumberText::RoundToInt32(std::numeric_limits<double>::quiet_NaN(), i));
    int16_t s = 0;
    EXPECT_TRUE(NumberText::RoundToInt16(32767.4, s));
    EXPECT_EQ(s, 32767);
    EXPECT_FALSE(NumberText::RoundToInt16(32767.5, s));
    EXPECT_EQ(s, 32767);
}

} // namespace
