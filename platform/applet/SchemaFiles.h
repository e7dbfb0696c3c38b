#pragma once
// The schemas of the two description formats and of the dataset files. They
// are compiled into the toolkit (from descriptions/TDXDESC/schemas), so a
// file is always checked against the schema of the toolkit that reads it.
#include <QString>
#include <memory>

namespace xml {
class SchemaCache;
class XmlDocument;
}

namespace applet::SchemaFiles {

inline const QString kTdxNamespace = QStringLiteral("urn:trivex:tdx-description:1");
inline const QString kFdtNamespace = QStringLiteral("urn:trivex:fdt-description:1");
inline const QString kDatasetNamespace = QStringLiteral("urn:trivex:dataset:1");

// The schemas, prepared once per process; null (error says why) when they
// cannot be prepared.
std::shared_ptr<const xml::SchemaCache> Schemas(QString* error = nullptr);

// How a refused description file is reported: "path(line): reason", or
// "path: reason" where no line applies (line 0).
QString FileError(const QString& path, int line, const QString& reason);

// A description file larger than this is refused before it is read: the
// largest description shipped takes a few hundred KiB, and the parser holds a
// file several times over while it checks it.
constexpr qint64 kMaxDescriptionBytes = 16 * 1024 * 1024;

// False, with error in the form of FileError, when the file at path is
// larger than kMaxDescriptionBytes; nothing of it is read.
bool FitsSizeBound(const QString& path, QString& error);

// Loads a description file into document, checked against the schema of its
// namespace, whose root must be the element rootName of namespace ns. False
// when the file is missing, larger than kMaxDescriptionBytes, not
// well-formed, does not fit its schema or has another root; error then says
// so in the form of FileError.
bool Load(const QString& path, const QString& ns, const QString& rootName, xml::XmlDocument& document,
          QString& error);

} // namespace applet::SchemaFiles
