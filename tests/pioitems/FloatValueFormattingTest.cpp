// The display text of a float value cut to a width: rounding ties to even,
// cutting only decimals, the exponent form for an integer part wider than the
// width, and the whole integer part where only the rounding carries past it.
#include "pioitems/FloatFormatting.h"
#include <clocale>
#include <gtest/gtest.h>
#include <string>

using pioitems::FloatFormatting::FormatFloat;

namespace {

QString Format(double value, int16_t decimalPlaces, int16_t maxDigits)
{
    return FormatFloat(value, decimalPlaces, maxDigits).value_or(QStringLiteral("<none>"));
}

} // namespace

TEST(FloatValueFormatting, RoundsThenCutsDecimalsToTheWidth)
{
    // A single-precision item value widened, as the control reads it.
    EXPECT_EQ(Format(static_cast<double>(1234.5678f), 3, 7), "1234.56");
    EXPECT_EQ(Format(123456, 10, 7), "123456");
    EXPECT_EQ(Format(2.5, 10, 255), "2.5000000000");
    EXPECT_EQ(Format(12.25, 0, 10), "12.0") << "no decimals still shows one";
    EXPECT_EQ(Format(1234.5, 1, 5), "1234") << "no separator left at the end";
    EXPECT_EQ(Format(-1234.5, 1, 6), "-1234");
    EXPECT_EQ(Format(-0.5, 1, 3), "-0");
}

TEST(FloatValueFormatting, RoundsTiesToEven)
{
    EXPECT_EQ(Format(0.125, 2, 10), "0.12");
    EXPECT_EQ(Format(0.375, 2, 10), "0.38");
    EXPECT_EQ(Format(2.5, 0, 10), "2.0");
    EXPECT_EQ(Format(3.5, 0, 10), "4.0");
}

TEST(FloatValueFormatting, IntegerPartWiderThanTheWidthShowsAsExponent)
{
    EXPECT_EQ(Format(12345678, 10, 7), "1.235E+07");
    EXPECT_EQ(Format(-1234567, 2, 7), "-1.235E+06") << "the sign counts as a character";
    EXPECT_EQ(Format(1234567, 2, 7), "1234567");
    EXPECT_EQ(Format(5, 2, 0), "5.000E+00");
    // Rounding that carries into one more integer digit is never cut into.
    EXPECT_EQ(Format(999.96, 1, 4), "1000");
    EXPECT_EQ(Format(999999.96, 1, 6), "1000000");
}

TEST(FloatValueFormatting, FollowsTheUsersLanguageAndRefusesWhatCannotBeShown)
{
    EXPECT_EQ(FormatFloat(1234.5678, 3, 7, 49).value_or(QString()), "1234,56");
    EXPECT_EQ(FormatFloat(12345678, 3, 7, 49).value_or(QString()), "1,235E+07");
    EXPECT_FALSE(FormatFloat(1.5, -1, 7));
    EXPECT_FALSE(FormatFloat(std::numeric_limits<double>::quiet_NaN(), 3, 7));
    EXPECT_FALSE(FormatFloat(std::numeric_limits<double>::infinity(), 3, 7));
}

TEST(FloatValueFormatting, TheSystemsLocaleChangesNoNumber)
{
    // Qt takes the process's locale from the environment, so a German system
    // locale may be set while an English user reads the window.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const char* german = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if (!german && std::setlocale(LC_NUMERIC, name))
            german = name;
    if (!german)
        GTEST_SKIP() << "no German locale installed";
    const QString english = Format(1234.5678, 3, 7);
    const QString englishExponent = Format(12345678, 3, 7);
    const QString germanText = FormatFloat(1234.5678, 3, 7, 49).value_or(QString());
    const QString germanExponent = FormatFloat(-12345678, 3, 7, 49).value_or(QString());
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_EQ(english, "1234.56") << german;
    EXPECT_EQ(englishExponent, "1.235E+07");
    EXPECT_EQ(germanText, "1234,56");
    EXPECT_EQ(germanExponent, "-1,235E+07");
}
