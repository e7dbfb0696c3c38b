#include "platform/gsd/GsdModule.h"
#include "platform/gsd/GsdParser.h"

namespace gsd {

std::shared_ptr<const GsdKeyword> GsdModule::Keyword(const QString& name) const
{
    const auto it = keywords.find(GsdParser::KeywordKey(name));
    return it == keywords.end() ? nullptr : it->second;
}

} // namespace gsd
