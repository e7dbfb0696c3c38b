#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hart/HartIdentity.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hart/PackedAscii.h"
#include <gtest/gtest.h>
#include <cmath>

using namespace comm;

namespace {
QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}
} // namespace

TEST(HartFrame, EncodesTheShortFrameCommandZeroPoll)
{
    HartFrame poll;
    poll.address = HartAddress::polling(0);
    poll.command = 0;
    EXPECT_EQ(encodeHartFrame(poll, 5).toHex(), "ffffffffff02800000" "82");
    EXPECT_EQ(encodeHartFrame(poll).toHex(), "0280000082");

    poll.address = HartAddress::polling(5, false);
    EXPECT_EQ(encodeHartFrame(poll).toHex(), "0205000007");
}

TEST(HartFrame, EncodesAndDecodesALongCommand3Response)
{
    const QByteArray wire = hex("86a0710a1b2c031a0000414000000c4148000007412000002041a0000013420c00008d");
    HartDecodeResult r = decodeHartFrame(wire);
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    EXPECT_EQ(r.frame.type, HartFrameType::Response);
    EXPECT_TRUE(r.frame.address.isLong);
    EXPECT_TRUE(r.frame.address.primaryMaster);
    EXPECT_FALSE(r.frame.address.burst);
    EXPECT_EQ(r.frame.address.expandedDeviceType, 0x2071); // 6 bits of the upper byte travel
    EXPECT_EQ(r.frame.address.deviceId, 0x0A1B2Cu);
    EXPECT_EQ(r.frame.command, 3);
    EXPECT_EQ(r.frame.responseCode, 0);
    EXPECT_EQ(r.frame.deviceStatus, 0);
    ASSERT_EQ(r.frame.data.size(), 24);

    HartDataReader data(r.frame.data);
    EXPECT_FLOAT_EQ(data.f32(), 12.0f);
    EXPECT_EQ(data.u8(), 12);
    EXPECT_FLOAT_EQ(data.f32(), 12.5f);
    EXPECT_EQ(data.u8(), 7);
    EXPECT_FLOAT_EQ(data.f32(), 10.0f);
    EXPECT_TRUE(data.ok());

    // Encoding the whole expanded device type (0x6071) gives the same bytes.
    HartFrame frame = r.frame;
    frame.address = HartAddress::unique(0x6071, 0x0A1B2C);
    EXPECT_EQ(encodeHartFrame(frame), wire);
    EXPECT_TRUE(frame.address.sameDevice(r.frame.address));

    // Preambles are skipped on decode.
    EXPECT_TRUE(decodeHartFrame(QByteArray(7, '\xff') + wire).ok());
}

TEST(HartFrame, LongRequestCarriesMasterAndBurstBits)
{
    HartFrame request;
    request.address = HartAddress::unique(0x6071, 0x0A1B2C);
    request.command = 3;
    EXPECT_EQ(encodeHartFrame(request).toHex(), "82a0710a1b2c03006d");

    request.address.primaryMaster = false;
    request.address.burst = true;
    const HartDecodeResult r = decodeHartFrame(encodeHartFrame(request));
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.frame.address.primaryMaster);
    EXPECT_TRUE(r.frame.address.burst);
    EXPECT_EQ(r.frame.address.deviceId, 0x0A1B2Cu);
}

