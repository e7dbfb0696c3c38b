#include "fennick/services/Language.h"
#include "tests/fennick/services/QStringPrinter.h"
#include <gtest/gtest.h>

namespace {
class LanguageTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Language::SetLocaleIdSource(nullptr);
        QLocale::setDefault(QLocale::system());
    }
};
} // namespace

TEST_F(LanguageTest, LocaleIdsMapToTheirCode)
{
    for (uint32_t lcid : {1031u, 2055u, 3079u, 4103u, 5127u})
        EXPECT_EQ(Language::LanguageCodeOfLcid(lcid), "049") << lcid;
    for (uint32_t lcid : {1036u, 2060u, 3084u, 4108u, 5132u})
        EXPECT_EQ(Language::LanguageCodeOfLcid(lcid), "033") << lcid;
    for (uint32_t lcid = 1034; lcid <= 20490; lcid += 1024)
        EXPECT_EQ(Language::LanguageCodeOfLcid(lcid), "034") << lcid;
    EXPECT_EQ(Language::LanguageCodeOfLcid(21514), "001"); // one step past the Spanish list
    EXPECT_EQ(Language::LanguageCodeOfLcid(6156), "001");  // French (Monaco) is not listed
    EXPECT_EQ(Language::LanguageCodeOfLcid(1033), "001");
    EXPECT_EQ(Language::LanguageCodeOfLcid(0), "001");
    // Only the low 16 bits count: a sort-order id above them changes nothing.
    EXPECT_EQ(Language::LanguageCodeOfLcid(0x00010407), "049");
}

TEST_F(LanguageTest, QtLocalesGiveTheirLocaleIdAndFallBackByLanguage)
{
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::German, QLocale::Germany)), 1031u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::German, QLocale::Switzerland)), 2055u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::German, QLocale::Austria)), 3079u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::French, QLocale::Canada)), 3084u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::French, QLocale::Monaco)), 6156u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::Spanish, QLocale::Spain)), 3082u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::Spanish, QLocale::PuertoRico)), 20490u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::English, QLocale::UnitedKingdom)), 2057u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale::c()), 1033u);
    // A territory without an id of its own takes the language's default.
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::German, QLocale::Belgium)), 1031u);
    EXPECT_EQ(Language::LcidOfLocale(QLocale(QLocale::Japanese, QLocale::Japan)),
              Language::kLcidCustomUnspecified);
}

TEST_F(LanguageTest, CodeFollowsTheDefaultLocaleOrTheInjectedSource)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    EXPECT_EQ(Language::GetLanguageCode(), "049");
    EXPECT_EQ(Language::UserDefaultLangId(), 3079);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
    EXPECT_EQ(Language::GetLanguageCode(), "034");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(Language::GetLanguageCode(), "001");

    // 5132 with a sort-order id above it.
    Language::SetLocaleIdSource([] { return 0x0001140Cu; });
    EXPECT_EQ(Language::GetLanguageCode(), "033");
    EXPECT_EQ(Language::UserDefaultLangId(), 5132);
    Language::SetLocaleIdSource(nullptr);
    EXPECT_EQ(Language::GetLanguageCode(), "001");
}
