#pragma once
// The unit a group of dependent values is currently expressed in, kept by a
// rule that converts those values when their unit item changes ("last
// temperature unit" and the like).
//
// It is unknown until it is taken from the unit item (when the item is bound
// and after every upload) or set by a change of the unit. A conversion from
// an unknown unit converts nothing and says so in the trace: converting from
// a guessed unit would write plainly wrong values into the dataset.
#include <QString>
#include <cstdint>
#include <optional>

class IChangeUnitValue;

class RememberedUnit {
public:
    // name says in traces which unit this is ("last temperature unit").
    explicit RememberedUnit(QString name) : m_name(std::move(name)) {}

    bool Known() const { return m_code != 0; }
    // The unit code; 0 while unknown.
    int16_t Code() const { return m_code; }
    const QString& Name() const { return m_name; }

    // Remembers code; 0 or a code outside 16 bits makes the unit unknown
    // (the latter traced).
    void Set(double code);
    // Remembers the code in the unit item's text (the number in it, rounded
    // to a whole code). A text that holds no unit code makes the unit
    // unknown, traced.
    void TakeFrom(const QString& unitText);
    void Forget() { m_code = 0; }

    // value converted from the remembered unit into newUnit; nothing while
    // the remembered unit is unknown (traced: what names the value that
    // stays as it is).
    std::optional<double> Convert(IChangeUnitValue& converter, double value, int32_t newUnit,
                                  const QString& what) const;

    // The unit code in a unit item's text, rounded to a whole number; none
    // for an empty text, a text that is no number, and a number outside 16 bits.
    static std::optional<int16_t> CodeOf(const QString& unitText);

private:
    QString m_name;
    int16_t m_code = 0;
};
