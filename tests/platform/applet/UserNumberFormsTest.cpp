#include "platform/applet/UserNumber.h"
#include <gtest/gtest.h>

using applet::UserNumber::kCountryEnglish;
using applet::UserNumber::kCountryGerman;
using applet::UserNumber::Parse;
using applet::UserNumber::SeparatorHint;

TEST(UserNumberForms, AGermanUserTypesTheCommaAndAPointIsRefusedWithAWordOnTheComma)
{
    EXPECT_EQ(Parse(QStringLiteral(" 1,5 "), kCountryGerman), 1.5);
    EXPECT_EQ(Parse(QStringLiteral("-2,5e3"), kCountryGerman), -2500.0);
    EXPECT_EQ(Parse(QStringLiteral("1000"), kCountryGerman), 1000.0);
    // To a German reader "1.000" is one thousand, to an English one 1: neither is guessed.
    for (const char* text : {"1.000", "1.5", "1.000,5", "1,000,5", ".5"}) {
        EXPECT_FALSE(Parse(QString::fromLatin1(text), kCountryGerman)) << text;
    }
    EXPECT_TRUE(SeparatorHint(QStringLiteral("1.000"), kCountryGerman).contains(QStringLiteral("Komma")));
    EXPECT_TRUE(SeparatorHint(QStringLiteral("1.000,5"), kCountryGerman).isEmpty()) << "it has the comma";
    EXPECT_TRUE(SeparatorHint(QStringLiteral("abc"), kCountryGerman).isEmpty());

    // English keeps the point and refuses the comma.
    EXPECT_EQ(Parse(QStringLiteral("1.000"), kCountryEnglish), 1.0);
    EXPECT_FALSE(Parse(QStringLiteral("1,5"), kCountryEnglish));
    EXPECT_TRUE(SeparatorHint(QStringLiteral("1.5"), kCountryEnglish).isEmpty());
}
