#include "platform/applet/SchemaFiles.h"
#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"
#include <QFile>
#include <QTemporaryDir>

static void InitAppletSchemaResources()
{
    Q_INIT_RESOURCE(AppletSchemas);
}

namespace applet::SchemaFiles {

namespace {

struct Prepared {
    std::unique_ptr<QTemporaryDir> folder;
    std::shared_ptr<const xml::SchemaCache> schemas;
    QString error;
};

// libxml2 compiles schemas from files; the embedded copies are written to a
// folder that lives as long as the process.
Prepared Prepare()
{
    Prepared prepared;
    InitAppletSchemaResources();
    prepared.folder = std::make_unique<QTemporaryDir>();
    if (!prepared.folder->isValid()) {
        prepared.error = QStringLiteral("No temporary folder for the description schemas");
        return prepared;
    }
    auto cache = std::make_shared<xml::SchemaCache>();
    const struct {
        const char* file;
        const QString& ns;
    } files[] = {{"TdxDescription.xsd", kTdxNamespace}, {"FdtDescription.xsd", kFdtNamespace}};
    for (const auto& entry : files) {
        const QString target = prepared.folder->filePath(QString::fromLatin1(entry.file));
        if (!QFile::copy(QStringLiteral(":/applet/schemas/") + QString::fromLatin1(entry.file), target)) {
            prepared.error = QStringLiteral("Schema %1 cannot be prepared").arg(QString::fromLatin1(entry.file));
            return prepared;
        }
        try {
            cache->Add(entry.ns, target);
        } catch (const automation::ComError& error) {
            prepared.error = error.description();
            return prepared;
        }
    }
    prepared.schemas = std::move(cache);
    return prepared;
}

} // namespace

std::shared_ptr<const xml::SchemaCache> Schemas(QString* error)
{
    static const Prepared prepared = Prepare();
    if (!prepared.schemas && error)
        *error = prepared.error;
    return prepared.schemas;
}

} // namespace applet::SchemaFiles
