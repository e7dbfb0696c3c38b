#include "platform/applet/TdxFileParser.h"
#include "platform/applet/AppletResults.h"

namespace applet {

void TdxFileParser::fncReadKey(const QString&, QString& value, int32_t& failed)
{
    value.clear();
    failed = kParserNotLoaded;
}

void TdxFileParser::fncNumberOfEntries(const QString&, int32_t& count, int32_t& error)
{
    count = 0;
    error = kParserNotLoaded;
}

void TdxFileParser::fncGetFirstEntryHandle(const QString&, int32_t& handle, int32_t& error)
{
    handle = 0;
    error = kParserNotLoaded;
}

void TdxFileParser::fncGetNextEntryHandle(int32_t&, int32_t& error)
{
    error = kParserNotLoaded;
}

void TdxFileParser::fncGetEntryHandle(const QString&, const QString&, int32_t& handle, int32_t& error)
{
    handle = 0;
    error = kParserNotLoaded;
}

void TdxFileParser::fncGetEntryName(int32_t, QString& name, int32_t& error)
{
    name.clear();
    error = kParserNotLoaded;
}

void TdxFileParser::fncGetMenuEntry(int32_t, QString&, QString&, QString&, QString&, int32_t&, int32_t& failed)
{
    failed = kParserNotLoaded;
}

void TdxFileParser::fncGetObjectInfo(int32_t, QString&, int32_t&, int32_t&, QVariant&, QString&, int32_t& error)
{
    error = kParserNotLoaded;
}

void TdxFileParser::fncGetEnumEntries(int32_t, QString&, QList<TdxEnumEntry>&, int32_t& error)
{
    error = kParserNotLoaded;
}

void TdxFileParser::fncGetSequenceRecords(int32_t, QString&, int32_t& error, QStringList& records, int32_t& count)
{
    records.clear();
    count = 0;
    error = kParserNotLoaded;
}

} // namespace applet
