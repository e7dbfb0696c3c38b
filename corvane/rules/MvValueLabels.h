#pragma once
// The labels of the flow calculation's values, as the user knows them from
// the pages, in English and German. The calculation engine names a value by
// its item name ("mvdpr (0) must be above 0"); before a message reaches the
// user every such name is replaced by its label, so that the user can find
// the value to correct.
#include <QString>
#include <cstdint>

namespace MvValueLabels {

// The label of an item in the language of the country code (German for 49,
// English otherwise); the item name itself for an item without a label.
// Items of a table ("mvT1", "mvZkb9") take the table's label with their number.
QString Label(const QString& itemName, int16_t countryCode);

// text with every item name that has a label replaced by it.
QString Labelled(const QString& text, int16_t countryCode);

} // namespace MvValueLabels
