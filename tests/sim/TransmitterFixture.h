#pragma once
// The simulated transmitter without the network, at a fixed process time:
// requests go to its own long address and come back decoded.
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/applet/ValueEncoding.h"
#include "sim/SimTransmitter.h"
#include "sim/SimUnits.h"
#include <gtest/gtest.h>
#include <initializer_list>

namespace simtest {

// The request of a record built from the values the device holds, with one
// parameter replaced by a value of its own.
inline QByteArray requestOf(const sim::SimTransmitter& device, const sim::DescribedCommand& command,
                     const QString& replaced = {}, const QVariant& value = {})
{
    QByteArray data(command.requestLength, '\0');
    const applet::Description& d = device.parameters().description();
    for (const applet::FieldLayout& f : command.request) {
        if (f.item.isEmpty()) {
            applet::ValueEncoding::EncodeFixed(f, data);
            continue;
        }
        const applet::DescObject* object = d.FindObject(f.item);
        const QVariant v = f.item.compare(replaced, Qt::CaseInsensitive) == 0 ? value
                                                                             : device.parameters().value(f.item);
        EXPECT_TRUE(applet::ValueEncoding::Encode(f, object->type, v, data)) << f.item.toStdString();
    }
    return data;
}

// The write command that carries the parameter.
inline const sim::DescribedCommand* writerOf(const sim::SimTransmitter& device, const QString& name)
{
    for (const auto& [number, command] : device.parameters().commands())
        for (const applet::FieldLayout& f : command.request)
            if (f.item.compare(name, Qt::CaseInsensitive) == 0)
                return &command;
    return nullptr;
}

// The command that the description's record of that name is answered by.
inline const sim::DescribedCommand* commandOf(const sim::SimTransmitter& device, const QString& record)
{
    const applet::DescRecord* r = device.parameters().description().FindRecord(record);
    return r ? device.parameters().command(r->command) : nullptr;
}

class Transmitter : public ::testing::Test {
protected:
    // The readings in kPa and the loop current following the range
    // linearly, so that the tests read values and current as plain shares of
    // the range (the device leaves the factory in mbar, square-rooting for
    // its flow function).
    void SetUp() override
    {
        device.freezeProcessTime(0);
        device.device().variables[sim::Variable::DifferentialPressure].units = sim::UnitCode::KPa;
        device.device().transferFunction = 0;
    }

    // Sends a long-frame request to the device's own address; the answer must come.
    comm::HartFrame ask(uint8_t command, const QByteArray& data = {}, bool primary = true)
    {
        comm::HartFrame request;
        request.address = device.uniqueAddress();
        request.address.primaryMaster = primary;
        request.command = command;
        request.data = data;
        const sim::PduResult result = device.handlePdu(comm::encodeHartFrame(request));
        EXPECT_FALSE(result.response.isEmpty()) << result.note.toStdString();
        const comm::HartDecodeResult decoded = comm::decodeHartFrame(result.response);
        EXPECT_TRUE(decoded.ok()) << decoded.message.toStdString();
        EXPECT_EQ(decoded.frame.command, command);
        EXPECT_EQ(decoded.frame.type, comm::HartFrameType::Response);
        EXPECT_EQ(decoded.frame.address.primaryMaster, primary);
        return decoded.frame;
    }

    // A parameter as the device reports it: the first record that reads it is
    // asked, and the item's field decoded from the answer.
    QVariant reported(const QString& item)
    {
        const applet::Description& d = device.parameters().description();
        const applet::DescObject* object = d.FindObject(item);
        for (const auto& [number, command] : device.parameters().commands()) {
            if (command.writes || !command.request.isEmpty())
                continue;
            for (const applet::FieldLayout& f : command.response) {
                if (f.item.compare(item, Qt::CaseInsensitive) != 0)
                    continue;
                const comm::HartFrame answer = ask(static_cast<uint8_t>(number));
                EXPECT_EQ(answer.responseCode, 0) << item.toStdString();
                QVariant value;
                EXPECT_TRUE(applet::ValueEncoding::Decode(f, object->type, object->size, answer.data, value));
                return value;
            }
        }
        ADD_FAILURE() << "no record reads " << item.toStdString();
        return {};
    }

    static QByteArray floats(std::initializer_list<float> values)
    {
        comm::HartDataWriter w;
        for (float v : values)
            w.f32(v);
        return w.take();
    }

    sim::SimTransmitter device;
};

} // namespace simtest
