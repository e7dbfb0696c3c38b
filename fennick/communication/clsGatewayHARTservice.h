#pragma once
// One request that the HART gateway passed to the communication server: what
// it was and whether the gateway still waits for its answer. Read and written
// by the gateway only.
#include <QString>
#include <cstdint>

class clsGatewayHARTservice {
public:
    static constexpr int32_t kKindRead = 1;      // ReadIORequest
    static constexpr int32_t kKindWrite = 2;     // WriteIORequest
    static constexpr int32_t kKindExchange = 3;  // DataExchangeRequest

    // -1 until the server took the request, then the number it gave.
    int32_t TransactionNumber = -1;
    int32_t RequestKind = kKindRead;
    // The HART command number: the request's first byte.
    uint8_t Command = 0;
    // Every byte of the request as one character (code = byte value).
    QString RequestText;
    // The gateway's own request (the identity read), never shown to the client.
    bool IsInternal = false;
    // Goes into the queue when the server takes it; cleared when its answer
    // came while the request call was still running.
    bool Pending = true;
};
