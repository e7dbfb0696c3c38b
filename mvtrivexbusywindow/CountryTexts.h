#pragma once
// The library's own string table and text rule. The entry whose id is the
// country code holds the base of that language's ids ("1": "1000",
// "49": "10000"); text n of a language has the id base + n. A country code
// without a numeric entry of its own takes the English base.
//
// A form is localised from the text numbers its controls carry in their
// "Tag" and "ToolTipText" properties (for tabs and list columns in their
// data), by the kind of control.
#include <QString>

class QWidget;

namespace mvtrivexbusywindow {

// The text of number n for the country code; empty when the table has none.
QString LoadCountryText(int countryCode, int n);

// Captions and tool tips of the form and its controls from their text
// numbers. A step that fails is traced and skipped.
void LocalizeForm(QWidget& form, int countryCode);

} // namespace mvtrivexbusywindow
