#include "platform/applet/SchemaFiles.h"
#include "platform/automation/CheckedFile.h"
#include "platform/xml/EmbeddedSchemas.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"
#include <QFileInfo>

static void InitAppletSchemaResources()
{
    Q_INIT_RESOURCE(AppletSchemas);
}

namespace applet::SchemaFiles {

std::shared_ptr<const xml::SchemaCache> Schemas(QString* error)
{
    static QString prepareError;
    static const std::shared_ptr<const xml::SchemaCache> schemas = [] {
        InitAppletSchemaResources();
        return xml::EmbeddedSchemas::Prepare({{QStringLiteral(":/applet/schemas/TdxDescription.xsd"), kTdxNamespace},
                                              {QStringLiteral(":/applet/schemas/FdtDescription.xsd"), kFdtNamespace},
                                              {QStringLiteral(":/applet/schemas/DatasetFile.xsd"), kDatasetNamespace}},
                                             prepareError);
    }();
    if (!schemas && error)
        *error = prepareError;
    return schemas;
}

QString FileError(const QString& path, int line, const QString& reason)
{
    return line > 0 ? QStringLiteral("%1(%2): %3").arg(path).arg(line).arg(reason)
                    : QStringLiteral("%1: %2").arg(path, reason);
}

bool FitsSizeBound(const QString& path, QString& error)
{
    const qint64 size = QFileInfo(path).size();
    if (size <= kMaxDescriptionBytes)
        return true;
    error = FileError(path, 0, QStringLiteral("the file has %1 bytes, more than the %2 a description may have")
                                   .arg(size)
                                   .arg(kMaxDescriptionBytes));
    return false;
}

bool Load(const QString& path, const QString& ns, const QString& rootName, xml::XmlDocument& document,
          QString& error)
{
    if (automation::CheckedFile::Missing(path)) {
        error = FileError(path, 0, QStringLiteral("file not found"));
        return false;
    }
    if (!FitsSizeBound(path, error))
        return false;
    // A FIFO or a device here is refused by name before anything waits on it.
    if (!automation::CheckedFile::Check(path, kMaxDescriptionBytes, &error))
        return false;
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
