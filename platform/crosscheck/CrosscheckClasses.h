#pragma once
// Registers the consistency checker (kConsistencyCheckerProgId) and the
// category manager (kCategoryManagerClassId) with the class registry. The
// category manager keeps its marks in the category store at categoryStorePath
// (empty: the user's default store). Calling it again replaces the entries.
#include <QString>

namespace crosscheck {

void RegisterClasses(const QString& categoryStorePath = QString());

} // namespace crosscheck
