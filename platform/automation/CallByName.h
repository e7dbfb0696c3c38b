#pragma once
// Late-bound calls by name: a public slot or invokable method of an object,
// found by its name without regard to case and by its number of parameters,
// called at once on the caller's thread. The arguments are converted to the
// method's parameter types.
#include <QString>
#include <QVariantList>

class QObject;

namespace automation {

enum class CallResult {
    Called,       // the method ran (an error it raised goes to the caller)
    NoObject,     // no target
    NoMethod,     // the target has no such method: the call is skipped
    BadArguments, // an argument does not convert to the parameter's type
};

// Calls method on target with args. An error the method raises (ComError or
// any other exception) reaches the caller unchanged.
CallResult CallByName(QObject* target, const QString& method, const QVariantList& args);

// "called", "no object", "no method", "bad arguments", for traces.
QString CallResultText(CallResult result);

} // namespace automation
