#include "platform/xml/CheckedEntityLoader.h"
#include "platform/automation/CheckedFile.h"
#include "platform/xml/XmlErrorCollector.h"
#include <QFileInfo>
#include <QUrl>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <limits>
#include <mutex>

namespace xml {

namespace {

const QString kResourceScheme = QStringLiteral("qrc");

// The refusal goes to the collector of the operation under way, ahead of
// libxml2's own words, which name no cause.
void Refuse(const char* url, const QString& reason)
{
    if (XmlErrorCollector* errors = XmlErrorCollector::Current()) {
        XmlErrorCollector::Report report;
        report.code = XML_IO_LOAD_ERROR;
        report.message = reason;
        report.file = QString::fromUtf8(url);
        errors->Add(report);
    }
}

xmlParserInputPtr LoadChecked(const char* url, const char* /*publicId*/, xmlParserCtxtPtr context)
{
    if (url == nullptr)
        return nullptr;
    const QString text = QString::fromUtf8(url);
    const QUrl parsed(text);
    QString path;
    if (parsed.scheme() == kResourceScheme)
        path = QLatin1Char(':') + parsed.path();
    else if (parsed.isLocalFile())
        path = parsed.toLocalFile();
    else if (parsed.scheme().size() <= 1) // none, or a drive letter
        path = text;
    if (path.isEmpty()) {
        Refuse(url, text + QStringLiteral(": only local files are read, nothing is fetched from the network"));
        return nullptr;
    }
    QByteArray bytes;
    QString error;
    if (!automation::CheckedFile::Read(path, automation::CheckedFile::kMaxBytes, bytes, &error)) {
        Refuse(url, error);
        return nullptr;
    }
    if (bytes.size() > std::numeric_limits<int>::max()) {
        Refuse(url, path + QStringLiteral(": too large to be read"));
        return nullptr;
    }
    // The buffer takes its own copy of the bytes.
    xmlParserInputBufferPtr buffer =
        xmlParserInputBufferCreateMem(bytes.constData(), static_cast<int>(bytes.size()), XML_CHAR_ENCODING_NONE);
    if (buffer == nullptr)
        return nullptr;
    xmlParserInputPtr input = xmlNewIOInputStream(context, buffer, XML_CHAR_ENCODING_NONE);
    if (input == nullptr) {
        xmlFreeParserInputBuffer(buffer);
        return nullptr;
    }
    // Its name is the base of its own relative imports and names it in reports.
    input->filename = reinterpret_cast<const char*>(xmlStrdup(reinterpret_cast<const xmlChar*>(url)));
    return input;
}

} // namespace

void InitLibxml()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(&LoadChecked);
    });
}

QString LoaderUrl(const QString& path)
{
    if (path.startsWith(QLatin1Char(':')))
        return kResourceScheme + QLatin1Char(':') + path.mid(1);
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

QString LoaderPath(const QString& url)
{
    const QUrl parsed(url);
    if (parsed.scheme() == kResourceScheme)
        return QLatin1Char(':') + parsed.path();
    return parsed.isLocalFile() ? parsed.toLocalFile() : url;
}

} // namespace xml
