#include "platform/applet/UserDate.h"
#include "platform/applet/UserNumber.h"
#include <iterator>

namespace applet {
namespace UserDate {

namespace {

// The date forms a user types, by language: the first of a language is the
// one the user is asked for and reads; 0 stands for every language.
struct Form {
    int32_t countryCode;
    const char* format;
    const char* pattern; // the form as the user reads it written out
};
constexpr Form kForms[] = {
    {UserNumber::kCountryGerman, "dd.MM.yyyy", "TT.MM.JJJJ"},
    {UserNumber::kCountryGerman, "d.M.yyyy", "TT.MM.JJJJ"},
    {0, "yyyy-MM-dd", "YYYY-MM-DD"},
};

const Form& Asked(int32_t countryCode)
{
    for (const Form& form : kForms)
        if (form.countryCode == countryCode)
            return form;
    return kForms[std::size(kForms) - 1];
}

} // namespace

QDate Read(const QString& text, int32_t countryCode)
{
    for (const Form& form : kForms)
        if (form.countryCode == countryCode || form.countryCode == 0)
            if (const QDate date = QDate::fromString(text.trimmed(), QLatin1String(form.format)); date.isValid())
                return date;
    return QDate();
}

QString AskedFormat(int32_t countryCode)
{
    return QLatin1String(Asked(countryCode).format);
}

QString AskedPattern(int32_t countryCode)
{
    return QLatin1String(Asked(countryCode).pattern);
}

QString Shown(const QString& stored, int32_t countryCode)
{
    const QDate date = QDate::fromString(stored.trimmed(), kDeviceFormat);
    return date.isValid() ? date.toString(AskedFormat(countryCode)) : stored;
}

} // namespace UserDate
} // namespace applet
