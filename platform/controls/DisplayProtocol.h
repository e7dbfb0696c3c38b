#pragma once
// The display protocol: how a measured-value selector re-binds whatever
// display control its window carries (digits, bar graph, plotter) by the
// names of the display's properties. The selector drops the display's
// bindings (UnRegister), sets the item names, scale ends, divisions and
// number format by name, and binds the items now named (Register). A
// multi-channel display takes the channel's properties in the indexed form,
// the channel number as index.
//
// The names and the value each takes are one table (kDisplayProperties);
// names are compared without regard to case. A display refuses, with a trace
// and a raised ComError, a name that is not in the table or that it does not
// carry in the form asked (438), a value of the wrong kind (13) or out of
// range (6), and a channel it does not have (9); the caller skips what a
// display refuses.
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace applet {
class clsAppletItemManager;
}

namespace controls {

class DisplayProtocol {
public:
    enum class Property {
        ObjectNameMin,     // lower end of the scale, a number in text
        ObjectNameMax,     // upper end of the scale, a number in text
        ObjectNameLoLim,   // item of the lower warning limit, empty for none
        ObjectNameHiLim,   // item of the upper warning limit
        ObjectNameLoLoLim, // item of the lower alarm limit
        ObjectNameHiHiLim, // item of the upper alarm limit
        LargeStep,         // scale divisions
        SmallStep,
        ObjectNameUnit,    // item of the unit
        ObjectNameValue,   // item of the measured value
        MaxDigits,         // number format
        DecimalPlaces,
        objectcaption,     // caption of one channel
    };
    // What a property's value is; the value reaches the display as QString,
    // float or int16_t.
    enum class Kind { Text, Single, Integer16 };
    // In which form a property is set.
    enum class Form { Plain, Indexed, Both };
    struct Entry {
        Property property;
        const char* name;
        Kind kind;
        Form form;
    };
    static const std::span<const Entry> kDisplayProperties;

    // Raised numbers.
    static constexpr int32_t kErrOverflow = 6;
    static constexpr int32_t kErrSubscriptOutOfRange = 9;
    static constexpr int32_t kErrTypeMismatch = 13;
    static constexpr int32_t kErrNotSupported = 438;

    virtual ~DisplayProtocol() = default;

    // Drops the current item bindings.
    virtual void UnRegister() = 0;
    // Binds the items now named and shows their values. userLevel and
    // countryCode are the values of the selector's user-level and
    // country-code items; what a display does with them is its own affair,
    // and they may be anything, including nothing.
    virtual void Register(const std::shared_ptr<applet::clsAppletItemManager>& manager, const QVariant& userLevel,
                          const QVariant& countryCode) = 0;

    // The plain and the indexed form of a property set by name.
    void SetDisplayProperty(const QString& name, const QVariant& value);
    void SetDisplayProperty(const QString& name, int index, const QVariant& value);

    // The table's entry of name; none for a name the protocol does not have.
    static const Entry* FindProperty(const QString& name);

protected:
    // Applies a property whose value has the table's kind; false when the
    // display does not carry it in this form. The indexed form raises
    // RaiseRefused(kErrSubscriptOutOfRange, ...) for a channel it does not have.
    virtual bool ApplyDisplayProperty(Property property, const QVariant& value) = 0;
    virtual bool ApplyDisplayProperty(Property property, int index, const QVariant& value);
    // Names the display in traces and errors.
    virtual QString DisplayName() const = 0;
    // Traces "display: description" and raises ComError(number).
    // A property the display does not carry is a refusal the caller expects
    // (a settings control offers every property to every display): traced
    // as information, not as an error.
    [[noreturn]] void RaiseRefused(int32_t number, const QString& description, bool expected = false) const;

private:
    const Entry& Look(const QString& name, Form form) const;
    QVariant Converted(const Entry& entry, const QVariant& value) const;
};

} // namespace controls
