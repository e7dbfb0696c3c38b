#include "platform/applet/AppletResults.h"
#include <array>

namespace applet {

namespace {

struct ResultRow {
    int32_t code;
    const char* name;
};

constexpr std::array<ResultRow, 25> kResults{{
    {kResultOk, "success"},
    {kResultBusy, "busy"},
    {kResultUnknownSequence, "unknown sequence"},
    {kResultNotConnected, "device not connected"},
    {kResultNoServer, "no communication server"},
    {kResultNotInitialised, "applet not initialised"},
    {kResultNoStore, "no instance-data store"},
    {kResultStoreFailed, "instance-data store failed"},
    {kResultViewNotCreated, "view not created"},
    {kResultFormNotOpen, "form not open"},
    {kResultCancelled, "cancelled"},
    {kResultFileError, "file error"},
    {kResultDescriptionInvalid, "description invalid"},
    {kResultConnectionBusy, "connect or disconnect under way"},
    {kResultServerRefused, "communication server refused"},
    {kResultValueRefused, "a stored value does not fit its item"},
    {kResultInvalidArgument, "invalid argument"},
    {kParserNotLoaded, "no description loaded"},
    {kParserUnknownKind, "unknown entry kind"},
    {kParserNotFound, "entry not found"},
    {kParserBadHandle, "invalid entry handle"},
    {kParserNoMoreEntries, "no further entry"},
    {kParserBadIndex, "index out of range"},
    {kParserInvalidFile, "invalid description file"},
    {kServerAccepted, "accepted"},
}};

} // namespace

QString ResultText(int32_t code)
{
    const QString number =
        QStringLiteral("0x") + QStringLiteral("%1").arg(static_cast<uint32_t>(code), 8, 16, QLatin1Char('0')).toUpper();
    for (const ResultRow& row : kResults)
        if (row.code == code)
            return QStringLiteral("%1 (%2)").arg(number, QLatin1String(row.name));
    return number;
}

} // namespace applet
