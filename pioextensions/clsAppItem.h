#pragma once
// One named applet item bound to an object: registers the item with the item
// manager, reads and writes its value in the item's own type, and turns the
// manager's change notifications into the events ValueChanged3, ValueChanged
// and ValueChanged2 and, when one is named, a call of the handler method
// (Index, value, suppressRule) on the handler object.
//
// An item without a manager or item handle reads as the empty value of its
// type (empty text, 0, empty bytes). Writes act only while registered.
#include "pioextensions/IAppItem.h"
#include "pioextensions/ItemViewBinding.h"
#include "platform/applet/TdxFileParser.h"
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

namespace applet {
class clsAppletItemManager;
}

class clsAppItem : public QObject, public IAppItem {
    Q_OBJECT
public:
    clsAppItem();
    ~clsAppItem() override;
    clsAppItem(const clsAppItem&) = delete;
    clsAppItem& operator=(const clsAppItem&) = delete;

    // Stores the values; registers nothing.
    void Init(const QString& name, bool RegisterOnShadow = false, int16_t UpdateInterval = 0,
              QObject* eventHandler = nullptr, const QString& methodName = QString(), int16_t Index = 0);
    // Init with Index 0, then Register1.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef, const QString& name,
                  bool RegisterOnShadow = false, int16_t UpdateInterval = 0, QObject* eventHandler = nullptr,
                  const QString& methodName = QString());
    // Registers the stored item; raises REGISTRATION_FAILED for an item the
    // manager does not know (the item stays unregistered).
    void Register1(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef);
    void UnRegister();

    // Each setter gives the manager's failed flag (applet::kItemOk when the
    // value was written, kItemUnknown when the item is not registered); a
    // refusal also goes to the report hook.
    QString StringValue() const;
    int32_t SetStringValue(const QString& value);
    double UIntValue() const;
    int32_t SetUIntValue(double value);
    int32_t BCDValue() const;
    int32_t SetBCDValue(int32_t value);
    float FloatValue() const;
    int32_t SetFloatValue(float value);
    int32_t IntValue() const;
    int32_t SetIntValue(int32_t value);
    // A byte array in a variant; an empty variant when unbound.
    QVariant OctetValue() const;
    // Keeps the item's current length: a longer value is cut, a shorter one
    // padded with zero bytes; a value that is not a byte array writes zeros.
    int32_t SetOctetValue(const QVariant& value);
    QByteArray PCAValue() const;
    int32_t SetPCAValue(const QByteArray& value);
    QByteArray HartDateValue() const;
    int32_t SetHartDateValue(const QByteArray& value);

    // The enumeration text of the value in the user's language; empty when none fits.
    QString EnumValue() const;
    // The type code of the description (applet::ItemType as a number).
    int32_t DataType() const;
    // Copies the item's shadow value into its dataset value.
    void Adjust();
    int16_t Index() const { return m_index; }

    // The state of the binding, for the controls built on the item.
    const QString& Name() const { return m_name; }
    bool IsRegistered() const { return m_registered; }
    int32_t ItemHandle() const { return m_itemHandle; }
    bool RegisterOnShadow() const { return m_registerOnShadow; }
    int16_t UpdateInterval() const { return m_updateInterval; }
    bool HasEnumeration() const { return m_hasEnumeration; }
    const QList<applet::TdxEnumEntry>& EnumerationTable() const { return m_enumerationTable; }
    const std::shared_ptr<applet::clsAppletItemManager>& Manager() const { return m_binding.Manager(); }

    void OnNotifyChanged(int32_t& itemHandle, bool bShadow, int32_t lState, int32_t lUserLong) override;

signals:
    void ValueChanged3(const QString& appItemValue, int32_t itemState);
    void ValueChanged2(const QString& appItemValue, bool suppressRule);
    void ValueChanged(const QString& appItemValue);

private:
    bool Bound() const;
    bool CanWrite(const char* source) const;
    void ReadEnumerationTable();

    ItemViewBinding m_binding;
    bool m_registered = false;
    int32_t m_itemHandle = 0;
    QList<applet::TdxEnumEntry> m_enumerationTable;
    bool m_hasEnumeration = false;
    QString m_name;
    int16_t m_updateInterval = 0;
    bool m_registerOnShadow = false;
    QPointer<QObject> m_eventHandler;
    QString m_methodName;
    int16_t m_index = 0;
};
