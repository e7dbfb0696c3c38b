#pragma once
// A control that binds one applet item to a form. The form's control item
// handler registers it with the item manager; it then relays the item's
// changes as ValueChanged and ValueChanged2, keeps the state word of the last
// change in ItemState, reads and writes the item in each of its types, and
// offers the float value as a text cut to a display width. While the form is
// designed it shows "AppItem: " and the item name.
#include "pioextensions/clsAppItem.h"
#include "pioitems/PersistedProperty.h"
#include "pioitems/PioItemControl.h"
#include <QByteArray>
#include <QVariant>
#include <array>

namespace pioitems {

class PioAppItem : public PioItemControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("PioItems.PioAppItem");

    explicit PioAppItem(QWidget* parent = nullptr);
    ~PioAppItem() override;

    // Registration (PioItemControl): after a successful one the control
    // raises ValueChanged and ValueChanged2 with the item's current text, so
    // its container sees the value once; after a failed one it raises
    // nothing.

    int16_t UpdateInterval() const { return m_UpdateInterval; }
    void SetUpdateInterval(int16_t value);
    // The float value rounded to DecimalPlaces and cut to MaxDigits
    // characters (FloatFormatting); the item's text for an item that is not
    // a float or cannot be read as one.
    QString FloatValueFormatted() const;

    // The typed values of the item. A read that fails gives the empty value
    // of the type; a write while the form is designed raises ComError 387 and
    // writes nothing; a write the item refuses at run time raises its error
    // (INVALID_DATATYPE for a wrong type or value).
    QString StringValue() const;
    void SetStringValue(const QString& value);
    int32_t BCDValue() const;
    void SetBCDValue(int32_t value);
    float FloatValue() const;
    void SetFloatValue(float value);
    // A byte array in a variant.
    QVariant HartDateValue() const;
    // value: a byte array, or a list of numbers 0 to 255.
    void SetHartDateValue(const QVariant& value);
    int32_t IntValue() const;
    void SetIntValue(int32_t value);
    QVariant OctetValue() const;
    void SetOctetValue(const QVariant& value);
    QVariant PCAValue() const;
    void SetPCAValue(const QVariant& value);
    // The item's value rounded to a whole 32-bit number (ties to even).
    double UIntValue() const;
    void SetUIntValue(double value);
    QString EnumValue() const;
    // EnumValue of a unit item as a reader is shown it: the symbol of the
    // description's unit table ("°C" for "degC").
    QString UnitSymbol() const;
    int16_t DecimalPlaces() const { return m_DecimalPlaces; }
    void SetDecimalPlaces(int16_t value);
    int16_t MaxDigits() const { return m_MaxDigits; }
    void SetMaxDigits(int16_t value);
    // The item's data type (applet::ItemType as a number); 0 when unknown.
    int32_t DataType() const;
    int32_t ItemState() const { return m_ItemState; }
    // The bound item itself, for helpers that work on items (the range
    // adjustment and the rule guard of the rule controls).
    clsAppItem& AppItem() { return m_item; }
    const clsAppItem& AppItem() const { return m_item; }
    // The item's Adjust; its errors reach the caller.
    void Adjust();

    void ReadProperties(const automation::PropertyBag& bag) override;
    void WriteProperties(automation::PropertyBag& bag) const override;

protected:
    void RegisterItem(const std::shared_ptr<applet::clsAppletItemManager>& manager) override;
    void UnRegisterItem() override;
    void OnRegistered() override;

signals:
    void ValueChanged(const QString& Value);
    void ValueChanged2(const QString& Value, bool suppressRule);

private:
    static const std::array<PersistedProperty<PioAppItem>, 5> kPersisted;

    // A read of the item; the empty value when it fails (traced).
    template <class T, class Get>
    T Read(const char* property, T empty, Get get) const;
    // A write of the item: only at run time (387 while designing); a refusal
    // is traced and raised.
    template <class Put, class T>
    void Write(const char* property, Put put, const T& value);
    // A byte array of the variant; false (traced) for a value that is none.
    bool ToBytes(const char* property, const QVariant& value, QByteArray& bytes) const;

    clsAppItem m_item;
    int16_t m_UpdateInterval = 0;
    int16_t m_DecimalPlaces = 10;
    int16_t m_MaxDigits = 255;
    int32_t m_ItemState = 0;
};

} // namespace pioitems
