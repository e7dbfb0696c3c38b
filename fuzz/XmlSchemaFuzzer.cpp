// XML documents checked against the DTM's FDT schemas: parsing, validation,
// XPath and writing the document out again.
#include "fuzz/FuzzInput.h"
#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"
#include <QDir>
#include <memory>

namespace {

std::shared_ptr<const xml::SchemaCache> FdtSchemas()
{
    static const std::shared_ptr<const xml::SchemaCache> schemas = [] {
        auto cache = std::make_shared<xml::SchemaCache>();
        const QDir folder(QStringLiteral(TRIVEX_SCHEMA_DIR));
        const QStringList files = folder.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
        if (files.isEmpty())
            fuzz::Fail("no schemas in " TRIVEX_SCHEMA_DIR);
        try {
            for (const QString& file : files)
                cache->Add(QStringLiteral("x-schema:") + file, folder.filePath(file));
        } catch (const automation::ComError&) {
            fuzz::Fail("the FDT schemas do not load");
        }
        return cache;
    }();
    return schemas;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::FuzzInput(data, size).Rest();
    xml::XmlDocument document;
    document.SetSchemas(FdtSchemas());
    if (!document.LoadUtf8(bytes)) {
        if (!document.ParseError().IsError() || !document.IsEmpty())
            fuzz::Fail("a refused document left content or no error");
        return 0;
    }
    try {
        document.SelectNodes(QStringLiteral("//*[@nodeID]"));
        document.SelectSingleNode(QStringLiteral("FDT/DtmDevice"));
    } catch (const automation::ComError&) {
        fuzz::Fail("a fixed XPath expression was refused");
    }
    xml::XmlDocument again;
    again.SetSchemas(FdtSchemas());
    if (!again.LoadUtf8(document.Xml().toUtf8()))
        fuzz::Fail("a loaded document does not load again from its own text");
    return 0;
}
