#pragma once
// Forces a sequence as the device user interface does: again while the host
// answers busy, until it has started (or the patience ends, which fails the test).
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/automation/ComError.h"
#include "tests/pioextensions/PioTestSupport.h"

namespace corvanetest {

inline void ForceSequence(const std::shared_ptr<applet::clsAppletItemManager>& manager, const QString& name)
{
    clsSequenceItem sequence;
    sequence.Register(manager, name, false, 0, REGISTER_STATE);
    EXPECT_TRUE(piotest::RunUntil([&] {
        try {
            sequence.Force();
            return true;
        } catch (const automation::ComError&) {
            return false;
        }
    })) << name.toStdString();
    sequence.UnRegister();
}

} // namespace corvanetest
