#pragma once
// The request side of a communication server: what a client (the applet host,
// or the HART gateway standing in for a server) calls. Header-only, so that a
// server library implements it without linking the toolkit.
//
// Conventions of the byte arrays (index 0 first):
//   request (RequestStr)  HART: command number, byte count, data bytes. The
//                         server adds preambles, delimiter, address and checksum.
// A server answers every accepted read, write and data-exchange request with
// exactly one response of the same kind and the same transaction number
// (CServerResponseClass), possibly from inside the request call; a client
// therefore matches responses only after the request call has returned.
// The applet host calls AddClient once per server (KeyParamList empty), then
// ConnectRequest(handle, the text of "&&private_PM&&Address", [manufacturer id,
// device type id], empty), DisConnectRequest, Abort, the three requests,
// Cancel for a request that timed out, and RemoveClient when it lets the
// server go.
// Every member ends with its 32-bit result, 0 for success.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <memory>

namespace applet {

class CServerResponseClass;
class IFbInstanceData;
class clsAppletItemManager;

class CServerRequestClass {
public:
    virtual ~CServerRequestClass() = default;

    virtual void fncInit(const QString& sTDXFileName, const QString& sParameterFileName, const QString& sInitString,
                         int32_t& result) = 0;
    // Releases the server; iMiscObj is the caller's reference, cleared by the server.
    virtual void Destroy(std::shared_ptr<CServerRequestClass>& iMiscObj, int32_t& result) = 0;
    virtual void AppItemManager(std::shared_ptr<clsAppletItemManager>& manager, int32_t& result) = 0;
    virtual void ErrorMessage(uint8_t respLen, const QByteArray& RespData, int32_t hResult, QString& Message,
                              int32_t& result) = 0;
    virtual void fncSetDBInstance(const std::shared_ptr<IFbInstanceData>& clsDBInstance, int32_t& result) = 0;
    // AddressInfo: the device address as text; DeviceInfo: manufacturer id,
    // device type id and device id of the description (numbers, or empty
    // variants when unknown); ConnectionInfo: the client's connection options.
    virtual void ConnectRequest(const QVariant& ClientHandle, const QVariant& AddressInfo, const QVariantList& DeviceInfo,
                                const QVariant& ConnectionInfo, int32_t& result) = 0;
    virtual void DisConnectRequest(const QVariant& ClientHandle, int32_t& result) = 0;
    virtual void Abort(const QVariant& ClientHandle, int32_t& result) = 0;
    virtual void ReadIORequest(const QVariant& ClientHandle, const QByteArray& RequestStr, int32_t& TransActionNumber,
                               int32_t& result) = 0;
    virtual void WriteIORequest(const QVariant& ClientHandle, const QByteArray& RequestStr, int32_t& TransActionNumber,
                                int32_t& result) = 0;
    virtual void DataExchangeRequest(const QVariant& ClientHandle, const QByteArray& RequestStr,
                                     int32_t& TransActionNumber, int32_t& result) = 0;
    virtual void Cancel(int32_t TransActionNumber, int32_t& result) = 0;
    virtual void SearchDeviceRequest(const QVariant& ClientHandle, int32_t& result) = 0;
    virtual void ChangeSlaveAdressRequest(const QVariant& ClientHandle, const QVariant& newAddress,
                                          int32_t& result) = 0;
    virtual void MenuSearchDevice(int32_t& result) = 0;
    virtual void MenuSetBusAddr(const QVariant& ClientHandle, int32_t& result) = 0;
    virtual void MenuServerData(int32_t& result) = 0;
    virtual void MenuStartView(const QString& viewName, int32_t& result) = 0;
    virtual void MenuConnectSubnet(int32_t& result) = 0;
    virtual void MenuDisConnectSubnet(int32_t& result) = 0;
    virtual void MenuLoad(int32_t& result) = 0;
    virtual void MenuLoadSubnet(int32_t& result) = 0;
    virtual void MenuSave(int32_t& result) = 0;
    virtual void MenuSaveSubnet(int32_t& result) = 0;
    virtual void MenuPrint(int32_t& result) = 0;
    virtual void MenuPrintSubnet(int32_t& result) = 0;
    // The server keeps ClientIF and answers it; ClientHandle names the client
    // in every later request. KeyParamList: the client's parameters (may be empty).
    virtual void AddClient(const std::shared_ptr<CServerResponseClass>& ClientIF, QVariant& ClientHandle,
                           const QVariant& KeyParamList, int32_t& result) = 0;
    virtual void RemoveClient(const QVariant& ClientHandle, int32_t& result) = 0;
    virtual void MenuOpenNew(int32_t& result) = 0;
    virtual void MenuSaveAs(int32_t& result) = 0;
};

} // namespace applet
