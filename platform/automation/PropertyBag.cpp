#include "platform/automation/PropertyBag.h"
#include "platform/automation/ComError.h"
#include <QDataStream>
#include <QIODevice>

namespace automation {

namespace {
constexpr quint32 kMagic = 0x54504231; // "TPB1"
}

QVariant PropertyBag::Read(const QString& name, const QVariant& defaultValue) const
{
    return m_values.value(name, defaultValue);
}

void PropertyBag::Write(const QString& name, const QVariant& value)
{
    m_values.insert(name, value);
}

bool PropertyBag::Contains(const QString& name) const
{
    return m_values.contains(name);
}

void PropertyBag::Remove(const QString& name)
{
    m_values.remove(name);
}

QStringList PropertyBag::Keys() const
{
    return m_values.keys();
}

void PropertyBag::Clear()
{
    m_values.clear();
}

QByteArray PropertyBag::ToBytes() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << m_values;
    return bytes;
}

void PropertyBag::FromBytes(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    QMap<QString, QVariant> values;
    in >> magic;
    if (magic != kMagic)
        throw ComError(E_FAIL_, QStringLiteral("The data is not a stored property bag"),
                       QStringLiteral("PropertyBag"));
    in >> values;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        throw ComError(E_FAIL_, QStringLiteral("The stored property bag is truncated or corrupt"),
                       QStringLiteral("PropertyBag"));
    m_values = std::move(values);
}

} // namespace automation
