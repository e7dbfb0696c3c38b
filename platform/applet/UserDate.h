#pragma once
// Dates as the user reads and types them. The device keeps a date as text in
// one form ("2024-06-01"); a German user reads and types "01.06.2024", an
// English one the device's form. Fields and reports show the user's form,
// items keep the device's.
#include <QDate>
#include <QString>
#include <cstdint>

namespace applet {
namespace UserDate {

// The form the device keeps its dates in.
inline const QString kDeviceFormat = QStringLiteral("yyyy-MM-dd");

// The date a text names in one of the forms of the user's language, or in
// the device's form, which everyone may type; invalid for anything else.
QDate Read(const QString& text, int32_t countryCode);

// The form the user of the country code is asked for: as a format
// ("dd.MM.yyyy") and as the user reads it written out ("TT.MM.JJJJ").
QString AskedFormat(int32_t countryCode);
QString AskedPattern(int32_t countryCode);

// A date the device keeps, in the user's form; any other text unchanged.
QString Shown(const QString& stored, int32_t countryCode);

} // namespace UserDate
} // namespace applet
