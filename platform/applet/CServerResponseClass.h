#pragma once
// The response side of a communication server: what the server calls on its
// client. Header-only, like CServerRequestClass.
//
// Conventions of the byte arrays (index 0 first):
//   RespData  HART: command number, response code (first status byte; bit 7
//             set: a communication error seen by the device), field device status
//   Data      the response's data bytes after the two status bytes
//   WriteResponse has no Data of its own: its RespData holds the three bytes
//   above followed by the data bytes of the answer (a HART device echoes what
//   it took).
// hResult 0 and 0x470000 mean success; any other value means the request got
// no valid answer (RespData then still names the command).
// Every member ends with its 32-bit result, 0 for success.
#include <QByteArray>
#include <QVariant>
#include <QVariantList>
#include <cstdint>

namespace applet {

constexpr int32_t kHResultOk = 0;
constexpr int32_t kHResultOkAlternative = 0x470000;

inline bool IsResponseSuccess(int32_t hResult)
{
    return hResult == kHResultOk || hResult == kHResultOkAlternative;
}

class CServerResponseClass {
public:
    virtual ~CServerResponseClass() = default;

    // ConnectionInfo holds at least 12 elements on a good connect.
    virtual void ConnectResponse(const QVariant& AddressInfo, const QVariantList& DeviceInfo,
                                 const QVariantList& ConnectionInfo, int32_t hResult, int32_t& result) = 0;
    virtual void DisConnectResponse(int32_t& result) = 0;
    virtual void DisConnectIndication(int32_t locally_generated, int32_t instance, const QVariant& reason,
                                      int32_t detail, int32_t& result) = 0;
    virtual void ReadResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                              uint8_t DataLen, const QByteArray& Data, int32_t& result) = 0;
    virtual void WriteResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                               int32_t& result) = 0;
    virtual void DataExchangeResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen,
                                      const QByteArray& RespData, uint8_t DataLen, const QByteArray& Data,
                                      int32_t& result) = 0;
    virtual void SearchDeviceResponse(int32_t NoOfSlaves, const QVariant& DP_LiveListAdr,
                                      const QVariant& DP_LiveListStat, const QVariant& DP_Response,
                                      int32_t& result) = 0;
    virtual void ChangeSlaveAddressResponse(const QVariant& first, const QVariant& second, int32_t& result) = 0;
    virtual void SetAddressInfo(const QVariant& AddressInfo, int32_t& result) = 0;
};

} // namespace applet
