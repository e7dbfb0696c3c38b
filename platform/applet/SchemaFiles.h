#pragma once
// The schemas of the two description formats. They are compiled into the
// toolkit (from descriptions/TDXDESC/schemas), so a description is always
// checked against the schema of the toolkit that reads it.
#include <QString>
#include <memory>

namespace xml {
class SchemaCache;
}

namespace applet::SchemaFiles {

inline const QString kTdxNamespace = QStringLiteral("urn:trivex:tdx-description:1");
inline const QString kFdtNamespace = QStringLiteral("urn:trivex:fdt-description:1");

// Both schemas, prepared once per process; null (error says why) when they
// cannot be prepared.
std::shared_ptr<const xml::SchemaCache> Schemas(QString* error = nullptr);

} // namespace applet::SchemaFiles
