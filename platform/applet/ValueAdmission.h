#pragma once
// The one check a value passes on its way into a dataset, whatever brings it
// (a page edit, a dataset or project file, a frame's parameters, a default
// dataset): it must fit its item's type and size, the range and enumeration
// its description gives, the calendar for a date, and the field of the record
// that carries it to the device. A text that travels as packed ASCII is held
// in upper case, as the device holds it. Sans-I/O.
#include <QString>
#include <QVariant>

namespace applet {

class AppletItem;
class Description;

namespace ValueAdmission {

// The stored form of text for the item; false with the reason (without the
// item's name) when it does not fit. description may be null: then only the
// item's type and size are checked.
bool FromText(const Description* description, const AppletItem& item, const QString& text, QVariant& stored,
              QString& why);

// Whether a value in stored form fits the item (range, enumeration, date,
// the field that carries it); false with the reason.
bool Fits(const Description* description, const AppletItem& item, const QVariant& stored, QString& why);

// What a refusal tells: "the value 'TEXT' of NAME does not fit the item: WHY".
QString Refusal(const QString& itemName, const QString& text, const QString& why);

} // namespace ValueAdmission
} // namespace applet
