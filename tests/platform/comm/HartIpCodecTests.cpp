#include "platform/comm/hartip/HartIpMessage.h"
#include "platform/comm/hartip/HartIpReassembler.h"
#include <gtest/gtest.h>

using namespace comm;

TEST(HartIpMessage, EncodesTheHeaderWithItsByteCount)
{
    const QByteArray initiate = encodeHartIpMessage(HartIpMessageType::Request, HartIpMessageId::SessionInitiate, 0, 1,
                                                    HartIpSessionParameters{1, 60000}.encode());
    EXPECT_EQ(initiate.toHex(), "01000000" "0001" "000d" "01" "0000ea60");

    HartIpHeader h;
    ASSERT_TRUE(decodeHartIpHeader(initiate, h));
    EXPECT_EQ(h.messageType, HartIpMessageType::Request);
    EXPECT_EQ(h.messageId, HartIpMessageId::SessionInitiate);
    EXPECT_EQ(h.sequence, 1);
    EXPECT_EQ(h.byteCount, 13);

    HartIpSessionParameters p;
    ASSERT_TRUE(HartIpSessionParameters::decode(initiate.mid(8), p));
    EXPECT_EQ(p.masterType, 1);
    EXPECT_EQ(p.inactivityCloseTimeMs, 60000u);
    EXPECT_FALSE(HartIpSessionParameters::decode(initiate.mid(8, 4), p));

    const QByteArray keepAlive = encodeHartIpMessage(HartIpMessageType::Response, HartIpMessageId::KeepAlive, 0, 0xBEEF, {});
    EXPECT_EQ(keepAlive.toHex(), "01010200beef0008");
}

TEST(HartIpMessage, RefusesHeadersThatAreNotHartIp)
{
    HartIpHeader h;
    QString error;
    EXPECT_FALSE(decodeHartIpHeader(QByteArray::fromHex("01000000000100"), h, &error)); // 7 bytes
    EXPECT_FALSE(decodeHartIpHeader(QByteArray::fromHex("0200000000010008"), h, &error));
    EXPECT_TRUE(error.contains("version 2"));
    EXPECT_FALSE(decodeHartIpHeader(QByteArray::fromHex("0107000000010008"), h, &error));
    EXPECT_TRUE(error.contains("message type 7"));
    EXPECT_FALSE(decodeHartIpHeader(QByteArray::fromHex("0100000000010007"), h, &error));
    EXPECT_FALSE(decodeHartIpHeader(QByteArray::fromHex("010000000001ffff"), h, &error));
    EXPECT_TRUE(error.contains("65535"));
    // Error and NAK are message types of their own.
    EXPECT_TRUE(decodeHartIpHeader(QByteArray::fromHex("0103030000010009"), h));
    EXPECT_EQ(h.messageType, HartIpMessageType::Error);
    EXPECT_TRUE(decodeHartIpHeader(QByteArray::fromHex("010f030000010008"), h));
    EXPECT_EQ(h.messageType, HartIpMessageType::Nak);
    EXPECT_EQ(hartIpErrorCodeName(1), "Primary session unavailable");
}

TEST(HartIpReassembler, CutsAStreamIntoMessagesWhateverThePieces)
{
    QByteArray stream;
    stream += encodeHartIpMessage(HartIpMessageType::Response, HartIpMessageId::SessionInitiate, 0, 1,
                                  HartIpSessionParameters{1, 30000}.encode());
    stream += encodeHartIpMessage(HartIpMessageType::Response, HartIpMessageId::KeepAlive, 0, 2, {});
    stream += encodeHartIpMessage(HartIpMessageType::Response, HartIpMessageId::PassThrough, 0, 3,
                                  QByteArray::fromHex("0680000200002c"));

    for (int piece : {1, 2, 3, 7, 8, 9, 100}) {
        HartIpReassembler r;
        std::vector<HartIpMessage> got;
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            ASSERT_TRUE(r.feed(QByteArrayView(stream).sliced(at, std::min<qsizetype>(piece, stream.size() - at))));
            while (auto m = r.next())
                got.push_back(*m);
        }
        ASSERT_EQ(got.size(), 3u) << "piece " << piece;
        EXPECT_EQ(got[0].header.sequence, 1);
        EXPECT_EQ(got[0].body.size(), 5);
        EXPECT_EQ(got[1].header.messageId, HartIpMessageId::KeepAlive);
        EXPECT_TRUE(got[1].body.isEmpty());
        EXPECT_EQ(got[2].body.toHex(), "0680000200002c");
        EXPECT_EQ(r.bufferedBytes(), 0);
    }
}

TEST(HartIpReassembler, GarbageAndOversizeBreakTheStreamForGood)
{
    HartIpReassembler r;
    const QByteArray good = encodeHartIpMessage(HartIpMessageType::Response, HartIpMessageId::KeepAlive, 0, 9, {});
    EXPECT_FALSE(r.feed(good + QByteArray("GET / HTTP/1.1\r\n")));
    EXPECT_TRUE(r.failed());
    EXPECT_FALSE(r.error().isEmpty());
    ASSERT_TRUE(r.next().has_value()); // the message before the garbage still counts
    EXPECT_FALSE(r.next().has_value());
    EXPECT_FALSE(r.feed(good));
    EXPECT_FALSE(r.next().has_value());

    HartIpReassembler small(64);
    EXPECT_FALSE(small.feed(QByteArray::fromHex("0101030000010041")));  // 65 bytes announced
    EXPECT_TRUE(small.error().contains("65"));
    small.reset();
    EXPECT_FALSE(small.failed());
    EXPECT_TRUE(small.feed(good));
    EXPECT_TRUE(small.next().has_value());
}
