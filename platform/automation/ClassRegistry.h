#pragma once
// Creation of objects by ProgID or class identifier. Each library registers its
// public classes through a registration function that its programs call at start.
#include "platform/automation/ComError.h"
#include <QString>
#include <functional>
#include <map>
#include <memory>

namespace automation {

// Root of every object created through the registry; interfaces are reached
// from it with dynamic casts, as QueryInterface would.
class ComObject {
public:
    virtual ~ComObject() = default;
};

using Factory = std::function<std::shared_ptr<ComObject>()>;

class ClassRegistry {
public:
    static ClassRegistry& instance();

    // classId may be empty; it is compared without regard to case or braces.
    void Register(const QString& progId, const QString& classId, Factory factory);
    void Unregister(const QString& progIdOrClassId);
    bool IsRegistered(const QString& progIdOrClassId) const;
    QString ClassIdOf(const QString& progId) const;

    // Raises ComError(429) for an unknown name and when the factory fails.
    std::shared_ptr<ComObject> CreateObject(const QString& progIdOrClassId) const;

    // Creates and casts to the requested interface; a class that does not
    // implement it raises ComError(E_NOINTERFACE).
    template <class T>
    std::shared_ptr<T> Create(const QString& progIdOrClassId) const
    {
        auto object = CreateObject(progIdOrClassId);
        auto typed = std::dynamic_pointer_cast<T>(object);
        if (!typed)
            throw ComError(E_NOINTERFACE_,
                           QStringLiteral("Object '%1' does not support the requested interface")
                               .arg(progIdOrClassId),
                           QStringLiteral("ClassRegistry"));
        return typed;
    }

private:
    struct Entry {
        QString progId;
        QString classId;
        Factory factory;
    };
    const Entry* find(const QString& name) const;
    static QString key(const QString& name);

    std::map<QString, Entry> m_entries; // by normalised ProgID
};

// Normalises a class identifier: upper case, without surrounding braces.
QString NormaliseClassId(const QString& classId);

} // namespace automation
