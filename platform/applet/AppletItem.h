#pragma once
// One item of the item manager: its name, type and size, the dataset value,
// the value last read from the device (shadow), the value before the latest
// change, and the validity of both. Working items of the applet have one
// value: their shadow follows the dataset value.
#include "platform/applet/ItemValue.h"
#include "platform/applet/SubItemName.h"
#include <QString>
#include <QVariant>
#include <cstdint>

namespace applet {

struct AppletItemDefinition {
    QString name;
    ItemType type = ItemType::Text;
    int32_t size = 0;
    bool deviceParameter = false; // separate shadow value; rule writes carry kNoRules
    bool persistent = false;      // saved in the instance-data store
    SubItemKind subKind = SubItemKind::None;
    QString owner;                // sequence, record, object or menu entry of a sub-item
    TextStyle textStyle = TextStyle::Plain;
    QVariant initial;             // stored form
};

class AppletItem {
public:
    AppletItem(int32_t handle, AppletItemDefinition definition);

    int32_t Handle() const { return m_handle; }
    const QString& Name() const { return m_definition.name; }
    ItemType Type() const { return m_definition.type; }
    int32_t Size() const { return m_definition.size; }
    bool IsDeviceParameter() const { return m_definition.deviceParameter; }
    bool IsPersistent() const { return m_definition.persistent; }
    SubItemKind SubKind() const { return m_definition.subKind; }
    const QString& Owner() const { return m_definition.owner; }
    TextStyle Style() const { return m_definition.textStyle; }
    const QVariant& Initial() const { return m_definition.initial; }

    const QVariant& Value() const { return m_value; }
    const QVariant& Previous() const { return m_previous; }
    const QVariant& Shadow() const { return m_definition.deviceParameter ? m_shadow : m_value; }
    bool IsValid() const { return m_valid; }
    bool IsShadowValid() const { return m_definition.deviceParameter ? m_shadowValid : m_valid; }

    // Each returns true when the stored value changed. The value before the
    // change becomes the previous value.
    bool SetValue(const QVariant& value);
    // For working items the same as SetValue.
    bool SetShadow(const QVariant& value);
    // The dataset value back to the description default, invalid; the shadow
    // value (what the device reported) stays.
    void ResetValue();

private:
    int32_t m_handle;
    AppletItemDefinition m_definition;
    QVariant m_value;
    QVariant m_previous;
    QVariant m_shadow;
    bool m_valid = false;
    bool m_shadowValid = false;
};

} // namespace applet
