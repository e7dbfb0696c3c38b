#pragma once
// Rewrites the name tests of an XPath 1.0 expression so that the paths the
// system writes ("FDT/DtmDevice/InternalTopology", "//FDT/fdt:DtmDeviceType")
// select what they name in its documents:
// - an unprefixed element name matches the elements written without a prefix,
//   whatever default namespace they sit in ("FDT" becomes *[name()='FDT']);
// - a prefixed name whose prefix is known stays a namespace-aware test;
// - a prefixed name whose prefix is not declared anywhere matches the name as
//   written ("p:X" becomes *[name()='p:X']).
// Attribute names without prefix, function names, node-type tests, axis names,
// literals, numbers, variables and operators pass unchanged.
#include <QString>
#include <functional>

namespace xml {

QString TranslateXPath(const QString& expression,
                       const std::function<bool(const QString& prefix)>& isKnownPrefix);

} // namespace xml
