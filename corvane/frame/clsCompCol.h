#pragma once
// The keyed collection of the frame's components. Keys are unique and
// compared without regard to case; members are found by key or by 1-based
// position and are registered and unregistered in insertion order.
#include "corvane/frame/IStartAlwaysComp.h"
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

class clsCompCol {
public:
    using Members = std::vector<std::shared_ptr<IStartAlwaysComp>>;

    // Every member's Register in insertion order; the first failure is raised
    // and leaves the members after it unregistered.
    void Register(const std::shared_ptr<IViewEx>& myView);
    // Every member's UnRegister in insertion order, also past a member that
    // fails: each failure is traced. Returns the number of failures.
    int UnRegister();

    // Adds component under sKey (no key when sKey is empty) and returns it.
    // Raises ComError for no component or a key that is already there.
    std::shared_ptr<IStartAlwaysComp> Add(const std::shared_ptr<IStartAlwaysComp>& component, const QString& sKey);
    // Raises ComError (traced) for an unknown key or a position out of range.
    std::shared_ptr<IStartAlwaysComp> Item(const QVariant& vntIndexKey) const;
    std::shared_ptr<IStartAlwaysComp> operator()(const QVariant& vntIndexKey) const { return Item(vntIndexKey); }
    // Whether a member is there under the key (no trace when not).
    bool Contains(const QString& sKey) const;
    int Count() const { return static_cast<int>(m_members.size()); }
    // Raises like Item for a member that is not there.
    void Remove(const QVariant& vntIndexKey);
    const Members& NewEnum() const { return m_members; }
    // The key a member was added under; empty for none.
    QString KeyAt(int position) const;

private:
    int Find(const QVariant& vntIndexKey) const; // 0-based, raises when not there

    Members m_members;
    std::vector<QString> m_keys;
};
