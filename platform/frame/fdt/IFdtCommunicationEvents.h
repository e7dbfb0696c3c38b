#pragma once
// Responses of the frame's communication channel to a DTM.
#include <QString>

namespace fdt {

class IFdtCommunicationEvents {
public:
    virtual ~IFdtCommunicationEvents() = default;

    virtual void OnAbort(const QString& communicationReference) = 0;
    virtual void OnConnectResponse(const QString& invokeId, const QString& response) = 0;
    virtual void OnDisconnectResponse(const QString& invokeId, const QString& response) = 0;
    virtual void OnTransactionResponse(const QString& invokeId, const QString& response) = 0;
};

} // namespace fdt
