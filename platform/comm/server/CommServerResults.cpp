#include "platform/comm/server/CommServerResults.h"

namespace comm {

namespace {

struct CodeText {
    int32_t code;
    const char* text;
};

constexpr CodeText kTexts[] = {
    {HResult::Ok, "Success"},
    {HResult::Timeout, "The device did not answer within the response time"},
    {HResult::NoSession, "No HART-IP session could be opened with the device's address"},
    {HResult::IdentityRefused, "The device did not identify itself (command 0)"},
    {HResult::WrongDevice, "The device is not of the device type the DTM instance serves; the connect was refused"},
    {HResult::DeviceBusy, "The device stayed busy: it answered every repeat of its identification (command 0) busy"},
    {HResult::ConnectionLost, "The connection to the device was lost"},
    {HResult::InvalidAnswer, "The device's answer is no valid HART response to the request"},
    {ServerResult::UnknownClient, "The client is not known to the communication server"},
    {ServerResult::NotConnected, "The device is not connected"},
    {ServerResult::ConnectionBusy, "A connect or disconnect is already under way"},
    {ServerResult::BadRequest, "The request is not a HART command (command, byte count, data)"},
    {ServerResult::NoAddress, "No device address: no communication object is linked"},
    {ServerResult::BadAddress, "The device address is no HART-IP address"},
    {ServerResult::NoAddressInterface, "The communication object names no HART-IP address"},
    {ServerResult::UnknownTransaction, "No open request has this transaction number"},
    {ServerResult::Destroyed, "The communication server has been released"},
    {ServerResult::SendFailed, "The request could not be sent"},
    {ServerResult::NotImplemented, "The communication server does not offer this function"},
    {ServerResult::InvalidArgument, "Invalid argument"},
};

} // namespace

QString CommServerText(int32_t code)
{
    for (const CodeText& entry : kTexts)
        if (entry.code == code)
            return QString::fromLatin1(entry.text);
    return QString();
}

} // namespace comm
