#include "platform/xml/EmbeddedSchemas.h"
#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"

namespace xml::EmbeddedSchemas {

std::shared_ptr<const SchemaCache> Prepare(const QList<Schema>& schemas, QString& error)
{
    auto cache = std::make_shared<SchemaCache>();
    for (const Schema& schema : schemas) {
        try {
            cache->Add(schema.namespaceUri, schema.resource);
        } catch (const automation::ComError& e) {
            error = e.description();
            return nullptr;
        }
    }
    return cache;
}

} // namespace xml::EmbeddedSchemas
