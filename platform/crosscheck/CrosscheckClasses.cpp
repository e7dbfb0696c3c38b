#include "platform/crosscheck/CrosscheckClasses.h"
#include "platform/crosscheck/clsCategoryManager.h"
#include "platform/crosscheck/clsConsistencyChecker.h"

namespace crosscheck {

void RegisterClasses(const QString& categoryStorePath)
{
    auto& registry = automation::ClassRegistry::instance();
    registry.Register(kConsistencyCheckerProgId, kConsistencyCheckerClassId,
                      [] { return std::make_shared<clsConsistencyChecker>(); });
    registry.Register(kCategoryManagerProgId, kCategoryManagerClassId,
                      [categoryStorePath] { return std::make_shared<clsCategoryManager>(categoryStorePath); });
}

} // namespace crosscheck
