#include "platform/applet/SchemaFiles.h"
#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"
#include <QFile>
#include <QFileInfo>
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

QString FileError(const QString& path, int line, const QString& reason)
{
    return line > 0 ? QStringLiteral("%1(%2): %3").arg(path).arg(line).arg(reason)
                    : QStringLiteral("%1: %2").arg(path, reason);
}

bool Load(const QString& path, const QString& ns, const QString& rootName, xml::XmlDocument& document,
          QString& error)
{
    if (!QFileInfo(path).isFile()) {
        error = FileError(path, 0, QStringLiteral("file not found"));
        return false;
    }
    QString schemaError;
    const auto schemas = Schemas(&schemaError);
    if (!schemas) {
        error = FileError(path, 0, schemaError);
        return false;
    }
    document.SetSchemas(schemas);
    document.SetValidateOnParse(true);
    if (!document.Load(path)) {
        error = FileError(path, document.ParseError().line, document.ParseError().reason.trimmed());
        return false;
    }
    const xml::XmlNode root = document.DocumentElement();
    if (root.NamespaceUri() != ns || root.LocalName() != rootName) {
        error = FileError(path, root.Line(), QStringLiteral("the root is %1 in namespace '%2', not %3 in '%4'")
                                                 .arg(root.Name(), root.NamespaceUri(), rootName, ns));
        return false;
    }
    return true;
}

} // namespace applet::SchemaFiles
