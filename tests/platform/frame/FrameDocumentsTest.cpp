// The frame's documents, device addresses and channel collection.
#include "platform/automation/ComError.h"
#include "platform/frame/FrameChannelCollection.h"
#include "platform/frame/FrameClasses.h"
#include "platform/frame/FrameCommunication.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/fdt/IFdtChannel.h"
#include "platform/xml/XmlDocument.h"
#include <gtest/gtest.h>

namespace {

using namespace frame;

TEST(FrameDocuments, UserInformationCarriesTheEscapedLevel)
{
    const QString text = FrameDocuments::UserInformationDocument(QStringLiteral("a\"<b"), true);
    xml::XmlDocument document;
    ASSERT_TRUE(document.LoadXml(text));
    const xml::XmlNode info = document.SelectSingleNode(QStringLiteral("//FDT/FDTUserInformation"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info.Attribute(QStringLiteral("userLevel")), QStringLiteral("a\"<b"));
    EXPECT_EQ(info.Attribute(QStringLiteral("oemService")), QStringLiteral("1"));
    EXPECT_EQ(info.NamespaceUri(), FrameDocuments::kUserInformationNamespace);
}

TEST(FrameDocuments, UserMessagesParseOrNameTheirFault)
{
    FrameDocuments::UserMessage message;
    ASSERT_TRUE(FrameDocuments::ParseUserMessage(
        QStringLiteral("<FDT><UserMessage title=\"T\" text=\"Go?\" type=\"warning\" buttons=\"okCancel\"/></FDT>"),
        message));
    EXPECT_EQ(message.title, QStringLiteral("T"));
    EXPECT_EQ(message.icon, dialogs::MessageIcon::Warning);
    EXPECT_EQ(message.buttons, dialogs::MessageButtons::OkCancel);

    ASSERT_TRUE(FrameDocuments::ParseUserMessage(QStringLiteral("<FDT><UserMessage text=\"x\"/></FDT>"), message));
    EXPECT_EQ(message.buttons, dialogs::MessageButtons::Ok);
    EXPECT_EQ(message.icon, dialogs::MessageIcon::None);

    for (const char* bad : {"<FDT><UserMessage buttons=\"many\"/></FDT>", "<FDT><UserMessage type=\"loud\"/></FDT>",
                            "<FDT/>", "not xml"}) {
        QString error;
        EXPECT_FALSE(FrameDocuments::ParseUserMessage(QString::fromUtf8(bad), message, &error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(FrameDocuments, AnswerReplacesAnEarlierResponse)
{
    const QString request =
        QStringLiteral("<FDT xmlns=\"x-schema:FDTUserMessageSchema.xml\"><UserMessage text=\"?\">"
                       "<UserResponse button=\"ok\"/></UserMessage></FDT>");
    const QString answer = FrameDocuments::UserMessageAnswer(request, dialogs::DialogResult::Cancel);
    xml::XmlDocument document;
    ASSERT_TRUE(document.LoadXml(answer));
    const xml::XmlNodeList responses = document.SelectNodes(QStringLiteral("//UserResponse"));
    ASSERT_EQ(responses.size(), 1);
    EXPECT_EQ(responses[0].Attribute(QStringLiteral("button")), QStringLiteral("cancel"));
    EXPECT_EQ(responses[0].NamespaceUri(), QStringLiteral("x-schema:FDTUserMessageSchema.xml"));
    EXPECT_TRUE(FrameDocuments::UserMessageAnswer(QStringLiteral("<x/>"), dialogs::DialogResult::Ok).isEmpty());
}

TEST(FrameCommunication, AddressesAreChecked)
{
    struct Case {
        const char* address;
        bool valid;
        const char* host;
        uint16_t port;
    };
    const Case cases[] = {
        {"hart-ip://127.0.0.1:5094", true, "127.0.0.1", 5094},
        {"hart-ip://device.local", true, "device.local", 5094},
        {"hart-ip://[::1]:20004", true, "::1", 20004},
        {"hart-ip://127.0.0.1:0", false, "", 0},
        {"hart-ip://127.0.0.1:70000", false, "", 0},
        {"hart-ip://127.0.0.1:5094/x", false, "", 0},
        {"hart-ip://user@127.0.0.1", false, "", 0},
        {"hart-ip://", false, "", 0},
        {"tcp://127.0.0.1:5094", false, "", 0},
        {"127.0.0.1:5094", false, "", 0},
        {"", false, "", 0},
    };
    for (const Case& c : cases) {
        QString host;
        uint16_t port = 0;
        QString error;
        EXPECT_EQ(FrameCommunication::ParseAddress(QString::fromUtf8(c.address), host, port, &error), c.valid)
            << c.address;
        if (c.valid) {
            EXPECT_EQ(host, QString::fromUtf8(c.host));
            EXPECT_EQ(port, c.port);
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
    EXPECT_THROW(FrameCommunication(QStringLiteral("tcp://x"), comm::HartDeviceType{0x63, 0xA5}), automation::ComError);
}

class Channel : public fdt::IFdtChannel {
public:
    QString GetChannelParameters(const QString&, const QString&) override { return QString(); }
    QString GetChannelPath() override { return QString(); }
    bool SetChannelParameters(const QString&, const QString&, const QString&) override { return false; }
};

TEST(FrameChannelCollection, KeepsOrderAndRefusesBadKeysAndIndices)
{
    RegisterClasses();
    auto collection = automation::ClassRegistry::instance().Create<fdt::FdtChannelCollection>(
        fdt::kChannelCollectionProgId);
    auto first = std::make_shared<Channel>();
    auto second = std::make_shared<Channel>();
    collection->Add(first, QStringLiteral("M_1_C_1"));
    collection->Add(second, QStringLiteral("M_1_C_2"));
    EXPECT_THROW(collection->Add(second, QStringLiteral("M_1_C_1")), automation::ComError);
    EXPECT_THROW(collection->Add(nullptr, QStringLiteral("M_1_C_3")), automation::ComError);
    EXPECT_THROW(collection->Add(second, QString()), automation::ComError);
    EXPECT_EQ(collection->Count(), 2);
    EXPECT_EQ(collection->Keys(), (QStringList{"M_1_C_1", "M_1_C_2"}));
    EXPECT_EQ(collection->Item(2), second);
    EXPECT_EQ(collection->Item(QStringLiteral("M_1_C_1")), first);
    EXPECT_THROW(collection->Item(0), automation::ComError);
    EXPECT_THROW(collection->Item(3), automation::ComError);
    EXPECT_THROW(collection->Item(QStringLiteral("M_9_C_9")), automation::ComError);
}

} // namespace
