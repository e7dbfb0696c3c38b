#pragma once
// Schemas compiled into a program as Qt resources. libxml2 reads them, and
// what they import, straight from the resources: no copy is written to the
// file system, so a program that is killed leaves nothing behind.
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

// A cache of the schemas; null with error set when one cannot be read or is
// no valid schema of its namespace.
std::shared_ptr<const SchemaCache> Prepare(const QList<Schema>& schemas, QString& error);

} // namespace EmbeddedSchemas
} // namespace xml