TEST(HartFrame, BadFramesGiveAClearErrorAndNeverReadPastTheBytes)
{
    const QByteArray good = hex("86a0710a1b2c031a0000414000000c4148000007412000002041a0000013420c00008d");

    EXPECT_EQ(decodeHartFrame(QByteArray()).error, HartDecodeError::NoDelimiter);
    EXPECT_EQ(decodeHartFrame(hex("ffffff")).error, HartDecodeError::NoDelimiter);
    EXPECT_EQ(decodeHartFrame(hex("03800000")).error, HartDecodeError::UnknownDelimiter);
    EXPECT_EQ(decodeHartFrame(hex("c2800000")).error, HartDecodeError::UnknownDelimiter); // expansion bytes

    // Every cut of a good frame is refused, each with a reason; ASan sees any over-read.
    for (qsizetype n = 1; n < good.size(); ++n) {
        const QByteArray cut = good.left(n);
        const HartDecodeResult r = decodeHartFrame(QByteArrayView(cut.constData(), n));
        EXPECT_FALSE(r.ok()) << n;
        EXPECT_FALSE(r.message.isEmpty());
        EXPECT_TRUE(r.error == HartDecodeError::Truncated || r.error == HartDecodeError::ByteCountBeyondData) << n;
    }

    QByteArray wrongSum = good;
    wrongSum.back() = static_cast<char>(wrongSum.back() ^ 0x01);
    const HartDecodeResult bad = decodeHartFrame(wrongSum);
    EXPECT_EQ(bad.error, HartDecodeError::ChecksumMismatch);
    EXPECT_TRUE(bad.message.contains("0x8C")) << bad.message.toStdString();

    EXPECT_EQ(decodeHartFrame(good + '\0').error, HartDecodeError::TrailingBytes);

    // A response whose byte count cannot hold the two status bytes.
    QByteArray shortResponse = hex("0680000101");
    shortResponse.append(static_cast<char>(hartChecksum(shortResponse)));
    EXPECT_EQ(decodeHartFrame(shortResponse).error, HartDecodeError::MissingStatus);

    // The byte count says 255, the frame holds 3.
    QByteArray overlong = hex("028000ff010203");
    EXPECT_EQ(decodeHartFrame(overlong).error, HartDecodeError::ByteCountBeyondData);
}

