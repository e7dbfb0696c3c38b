#include "platform/applet/AppletItem.h"

namespace applet {

AppletItem::AppletItem(int32_t handle, AppletItemDefinition definition)
    : m_handle(handle), m_definition(std::move(definition)), m_value(m_definition.initial), m_previous(m_definition.initial),
      m_shadow(m_definition.initial)
{
}

bool AppletItem::SetValue(const QVariant& value)
{
    m_valid = true;
    if (ItemValue::Equal(m_definition.type, m_value, value))
        return false;
    m_previous = m_value;
    m_value = value;
    return true;
}

bool AppletItem::SetShadow(const QVariant& value)
{
    if (!m_definition.deviceParameter)
        return SetValue(value);
    m_shadowValid = true;
    if (ItemValue::Equal(m_definition.type, m_shadow, value))
        return false;
    m_shadow = value;
    return true;
}

void AppletItem::ResetValue()
{
    m_value = m_definition.initial;
    m_valid = false;
}

} // namespace applet
