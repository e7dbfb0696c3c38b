#pragma once
// A fieldbus transmitter as the applet's communication server sees it, for
// the pages no simulated device answers: it connects at once, answers the
// reading and writing of the analog-input simulation from the block it
// keeps, records every write, and can refuse writes as a write-protected
// device does. Every other command is answered "command not implemented".
#include "tests/fennick/communication/GatewayTestSupport.h"
#include <QByteArray>
#include <QtEndian>
#include <cstring>
#include <vector>

namespace merrowtest {

class FieldbusDeviceDouble : public gatewaytest::FakeServer {
public:
    static constexpr uint8_t kReadAiSimulation = 178;
    static constexpr uint8_t kWriteAiSimulation = 179;
    // The blocks of the simulation in the device's order; each is the enable
    // octet, the value (float) and the status octet.
    enum Block { DifferentialPressure = 0, StaticPressure = 1, Temperature = 2 };
    static constexpr int kBlockBytes = 6;

    static constexpr char kGood = static_cast<char>(0x80);

    FieldbusDeviceDouble()
    {
        during = [this](const QString& op, int32_t number) { Answer(op, number); };
        for (int block = 0; block < 3; ++block)
            simulation[block * kBlockBytes + kBlockBytes - 1] = kGood;
    }

    int Enabled(Block block) const { return static_cast<uint8_t>(simulation.at(block * kBlockBytes)); }
    void SetEnabled(Block block, int value) { simulation[block * kBlockBytes] = static_cast<char>(value); }
    void SetValue(Block block, float value)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        qToBigEndian(bits, simulation.data() + block * kBlockBytes + 1);
    }

    QByteArray simulation = QByteArray(3 * kBlockBytes, '\0');
    std::vector<QByteArray> written; // the simulation blocks of every write taken
    bool refuseWrites = false;

private:
    static constexpr char kNotImplemented = 64;
    static constexpr char kWriteProtected = 7;

    void Answer(const QString& op, int32_t number)
    {
        const auto c = client.lock();
        if (!c)
            return;
        int32_t result = 0;
        if (op == QLatin1String("ConnectRequest")) {
            c->ConnectResponse(QVariant(), {}, {}, 0, result);
            return;
        }
        const QByteArray& request = requests.back();
        const auto command = static_cast<uint8_t>(request.at(0));
        QByteArray status(3, '\0');
        status[0] = static_cast<char>(command);
        if (op == QLatin1String("ReadIORequest")) {
            const bool known = command == kReadAiSimulation;
            status[1] = known ? 0 : kNotImplemented;
            const QByteArray data = known ? simulation : QByteArray();
            c->ReadResponse(number, 0, 3, status, static_cast<uint8_t>(data.size()), data, result);
        } else if (op == QLatin1String("WriteIORequest")) {
            if (command == kWriteAiSimulation && !refuseWrites) {
                simulation = request.mid(2, simulation.size());
                written.push_back(simulation);
            } else {
                status[1] = command == kWriteAiSimulation ? kWriteProtected : kNotImplemented;
            }
            const QByteArray echo = status + (status[1] == 0 ? simulation : QByteArray());
            c->WriteResponse(number, 0, static_cast<uint8_t>(echo.size()), echo, result);
        }
    }
};

} // namespace merrowtest