TEST(HartFrame, EncoderRefusesWhatDoesNotFit)
{
    HartFrame frame;
    frame.address = HartAddress::polling(64);
    QString error;
    EXPECT_TRUE(encodeHartFrame(frame, 0, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    frame.address = HartAddress::unique(1, 2);
    frame.type = HartFrameType::Response;
    frame.data = QByteArray(254, 'x');
    EXPECT_TRUE(encodeHartFrame(frame, 0, &error).isEmpty());
    frame.data.chop(1);
    const QByteArray encoded = encodeHartFrame(frame);
    ASSERT_FALSE(encoded.isEmpty());
    EXPECT_EQ(static_cast<uint8_t>(encoded[7]), 255);
    const HartDecodeResult r = decodeHartFrame(encoded);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.frame.data, frame.data);
}

TEST(HartAddress, BroadcastAndComparison)
{
    EXPECT_TRUE(HartAddress::broadcast().isBroadcast());
    EXPECT_FALSE(HartAddress::unique(0x6071, 1).isBroadcast());
    EXPECT_FALSE(HartAddress::polling(0).isBroadcast());
    EXPECT_TRUE(HartAddress::unique(0x6071, 7).sameDevice(HartAddress::unique(0x2071, 7, false)));
    EXPECT_FALSE(HartAddress::unique(0x6071, 7).sameDevice(HartAddress::unique(0x6071, 8)));
    EXPECT_FALSE(HartAddress::polling(1).sameDevice(HartAddress::unique(0, 1)));
}

TEST(PackedAscii, PacksAndUnpacksKnownVectors)
{
    QByteArray packed;
    ASSERT_TRUE(PackedAscii::pack("TRIVEX", 6, packed));
    EXPECT_EQ(packed.toHex(), "512256158820");
    EXPECT_EQ(PackedAscii::unpack(packed), "TRIVEX  ");

    ASSERT_TRUE(PackedAscii::pack("abcd", 3, packed)); // lower case goes up
    EXPECT_EQ(packed.toHex(), "0420c4");
    ASSERT_TRUE(PackedAscii::pack("", 3, packed));
    EXPECT_EQ(packed.toHex(), "820820");

    // Every character of the set survives the round trip.
    QString all;
    for (char16_t c = 0x20; c <= 0x5F; ++c)
        all.append(QChar(c));
    ASSERT_TRUE(PackedAscii::pack(all, 48, packed));
    EXPECT_EQ(PackedAscii::unpack(packed), all);

    // Partial groups unpack only whole characters.
    EXPECT_EQ(PackedAscii::unpack(hex("0420")), "AB");
    EXPECT_EQ(PackedAscii::unpack(QByteArray()), "");
}

TEST(PackedAscii, RefusesTextThatDoesNotPack)
{
    QByteArray packed = "keep";
    QString error;
    EXPECT_FALSE(PackedAscii::pack("TOO LONG!", 6, packed, &error));
    EXPECT_TRUE(error.contains("9 characters")) << error.toStdString();
    EXPECT_FALSE(PackedAscii::pack("A~B", 6, packed, &error));
    EXPECT_TRUE(error.contains("'~'"));
    EXPECT_FALSE(PackedAscii::pack(QString::fromUtf8("\xc3\x84"), 6, packed));
    EXPECT_FALSE(PackedAscii::pack("AB", 4, packed));
    EXPECT_EQ(packed, "keep");
}

TEST(HartBytes, BigEndianFieldsFloatsAndDates)
{
    HartDataWriter w;
    w.u8(0x12).u16(0x3456).u24(0x789ABC).u32(0xDEF01234).f32(1.0f).f32(-2.5f).date(HartDate{24, 12, 124});
    EXPECT_EQ(w.data().toHex(), "12" "3456" "789abc" "def01234" "3f800000" "c0200000" "180c7c");

    HartDataReader r(w.data());
    EXPECT_EQ(r.u8(), 0x12);
    EXPECT_EQ(r.u16(), 0x3456);
    EXPECT_EQ(r.u24(), 0x789ABCu);
    EXPECT_EQ(r.u32(), 0xDEF01234u);
    EXPECT_EQ(r.f32(), 1.0f);
    EXPECT_EQ(r.f32(), -2.5f);
    const HartDate d = r.date();
    EXPECT_EQ(d.toQDate(), QDate(2024, 12, 24));
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.atEnd());

    // Reading past the end fails, yields zero and stays failed.
    EXPECT_EQ(r.u8(), 0);
    EXPECT_FALSE(r.ok());
    const QByteArray twoBytes = hex("0102");
    HartDataReader partial(twoBytes);
    EXPECT_EQ(partial.u24(), 0u);
    EXPECT_FALSE(partial.ok());
    EXPECT_EQ(partial.u8(), 0); // the failure sticks
    EXPECT_TRUE(partial.bytes(1).isEmpty());

    EXPECT_EQ(floatToBits(hartNaN()), 0x7FA00000u);
    EXPECT_TRUE(std::isnan(hartNaN()));
    EXPECT_FALSE((HartDate{31, 2, 100}).isValid());
    HartDate out;
    EXPECT_FALSE(HartDate::fromQDate(QDate(1899, 12, 31), out));
    EXPECT_TRUE(HartDate::fromQDate(QDate(2155, 12, 31), out));
    EXPECT_EQ(out.year, 255);
}

