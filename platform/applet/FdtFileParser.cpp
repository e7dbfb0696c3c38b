#include "platform/applet/FdtFileParser.h"
#include "platform/applet/AppletResults.h"

namespace applet {

void FdtFileParser::fncGetNumberOfApplications(int32_t, int32_t& count)
{
    count = 0;
}

void FdtFileParser::fncGetApplication(int32_t, QString&, QString&, int32_t&, int32_t& error)
{
    error = kParserNotLoaded;
}

void FdtFileParser::fncGetNumberOfEntries(int32_t, int32_t& count)
{
    count = 0;
}

void FdtFileParser::fncGetAppletItemEntry(int32_t, QString&, FdtAppletItemRecord&, int32_t& error)
{
    error = kParserNotLoaded;
}

void FdtFileParser::fncGetFixedItemEntry(int32_t, QString&, FdtFixedItemRecord&, int32_t& error)
{
    error = kParserNotLoaded;
}

void FdtFileParser::fncGetChannelEntry(int32_t, QString&, QVariant&, int32_t& error)
{
    error = kParserNotLoaded;
}

void FdtFileParser::fncGetModuleEntry(int32_t, QString&, QVariant&, int32_t& error)
{
    error = kParserNotLoaded;
}

} // namespace applet
