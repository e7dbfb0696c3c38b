#pragma once
// The controls carry on after many failures of their items (a read gives the
// empty value, a write or a registration is left undone); such a failure is
// still traced, never dropped unseen.
#include <QString>
#include <functional>

namespace automation {
class ComError;
}

namespace pioitems::ControlErrors {

// Runs call; an error it raises is traced under context and swallowed.
// True when call ran to its end.
bool Run(const QString& context, const std::function<void()>& call);

void Trace(const QString& context, const automation::ComError& error);

} // namespace pioitems::ControlErrors