TEST(HartStatus, NamesComeFromTheTables)
{
    EXPECT_EQ(responseCodeName(32), "Busy");
    EXPECT_EQ(responseCodeName(64), "Command Not Implemented");
    EXPECT_EQ(responseCodeName(9, 35), "Lower Range Value Too High");
    EXPECT_EQ(responseCodeName(9, 38), "Configuration Change Counter Mismatch");
    EXPECT_EQ(responseCodeName(9), "Command-Specific Error");
    EXPECT_EQ(responseCodeName(14), "Command-Specific Warning");
    EXPECT_EQ(responseCodeClass(0), ResponseCodeClass::Success);
    EXPECT_EQ(responseCodeClass(8), ResponseCodeClass::Warning);
    EXPECT_EQ(responseCodeClass(14), ResponseCodeClass::Warning);
    EXPECT_EQ(responseCodeClass(30), ResponseCodeClass::Warning);
    EXPECT_EQ(responseCodeClass(100), ResponseCodeClass::Warning);
    EXPECT_EQ(responseCodeClass(7), ResponseCodeClass::Error);
    EXPECT_EQ(responseCodeClass(32), ResponseCodeClass::Error);

    EXPECT_EQ(deviceStatusNames(0x60), (QStringList{"Configuration Changed", "Cold Start"}));
    EXPECT_TRUE(deviceStatusNames(0).isEmpty());
    EXPECT_EQ(describeResponseStatus(0x88, 0), "Communication Error (Longitudinal Parity Error)");
    EXPECT_EQ(describeResponseStatus(7, 0x40, 18), "In Write Protect Mode (7); device status: Configuration Changed");
}

TEST(HartStatus, AdditionalStatusInWords)
{
    // 0-5 device-dependent, 6 extended, 7 operating mode, 8-9 standardized 0/1,
    // 10 analog saturated, 11-12 standardized 2/3, 13 analog fixed, 14 device-dependent.
    const QByteArray data = hex("000200000000" "02" "07" "41" "00" "05" "00" "40" "00" "80");
    EXPECT_EQ(additionalStatusNames(data),
              (QStringList{"Device-dependent status byte 1: 0x02",
                           "Extended device status: Device Variable Alert",
                           "Standardized status 0: Simulation Active, Electronic Defect",
                           "Analog channel saturated: channel 1, channel 3",
                           "Standardized status 3: undefined bits 0x40",
                           "Device-dependent status byte 14: 0x80"}));
    EXPECT_TRUE(additionalStatusNames(hex("000000000000000900000000000000")).isEmpty());
    EXPECT_TRUE(additionalStatusNames(QByteArray()).isEmpty());
    // A short answer names what it holds.
    EXPECT_EQ(additionalStatusNames(hex("00000000000020")), QStringList{"Extended device status: Function Check"});
}

TEST(HartIdentity, DecodesRevision7AndOlderIdentities)
{
    const QByteArray rev7 = hex("fe" "6071" "05" "07" "01" "03" "10" "00" "0a1b2c" "05" "03" "0002" "00" "0060" "0060" "01");
    HartIdentity id;
    ASSERT_TRUE(HartIdentity::decode(rev7, id));
    EXPECT_EQ(id.expandedDeviceType, 0x6071);
    EXPECT_EQ(id.universalRevision, 7);
    EXPECT_EQ(id.hardwareRevision, 2);
    EXPECT_EQ(id.deviceId, 0x0A1B2Cu);
    EXPECT_EQ(id.lastDeviceVariable, 3);
    EXPECT_EQ(id.configChangeCounter, 2);
    EXPECT_EQ(id.manufacturerId, 0x60);
    EXPECT_EQ(encodeHartFrame(HartFrame{HartFrameType::Request, id.uniqueAddress(), 1, 0, 0, {}}).left(6).toHex(),
              "82a0710a1b2c");

    const QByteArray rev5 = hex("fe" "2607" "05" "05" "02" "01" "08" "00" "000042");
    ASSERT_TRUE(HartIdentity::decode(rev5, id));
    EXPECT_EQ(id.manufacturerId, 0x26);
    EXPECT_EQ(id.deviceId, 0x42u);

    QString error;
    EXPECT_FALSE(HartIdentity::decode(rev7.left(11), id, &error));
    EXPECT_FALSE(HartIdentity::decode(rev7.left(20), id, &error)); // revision 7 cut short
    EXPECT_FALSE(HartIdentity::decode(hex("00") + rev7.mid(1), id, &error));
    EXPECT_FALSE(error.isEmpty());
}
