#include "platform/loop/LoopGuard.h"

namespace loop {

LoopGuard::LoopGuard(QObject* object)
    : m_kind(object ? Kind::Object : Kind::None), m_object(object)
{
}

bool LoopGuard::IsAlive() const
{
    switch (m_kind) {
    case Kind::None:
        return true;
    case Kind::Object:
        return !m_object.isNull();
    case Kind::Owner:
        return !m_owner.expired();
    }
    return false;
}

} // namespace loop
