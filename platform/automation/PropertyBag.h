#pragma once
// The frame's persistence store for one DTM instance: text keys to values.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace automation {

class PropertyBag {
public:
    // Missing key: the default value.
    QVariant Read(const QString& name, const QVariant& defaultValue = QVariant()) const;
    void Write(const QString& name, const QVariant& value);
    bool Contains(const QString& name) const;
    void Remove(const QString& name);
    QStringList Keys() const;
    void Clear();
    bool IsEmpty() const { return m_values.isEmpty(); }

    // Serialised form used to store a bag in a file. FromBytes raises ComError
    // for data that is not a property bag and leaves the bag unchanged then.
    QByteArray ToBytes() const;
    void FromBytes(const QByteArray& bytes);

private:
    QMap<QString, QVariant> m_values;
};

} // namespace automation
