#pragma once
// The checks a rule manager's handlers draw on before a rule runs, and the
// in-rule flag that keeps a rule's own writes from running it again. Each
// handler names the checks it makes; Enter evaluates them and hands back a
// scope that holds the in-rule flag while the rule runs and releases it on
// every way out, also when the rule raises, so one failed run never silences
// the rule for the rest of the session.
#include <cstdint>

class clsAppItem;

class clsRuleGuard {
public:
    // The checks, combined as bits.
    enum Check : uint32_t {
        Registered = 1, // the manager is registered
        UserEdit = 2,   // the change was not written by a rule and no device sequence runs
        NotInRule = 4,  // no rule of this manager is writing right now
    };

    class Scope {
    public:
        Scope(Scope&& other) noexcept;
        Scope& operator=(Scope&&) = delete;
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        ~Scope();
        // True when the checks passed and the rule may run.
        explicit operator bool() const { return m_guard != nullptr; }

    private:
        friend class clsRuleGuard;
        Scope(clsRuleGuard* guard, bool ownsFlag) : m_guard(guard), m_ownsFlag(ownsFlag) {}
        clsRuleGuard* m_guard;
        bool m_ownsFlag;
    };

    void SetRegistered(bool on) { m_registered = on; }
    bool IsRegistered() const { return m_registered; }
    bool InRule() const { return m_inRule; }

    // Evaluates checks; suppressRule is the change's rule-suppressed mark and
    // currentSequence the bound "currentSequence" item, both needed for
    // UserEdit (without the item the check fails and is traced). A passed
    // scope sets the in-rule flag until it ends; a nested scope leaves the
    // flag to the outer one.
    Scope Enter(uint32_t checks, bool suppressRule = false, const clsAppItem* currentSequence = nullptr);

    // A change notification that only moved the device's read value: rules ignore it.
    static bool IsIgnoredNotification(int32_t itemState);
    // A change written by a rule, an adjust or a refresh: user-edit rules skip it.
    static bool IsRuleSuppressed(int32_t itemState);

private:
    bool m_registered = false;
    bool m_inRule = false;
};
