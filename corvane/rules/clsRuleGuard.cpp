#include "corvane/rules/clsRuleGuard.h"
#include "pioextensions/clsAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/StateInfo.h"

clsRuleGuard::Scope::Scope(Scope&& other) noexcept : m_guard(other.m_guard), m_ownsFlag(other.m_ownsFlag)
{
    other.m_guard = nullptr;
    other.m_ownsFlag = false;
}

clsRuleGuard::Scope::~Scope()
{
    if (m_guard && m_ownsFlag)
        m_guard->m_inRule = false;
}

clsRuleGuard::Scope clsRuleGuard::Enter(uint32_t checks, bool suppressRule, const clsAppItem* currentSequence)
{
    if ((checks & Registered) && !m_registered)
        return Scope(nullptr, false);
    if ((checks & NotInRule) && m_inRule)
        return Scope(nullptr, false);
    if (checks & UserEdit) {
        if (suppressRule)
            return Scope(nullptr, false);
        if (!currentSequence) {
            applet::AppletTrace::Error(
                QStringLiteral("clsRuleGuard.Enter: no \"currentSequence\" item to check; the rule does not run"));
            return Scope(nullptr, false);
        }
        if (!currentSequence->StringValue().isEmpty())
            return Scope(nullptr, false);
    }
    const bool ownsFlag = !m_inRule;
    m_inRule = true;
    return Scope(this, ownsFlag);
}

bool clsRuleGuard::IsIgnoredNotification(int32_t itemState)
{
    return (itemState & applet::StateInfo::kShadowOnly) != 0;
}

bool clsRuleGuard::IsRuleSuppressed(int32_t itemState)
{
    return (itemState & applet::StateInfo::kNoRules) != 0;
}
