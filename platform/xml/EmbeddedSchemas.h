#pragma once
// Schemas compiled into a program as Qt resources. libxml2 compiles schemas
// from files, so the embedded copies are written to a temporary folder that
// lives as long as the cache built from them.
#include <QList>
#include <QString>
#include <memory>

namespace xml {

class SchemaCache;

namespace EmbeddedSchemas {

struct Schema {
    QString resource;     // ":/prefix/File.xsd"
    QString namespaceUri; // its target namespace
};

// A cache of the schemas; null with error set when one cannot be written or
// is no valid schema of its namespace.
std::shared_ptr<const SchemaCache> Prepare(const QList<Schema>& schemas, QString& error);

} // namespace EmbeddedSchemas
} // namespace xml
