#pragma once
// The lifetime guard of deferred work: a timer call or a posted call that was
// asked for by an object which has died since is dropped instead of run.
// A guard watches either a QObject or an owner held by shared_ptr; an empty
// guard watches nothing and the call always runs.
#include <QObject>
#include <QPointer>
#include <memory>

namespace loop {

class LoopGuard {
public:
    LoopGuard() = default;
    // A null object gives an empty guard.
    LoopGuard(QObject* object); // NOLINT(google-explicit-constructor)
    template <class T>
    LoopGuard(const std::shared_ptr<T>& owner) // NOLINT(google-explicit-constructor)
        : m_kind(owner ? Kind::Owner : Kind::None), m_owner(owner)
    {
    }
    template <class T>
    LoopGuard(const std::weak_ptr<T>& owner) // NOLINT(google-explicit-constructor)
        : m_kind(Kind::Owner), m_owner(owner)
    {
    }

    bool IsEmpty() const { return m_kind == Kind::None; }
    // True when the call may run: an empty guard or a watched object still alive.
    bool IsAlive() const;
    // Keeps a shared_ptr owner alive while the call runs; null for the other kinds.
    std::shared_ptr<const void> Lock() const { return m_owner.lock(); }

private:
    enum class Kind { None, Object, Owner };
    Kind m_kind = Kind::None;
    QPointer<QObject> m_object;
    std::weak_ptr<const void> m_owner;
};

} // namespace loop
