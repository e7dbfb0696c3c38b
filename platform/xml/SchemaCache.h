#pragma once
// A collection of W3C XML schemas by target namespace. Documents whose
// document element lies in one of the namespaces are validated against all
// the schemas together; documents in any other namespace pass, since there is
// nothing to check them against.
#include "platform/xml/XmlParseError.h"
#include <QString>
#include <QStringList>
#include <vector>

struct _xmlSchema;

namespace xml {

class XmlDocument;

class SchemaCache {
public:
    SchemaCache() = default;
    ~SchemaCache();
    SchemaCache(const SchemaCache&) = delete;
    SchemaCache& operator=(const SchemaCache&) = delete;

    // Adds the schema file under its namespace; a later add of the same
    // namespace replaces the earlier entry. The file must be a valid schema
    // whose targetNamespace is the namespace (an empty namespace: a schema
    // without one), and every schema it imports must load. Otherwise raises
    // automation::ComError naming the file, the line and the reason, and the
    // cache stays as it was.
    void Add(const QString& namespaceUri, const QString& filePath);

    int Count() const { return static_cast<int>(m_entries.size()); }
    bool Contains(const QString& namespaceUri) const;
    QStringList Namespaces() const;
    // The file added under the namespace, empty when none.
    QString Location(const QString& namespaceUri) const;

    // No error when the document is valid or its document element is in no
    // cached namespace; otherwise the validator's first complaint.
    XmlParseError Validate(const XmlDocument& document) const;

private:
    struct Entry {
        QString namespaceUri;
        QString filePath; // absolute
    };
    // The schemas compiled together; built on the first validation after a
    // change and kept until the next change.
    bool Compile(XmlParseError& error) const;
    void DropCompiled() const;

    std::vector<Entry> m_entries;
    mutable _xmlSchema* m_compiled = nullptr;
    mutable XmlParseError m_compileError;
    mutable bool m_compileTried = false;
};

} // namespace xml
