#pragma once
// The user's language: the locale id (Windows LCID numbering, which the
// description files and the applet toolkit speak) and the three-digit
// language code derived from it.
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>

namespace Language {

// The three-digit code of the user's default locale: "001" English (and every
// locale not listed), "049" German, "033" French, "034" Spanish.
QString GetLanguageCode();

// The code for a locale id (only its low 16 bits count).
QString LanguageCodeOfLcid(uint32_t lcid);

// The locale id of a Qt locale: its language and territory looked up in a
// table; a territory not listed gives the language's default locale id, a
// language not listed gives kLcidCustomUnspecified.
uint32_t LcidOfLocale(const QLocale& locale);

// What the system answers for a locale it has no id for.
constexpr uint32_t kLcidCustomUnspecified = 0x1000;

// The user's default locale id: from the injected source, otherwise from
// QLocale() (the system locale unless QLocale::setDefault changed it).
uint32_t UserDefaultLcid();
// The language id of the user's interface (the low 16 bits of the locale id).
uint16_t UserDefaultLangId();

// Replaces the locale-id source; an empty function restores the default.
using LocaleIdSource = std::function<uint32_t()>;
void SetLocaleIdSource(LocaleIdSource source);

} // namespace Language
