#include "fennick/services/Language.h"
#include <array>

namespace Language {
namespace {

struct LocaleRow {
    QLocale::Language language;
    QLocale::Territory territory; // AnyTerritory: the language's default locale id
    uint32_t lcid;
};

// Qt locales to locale ids. The first row of a language with AnyTerritory is
// the id used for a territory that has no row of its own.
constexpr std::array kLocales{
    LocaleRow{QLocale::C, QLocale::AnyTerritory, 1033},
    LocaleRow{QLocale::English, QLocale::AnyTerritory, 1033},
    LocaleRow{QLocale::English, QLocale::UnitedStates, 1033},
    LocaleRow{QLocale::English, QLocale::UnitedKingdom, 2057},
    LocaleRow{QLocale::English, QLocale::Australia, 3081},
    LocaleRow{QLocale::English, QLocale::Canada, 4105},
    LocaleRow{QLocale::English, QLocale::NewZealand, 5129},
    LocaleRow{QLocale::English, QLocale::Ireland, 6153},
    LocaleRow{QLocale::English, QLocale::SouthAfrica, 7177},
    LocaleRow{QLocale::English, QLocale::India, 16393},
    LocaleRow{QLocale::English, QLocale::Singapore, 18441},
    LocaleRow{QLocale::German, QLocale::AnyTerritory, 1031},
    LocaleRow{QLocale::German, QLocale::Germany, 1031},
    LocaleRow{QLocale::German, QLocale::Switzerland, 2055},
    LocaleRow{QLocale::German, QLocale::Austria, 3079},
    LocaleRow{QLocale::German, QLocale::Luxembourg, 4103},
    LocaleRow{QLocale::German, QLocale::Liechtenstein, 5127},
    LocaleRow{QLocale::French, QLocale::AnyTerritory, 1036},
    LocaleRow{QLocale::French, QLocale::France, 1036},
    LocaleRow{QLocale::French, QLocale::Belgium, 2060},
    LocaleRow{QLocale::French, QLocale::Canada, 3084},
    LocaleRow{QLocale::French, QLocale::Switzerland, 4108},
    LocaleRow{QLocale::French, QLocale::Luxembourg, 5132},
    LocaleRow{QLocale::French, QLocale::Monaco, 6156},
    LocaleRow{QLocale::Spanish, QLocale::AnyTerritory, 3082},
    LocaleRow{QLocale::Spanish, QLocale::Spain, 3082},
    LocaleRow{QLocale::Spanish, QLocale::Mexico, 2058},
    LocaleRow{QLocale::Spanish, QLocale::Guatemala, 4106},
    LocaleRow{QLocale::Spanish, QLocale::CostaRica, 5130},
    LocaleRow{QLocale::Spanish, QLocale::Panama, 6154},
    LocaleRow{QLocale::Spanish, QLocale::DominicanRepublic, 7178},
    LocaleRow{QLocale::Spanish, QLocale::Venezuela, 8202},
    LocaleRow{QLocale::Spanish, QLocale::Colombia, 9226},
    LocaleRow{QLocale::Spanish, QLocale::Peru, 10250},
    LocaleRow{QLocale::Spanish, QLocale::Argentina, 11274},
    LocaleRow{QLocale::Spanish, QLocale::Ecuador, 12298},
    LocaleRow{QLocale::Spanish, QLocale::Chile, 13322},
    LocaleRow{QLocale::Spanish, QLocale::Uruguay, 14346},
    LocaleRow{QLocale::Spanish, QLocale::Paraguay, 15370},
    LocaleRow{QLocale::Spanish, QLocale::Bolivia, 16394},
    LocaleRow{QLocale::Spanish, QLocale::ElSalvador, 17418},
    LocaleRow{QLocale::Spanish, QLocale::Honduras, 18442},
    LocaleRow{QLocale::Spanish, QLocale::Nicaragua, 19466},
    LocaleRow{QLocale::Spanish, QLocale::PuertoRico, 20490},
};

struct CodeRow {
    uint16_t lcid;
    const char* code;
};

// Locale ids with a code of their own; every other id is English ("001").
constexpr std::array kCodes{
    CodeRow{1031, "049"},  CodeRow{2055, "049"},  CodeRow{3079, "049"},  CodeRow{4103, "049"},
    CodeRow{5127, "049"},  CodeRow{1036, "033"},  CodeRow{2060, "033"},  CodeRow{3084, "033"},
    CodeRow{4108, "033"},  CodeRow{5132, "033"},  CodeRow{1034, "034"},  CodeRow{2058, "034"},
    CodeRow{3082, "034"},  CodeRow{4106, "034"},  CodeRow{5130, "034"},  CodeRow{6154, "034"},
    CodeRow{7178, "034"},  CodeRow{8202, "034"},  CodeRow{9226, "034"},  CodeRow{10250, "034"},
    CodeRow{11274, "034"}, CodeRow{12298, "034"}, CodeRow{13322, "034"}, CodeRow{14346, "034"},
    CodeRow{15370, "034"}, CodeRow{16394, "034"}, CodeRow{17418, "034"}, CodeRow{18442, "034"},
    CodeRow{19466, "034"}, CodeRow{20490, "034"},
};
constexpr const char* kDefaultCode = "001";

LocaleIdSource& source()
{
    static LocaleIdSource s;
    return s;
}

} // namespace

QString LanguageCodeOfLcid(uint32_t lcid)
{
    const auto id = static_cast<uint16_t>(lcid & 0xFFFFu);
    for (const CodeRow& row : kCodes)
        if (row.lcid == id)
            return QString::fromLatin1(row.code);
    return QString::fromLatin1(kDefaultCode);
}

uint32_t LcidOfLocale(const QLocale& locale)
{
    const QLocale::Language language = locale.language();
    const QLocale::Territory territory = locale.territory();
    uint32_t languageDefault = kLcidCustomUnspecified;
    bool languageSeen = false;
    for (const LocaleRow& row : kLocales) {
        if (row.language != language)
            continue;
        if (row.territory == territory)
            return row.lcid;
        if (!languageSeen && row.territory == QLocale::AnyTerritory) {
            languageDefault = row.lcid;
            languageSeen = true;
        }
    }
    return languageDefault;
}

uint32_t UserDefaultLcid()
{
    if (source())
        return source()();
    return LcidOfLocale(QLocale());
}

uint16_t UserDefaultLangId()
{
    return static_cast<uint16_t>(UserDefaultLcid() & 0xFFFFu);
}

void SetLocaleIdSource(LocaleIdSource newSource)
{
    source() = std::move(newSource);
}

QString GetLanguageCode()
{
    return LanguageCodeOfLcid(UserDefaultLcid());
}

} // namespace Language
