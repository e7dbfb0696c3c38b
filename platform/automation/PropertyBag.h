#pragma once
// The frame's persistence store for one DTM instance: text keys to values.
// How a frame keeps it in a file is the frame's affair (the reference frame:
// platform/frame/PropertyBagFile.h).
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

private:
    QMap<QString, QVariant> m_values;
};

} // namespace automation
