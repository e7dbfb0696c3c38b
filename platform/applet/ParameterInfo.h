#pragma once
// What the host hands the instance-data store for one value it saves:
// members in the order handle, name, data type, value; the value is the
// item's value as text.
#include <QString>
#include <QVariant>
#include <cstdint>

namespace applet {

class clsParameterInfo {
public:
    clsParameterInfo(int32_t handle, QString name, int32_t dataType, QVariant value)
        : m_handle(handle), m_name(std::move(name)), m_dataType(dataType), m_value(std::move(value))
    {
    }

    int32_t Handle() const { return m_handle; }
    const QString& Name() const { return m_name; }
    int32_t DataType() const { return m_dataType; }
    const QVariant& Value() const { return m_value; }

private:
    int32_t m_handle;
    QString m_name;
    int32_t m_dataType;
    QVariant m_value;
};

} // namespace applet
