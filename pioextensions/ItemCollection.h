#pragma once
// What the three item collections share: one ordered list of members under
// keys compared without regard to case, found by key or by 1-based position,
// and registered or unregistered all at once. The members are held shared,
// so a caller may keep a member beyond its removal.
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <vector>

namespace applet {
class clsAppletItemManager;
}

// Error numbers of a failed lookup, as a keyed list reports them.
constexpr int32_t kLookupBadKey = 5;       // "Invalid procedure call or argument"
constexpr int32_t kLookupOutOfRange = 9;   // "Subscript out of range"

template <class T>
class ItemCollection {
public:
    using Members = std::vector<std::shared_ptr<T>>;

    // The member under the key or at the 1-based position. A failed lookup is
    // traced and raised: prefix + key + ", " + the reason.
    std::shared_ptr<T> Item(const QVariant& vntIndexKey) const
    {
        int32_t number = 0;
        QString reason;
        const std::shared_ptr<T> found = Lookup(vntIndexKey, number, reason);
        if (found)
            return found;
        const QString description = m_prefix + vntIndexKey.toString() + QStringLiteral(", ") + reason;
        applet::AppletTrace::Error(QStringLiteral("%1.Item: %2").arg(m_className, description));
        throw automation::ComError(number, description, m_className + QStringLiteral(".Item"));
    }
    int32_t Count() const { return static_cast<int32_t>(m_members.size()); }
    // A key or position that is not there is ignored; the member is not unregistered.
    void Remove(const QVariant& vntIndexKey)
    {
        int32_t number = 0;
        QString reason;
        const std::shared_ptr<T> found = Lookup(vntIndexKey, number, reason);
        for (size_t i = 0; found && i < m_members.size(); ++i) {
            if (m_members[i] == found) {
                m_members.erase(m_members.begin() + static_cast<std::ptrdiff_t>(i));
                m_keys.erase(m_keys.begin() + static_cast<std::ptrdiff_t>(i));
                return;
            }
        }
    }
    // The members in list order.
    const Members& NewEnum() const { return m_members; }
    typename Members::const_iterator begin() const { return m_members.begin(); }
    typename Members::const_iterator end() const { return m_members.end(); }

    // Register1 on every member in list order. Either each failure is traced
    // and the next member registered, or the first failure is raised.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef)
    {
        const Members members = m_members;
        for (const auto& member : members) {
            try {
                member->Register1(appletItemManagerRef);
            } catch (const automation::ComError& error) {
                if (!m_goOnAfterError)
                    throw;
                applet::AppletTrace::Error(QStringLiteral("%1.Register: %2 skipped: %3")
                                               .arg(m_className, member->Name(), error.description()));
            }
        }
    }

    // Every member's UnRegister, in list order; members drop their own errors.
    void UnRegister()
    {
        const Members members = m_members;
        for (const auto& member : members)
            member->UnRegister();
    }

protected:
    ItemCollection(QString className, QString prefix, bool goOnAfterError)
        : m_className(std::move(className)), m_prefix(std::move(prefix)), m_goOnAfterError(goOnAfterError)
    {
    }

    // The member under alias (or name when alias is empty) unchanged; else a
    // new member appended under that key and set up by init.
    template <class InitFn>
    std::shared_ptr<T> AddUnder(const QString& name, const QString& alias, InitFn init)
    {
        const QString key = alias.isEmpty() ? name : alias;
        if (auto found = Find(key))
            return found;
        auto member = std::make_shared<T>();
        Append(key, member);
        init(*member);
        return member;
    }

    std::shared_ptr<T> Find(const QString& key) const
    {
        for (size_t i = 0; i < m_keys.size(); ++i)
            if (m_keys[i].compare(key, Qt::CaseInsensitive) == 0)
                return m_members[i];
        return nullptr;
    }
    void Append(const QString& key, std::shared_ptr<T> member)
    {
        m_keys.push_back(key);
        m_members.push_back(std::move(member));
    }

private:
    std::shared_ptr<T> Lookup(const QVariant& indexKey, int32_t& number, QString& reason) const
    {
        if (indexKey.typeId() == QMetaType::QString || indexKey.typeId() == QMetaType::QByteArray) {
            if (auto found = Find(indexKey.toString()))
                return found;
            number = kLookupBadKey;
            reason = QStringLiteral("Invalid procedure call or argument");
            return nullptr;
        }
        bool isNumber = false;
        const qlonglong position = indexKey.toLongLong(&isNumber);
        if (isNumber && position >= 1 && position <= static_cast<qlonglong>(m_members.size()))
            return m_members[static_cast<size_t>(position - 1)];
        number = isNumber ? kLookupOutOfRange : kLookupBadKey;
        reason = isNumber ? QStringLiteral("Subscript out of range")
                          : QStringLiteral("Invalid procedure call or argument");
        return nullptr;
    }

    QString m_className;
    QString m_prefix;
    bool m_goOnAfterError;
    std::vector<QString> m_keys;
    Members m_members;
};
