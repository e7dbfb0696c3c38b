#include "platform/xml/XmlErrorCollector.h"
#include "platform/xml/CheckedEntityLoader.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <cstdarg>
#include <cstdio>

namespace xml {

namespace {

#if LIBXML_VERSION >= 21200
void OnStructured(void* context, const xmlError* error)
#else
void OnStructured(void* context, xmlErrorPtr error)
#endif
{
    if (context == nullptr || error == nullptr)
        return;
    if (error->level != XML_ERR_ERROR && error->level != XML_ERR_FATAL)
        return;
    XmlErrorCollector::Report report;
    report.code = error->code;
    report.message = QString::fromUtf8(error->message ? error->message : "").trimmed();
    report.file = QString::fromUtf8(error->file ? error->file : "");
    report.line = error->line;
    report.column = error->int2;
    static_cast<XmlErrorCollector*>(context)->Add(report);
}

void OnGeneric(void* context, const char* format, ...)
{
    if (context == nullptr || format == nullptr)
        return;
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    static_cast<XmlErrorCollector*>(context)->AddText(QString::fromUtf8(buffer));
}

XmlErrorCollector*& CurrentCollector()
{
    static XmlErrorCollector* current = nullptr;
    return current;
}

} // namespace

XmlErrorCollector* XmlErrorCollector::Current()
{
    return CurrentCollector();
}

XmlErrorCollector::XmlErrorCollector() : m_prevCollector(CurrentCollector())
{
    InitLibxml();
    CurrentCollector() = this;
    m_prevStructured = xmlStructuredError;
    m_prevStructuredContext = xmlStructuredErrorContext;
    m_prevGeneric = xmlGenericError;
    m_prevGenericContext = xmlGenericErrorContext;
    xmlSetStructuredErrorFunc(this, &OnStructured);
    xmlSetGenericErrorFunc(this, &OnGeneric);
}

XmlErrorCollector::~XmlErrorCollector()
{
    xmlSetStructuredErrorFunc(m_prevStructuredContext, m_prevStructured);
    xmlSetGenericErrorFunc(m_prevGenericContext, m_prevGeneric);
    CurrentCollector() = m_prevCollector;
}

void XmlErrorCollector::Add(Report report)
{
    if (!m_first)
        m_first = std::move(report);
}

void XmlErrorCollector::AddText(const QString& text)
{
    m_text += text;
}

QString XmlErrorCollector::FirstMessage() const
{
    if (m_first)
        return m_first->message;
    return m_text.trimmed();
}

} // namespace xml
