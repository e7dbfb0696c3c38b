#pragma once
// Routes what libxml2 reports (parser, XPath, schema and I/O errors) to this
// object while it lives, instead of libxml2's default printing to standard
// error, and keeps the first error for the caller to report.
#include <QString>
#include <libxml/xmlerror.h>
#include <optional>

namespace xml {

class XmlErrorCollector {
public:
    struct Report {
        int code = 0;      // libxml2 error number
        QString message;   // without the trailing line break
        QString file;      // the file or URL the error lies in, when known
        int line = 0;      // 1-based, 0 when unknown
        int column = 0;    // 1-based, 0 when unknown
    };

    XmlErrorCollector();
    ~XmlErrorCollector();
    XmlErrorCollector(const XmlErrorCollector&) = delete;
    XmlErrorCollector& operator=(const XmlErrorCollector&) = delete;

    bool HasError() const { return m_first.has_value(); }
    // The first report of level error or fatal; warnings are not kept.
    const std::optional<Report>& First() const { return m_first; }
    // The first message, or the unstructured text libxml2 wrote instead.
    QString FirstMessage() const;

    // The innermost collector alive, null when none: where a report that
    // comes from outside libxml2's callbacks goes.
    static XmlErrorCollector* Current();

    // Called from the libxml2 callbacks.
    void Add(Report report);
    void AddText(const QString& text);

private:
    std::optional<Report> m_first;
    QString m_text;
    xmlStructuredErrorFunc m_prevStructured;
    void* m_prevStructuredContext;
    xmlGenericErrorFunc m_prevGeneric;
    void* m_prevGenericContext;
    XmlErrorCollector* m_prevCollector;
};

} // namespace xml
