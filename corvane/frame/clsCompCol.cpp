#include "corvane/frame/clsCompCol.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include <exception>

namespace {

const QString kClass = QStringLiteral("clsCompCol");

// Error numbers of a failed lookup, as a keyed list reports them.
constexpr int32_t kBadKey = 5;
constexpr int32_t kOutOfRange = 9;
constexpr int32_t kKeyTaken = 457; // "This key is already associated with an element of this collection"

[[noreturn]] void Fail(int32_t number, const QString& member, const QString& description)
{
    applet::AppletTrace::Error(QStringLiteral("%1.%2: %3").arg(kClass, member, description));
    throw automation::ComError(number, description, kClass + QLatin1Char('.') + member);
}

QString Describe(const std::exception& error)
{
    if (const auto* com = dynamic_cast<const automation::ComError*>(&error))
        return com->description();
    return QString::fromLocal8Bit(error.what());
}

} // namespace

void clsCompCol::Register(const std::shared_ptr<IViewEx>& myView)
{
    const Members members = m_members;
    for (const auto& member : members)
        member->Register(myView);
}

int clsCompCol::UnRegister()
{
    const Members members = m_members;
    const std::vector<QString> keys = m_keys;
    int failures = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        try {
            members[i]->UnRegister();
        } catch (const std::exception& error) {
            ++failures;
            applet::AppletTrace::Error(
                QStringLiteral("%1.UnRegister: component %2 failed: %3").arg(kClass, keys[i], Describe(error)));
        }
    }
    return failures;
}

std::shared_ptr<IStartAlwaysComp> clsCompCol::Add(const std::shared_ptr<IStartAlwaysComp>& component,
                                                  const QString& sKey)
{
    if (!component)
        Fail(automation::E_INVALIDARG_, QStringLiteral("Add"), QStringLiteral("no component to add"));
    if (!sKey.isEmpty()) {
        for (const QString& key : m_keys)
            if (key.compare(sKey, Qt::CaseInsensitive) == 0)
                Fail(kKeyTaken, QStringLiteral("Add"), QStringLiteral("the key %1 is already there").arg(sKey));
    }
    m_members.push_back(component);
    m_keys.push_back(sKey);
    return component;
}

int clsCompCol::Find(const QVariant& vntIndexKey) const
{
    if (vntIndexKey.typeId() == QMetaType::QString) {
        const QString wanted = vntIndexKey.toString();
        for (size_t i = 0; i < m_keys.size(); ++i)
            if (!m_keys[i].isEmpty() && m_keys[i].compare(wanted, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        Fail(kBadKey, QStringLiteral("Item"), QStringLiteral("no component under the key %1").arg(wanted));
    }
    bool isNumber = false;
    const qlonglong position = vntIndexKey.toLongLong(&isNumber);
    if (!isNumber)
        Fail(kBadKey, QStringLiteral("Item"), QStringLiteral("%1 is neither a key nor a position").arg(vntIndexKey.toString()));
    if (position < 1 || position > static_cast<qlonglong>(m_members.size()))
        Fail(kOutOfRange, QStringLiteral("Item"), QStringLiteral("no component at position %1").arg(position));
    return static_cast<int>(position - 1);
}

std::shared_ptr<IStartAlwaysComp> clsCompCol::Item(const QVariant& vntIndexKey) const
{
    return m_members[static_cast<size_t>(Find(vntIndexKey))];
}

void clsCompCol::Remove(const QVariant& vntIndexKey)
{
    const auto index = static_cast<std::ptrdiff_t>(Find(vntIndexKey));
    m_members.erase(m_members.begin() + index);
    m_keys.erase(m_keys.begin() + index);
}

bool clsCompCol::Contains(const QString& sKey) const
{
    for (const QString& key : m_keys)
        if (!key.isEmpty() && key.compare(sKey, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString clsCompCol::KeyAt(int position) const
{
    return position >= 1 && position <= Count() ? m_keys[static_cast<size_t>(position - 1)] : QString();
}
