#pragma once
// The simulated transmitter without the network, at a fixed process time:
// requests go to its own long address and come back decoded.
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/applet/ValueEncoding.h"
#include "sim/SimTransmitter.h"
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


class Transmitter : public ::testing::Test {
protected:
    void SetUp() override { device.freezeProcessTime(0); }

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
