#include "platform/xml/EmbeddedSchemas.h"
#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace xml::EmbeddedSchemas {

namespace {

// The folder goes when the last user of the cache lets go of it.
struct Holder {
    QTemporaryDir folder;
    SchemaCache cache;
};

} // namespace

std::shared_ptr<const SchemaCache> Prepare(const QList<Schema>& schemas, QString& error)
{
    auto holder = std::make_shared<Holder>();
    if (!holder->folder.isValid()) {
        error = QStringLiteral("No temporary folder for the schemas: ") + holder->folder.errorString();
        return nullptr;
    }
    for (const Schema& schema : schemas) {
        const QString target = holder->folder.filePath(QFileInfo(schema.resource).fileName());
        if (!QFile::copy(schema.resource, target)) {
            error = QStringLiteral("Schema %1 cannot be prepared").arg(QFileInfo(schema.resource).fileName());
            return nullptr;
        }
        try {
            holder->cache.Add(schema.namespaceUri, target);
        } catch (const automation::ComError& e) {
            error = e.description();
            return nullptr;
        }
    }
    return std::shared_ptr<const SchemaCache>(holder, &holder->cache);
}

} // namespace xml::EmbeddedSchemas
