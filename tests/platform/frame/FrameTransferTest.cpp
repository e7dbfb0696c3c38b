// What the command line needs of the frame: the device types of a DTM
// information document with the documents InitNew takes, the event log's
// observer, the device address for the communication server, and the
// frame's calls for the DTM information, the dataset and the transfers.
#include "FakeDtm.h"
#include "platform/frame/FrameCommunication.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/ReferenceFrame.h"
#include "platform/frame/fdt/IDtmInformation.h"
#include "platform/frame/fdt/IDtmOnlineParameter.h"
#include "platform/frame/fdt/IDtmParameter.h"
#include "platform/loop/EventLoop.h"
#include "platform/xml/XmlDocument.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using frame::FrameDocuments::DeviceType;
using frame::FrameDocuments::DeviceTypes;

namespace {

const QString kTag = QStringLiteral("DTM_1");

const QString kInformation = QStringLiteral(
    "<FDT xmlns=\"x-schema:DTMInformationSchema.xml\" xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\">"
    "<DtmInfo><fdt:VersionInformation name=\"DTM\" vendor=\"V\" version=\"1\"/><DtmDeviceTypes>"
    "<fdt:DtmDeviceType manufacturerId=\"99\" deviceTypeId=\"137\" classificationId=\"flow\">"
    "<fdt:VersionInformation name=\"Trivex HART\" vendor=\"Korvel\" version=\"22\"/>"
    "<fdt:BusCategories><fdt:BusCategory busCategory=\"036D1498\"/></fdt:BusCategories></fdt:DtmDeviceType>"
    "<fdt:DtmDeviceType manufacturerId=\"99\" deviceTypeId=\"167\" classificationId=\"flow\">"
    "<fdt:VersionInformation name=\"Trivex PA\" vendor=\"Korvel\" version=\"3\"/></fdt:DtmDeviceType>"
    "</DtmDeviceTypes></DtmInfo></FDT>");

TEST(FrameDeviceTypes, EachDeviceTypeBecomesTheDocumentInitNewTakes)
{
    QList<DeviceType> types;
    QString error;
    ASSERT_TRUE(DeviceTypes(kInformation, types, &error)) << error.toStdString();
    ASSERT_EQ(types.size(), 2);
    EXPECT_EQ(types[0].deviceTypeId, "137");
    EXPECT_EQ(types[0].manufacturerId, "99");
    EXPECT_EQ(types[0].name, "Trivex HART");
    EXPECT_EQ(types[0].vendor, "Korvel");
    EXPECT_EQ(types[0].version, "22");
    EXPECT_EQ(types[1].name, "Trivex PA");

    xml::XmlDocument init;
    ASSERT_TRUE(init.LoadXml(types[0].initDocument));
    const xml::XmlNode root = init.DocumentElement();
    EXPECT_EQ(root.LocalName(), "FDT");
    EXPECT_EQ(root.NamespaceUri(), frame::FrameDocuments::kInitNamespace);
    const xml::XmlNodeList children = root.ChildElements();
    ASSERT_EQ(children.size(), 1);
    EXPECT_EQ(children[0].LocalName(), "DtmDeviceType");
    EXPECT_EQ(children[0].NamespaceUri(), frame::FrameDocuments::kDataTypesNamespace);
    EXPECT_EQ(children[0].Attribute("deviceTypeId"), "137");
    // The element's content goes along unchanged.
    EXPECT_TRUE(types[0].initDocument.contains("busCategory=\"036D1498\""));
}

TEST(FrameDeviceTypes, DocumentsWithoutDeviceTypesAreRefused)
{
    QList<DeviceType> types{DeviceType{}};
    QString error;
    EXPECT_FALSE(DeviceTypes(QStringLiteral("<FDT"), types, &error));
    EXPECT_TRUE(error.startsWith("The DTM information is no XML document")) << error.toStdString();
    EXPECT_FALSE(DeviceTypes(QStringLiteral("<Other/>"), types, &error));
    EXPECT_EQ(error, "The DTM information is no FDT document");
    EXPECT_FALSE(DeviceTypes(QStringLiteral("<FDT><DtmInfo><DtmDeviceTypes/></DtmInfo></FDT>"), types, &error));
    EXPECT_EQ(error, "The DTM information offers no device type");
    // An element of another namespace is no device type.
    EXPECT_FALSE(DeviceTypes(QStringLiteral("<FDT><DtmInfo><DtmDeviceTypes><DtmDeviceType deviceTypeId=\"1\"/>"
                                            "</DtmDeviceTypes></DtmInfo></FDT>"),
                             types, &error));
    // Nothing changed on failure.
    EXPECT_EQ(types.size(), 1);
}

TEST(FrameEventObserver, HearsEveryEventInOrderAndMayRecordInTurn)
{
    frame::FrameEventLog log;
    QStringList heard;
    log.SetObserver([&](const frame::FrameEvent& event) {
        heard << event.Text();
        if (event.name == QLatin1String("OnUploadFinished"))
            log.Record(event.systemTag, QStringLiteral("Echo"));
    });
    log.Record(kTag, QStringLiteral("OnFunctionChanged"));
    log.Record(kTag, QStringLiteral("OnUploadFinished"), {QStringLiteral("U1"), QStringLiteral("True")});
    EXPECT_EQ(heard, (QStringList{"OnFunctionChanged", "OnUploadFinished(U1, True)", "Echo"}));
    EXPECT_EQ(log.Texts(), heard);
}

TEST(FrameCommunicationAddress, TheServerReadsTheAddressThroughItsInterface)
{
    auto communication = std::make_shared<frame::FrameCommunication>(QStringLiteral("hart-ip://127.0.0.1:6000"), comm::HartDeviceType{0x63, 0xA5});
    std::shared_ptr<automation::ComObject> object = communication;
    const auto address = std::dynamic_pointer_cast<comm::IHartIpAddress>(object);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->DeviceAddress(), "hart-ip://127.0.0.1:6000");
}

// A DTM that also answers the information, parameter and transfer calls.
class OnlineDtm : public frametest::FakeDtm,
                  public fdt::IDtmInformation,
                  public fdt::IDtmOnlineParameter {
public:
    QString GetInformation() override { return information; }
    bool UploadRequest(const QString& id, const QString&) override { return Call(QStringLiteral("Upload:") + id); }
    bool DownloadRequest(const QString& id, const QString&) override
    {
        return Call(QStringLiteral("Download:") + id);
    }
    bool CancelAction(const QString& id) override { return Call(QStringLiteral("Cancel:") + id); }
    bool PrepareToReleaseCommunication() override { return Call(QStringLiteral("PrepareToReleaseCommunication")); }
    bool ReleaseCommunication() override { return Call(QStringLiteral("ReleaseCommunication")); }

    QString information;

private:
    bool Call(const QString& text)
    {
        calls << text;
        return answer;
    }
};

class FrameCalls : public ::testing::Test {
protected:
    FrameCalls()
    {
        automation::ClassRegistry::instance().Register(frame::ReferenceFrame::kDtmProgId, QString(), [] {
            return std::make_shared<OnlineDtm>();
        });
    }
    ~FrameCalls() override
    {
        automation::ClassRegistry::instance().Unregister(frame::ReferenceFrame::kDtmProgId);
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
    }
    std::shared_ptr<OnlineDtm> Dtm() { return frame.Dtm<OnlineDtm>(kTag); }

    QTemporaryDir dir;
    frame::ReferenceFrame frame{dir.filePath(QStringLiteral("project")), dir.filePath(QStringLiteral("schemas"))};
};

TEST_F(FrameCalls, ANewInstanceInStepsAndTheCallsOfTheCommandLine)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.PrepareNewInstance(kTag));
    EXPECT_EQ(Dtm()->calls, (QStringList{"InitProperties", "Environment:DTM_1"}));
    QString text;
    EXPECT_FALSE(frame.GetInformation(kTag, text));
    EXPECT_EQ(frame.LastError(), "The DTM DTM_1 gave no DTM information");
    Dtm()->information = kInformation;
    ASSERT_TRUE(frame.GetInformation(kTag, text));
    EXPECT_EQ(text, kInformation);
    ASSERT_TRUE(frame.InitNew(kTag, QStringLiteral("<FDT/>")));
    EXPECT_EQ(Dtm()->calls.last(), "InitNew:<FDT/>");

    Dtm()->dataset.clear();
    EXPECT_FALSE(frame.GetParameters(kTag, text));
    Dtm()->dataset = QStringLiteral("<FDT a=\"1\"/>");
    ASSERT_TRUE(frame.GetParameters(kTag, text));
    EXPECT_EQ(text, "<FDT a=\"1\"/>");

    ASSERT_TRUE(frame.UploadRequest(kTag, QStringLiteral("U1")));
    ASSERT_TRUE(frame.DownloadRequest(kTag, QStringLiteral("D1")));
    ASSERT_TRUE(frame.CancelAction(kTag, QStringLiteral("D1")));
    ASSERT_TRUE(frame.PrepareToReleaseCommunication(kTag));
    ASSERT_TRUE(frame.ReleaseCommunication(kTag));
    EXPECT_EQ(Dtm()->calls.mid(3), (QStringList{"Upload:U1", "Download:D1", "Cancel:D1",
                                                "PrepareToReleaseCommunication", "ReleaseCommunication"}));

    Dtm()->answer = false;
    EXPECT_FALSE(frame.UploadRequest(kTag, QStringLiteral("U2")));
    EXPECT_EQ(frame.LastError(), "The DTM DTM_1 refused the upload");
    EXPECT_FALSE(frame.CancelAction(kTag, QStringLiteral("U2")));
    EXPECT_EQ(frame.LastError(), "The DTM DTM_1 refused to cancel U2");
    EXPECT_FALSE(frame.UploadRequest(QStringLiteral("NONE"), QStringLiteral("U3")));
    EXPECT_EQ(frame.LastError(), "No DTM with the system tag NONE");
}

} // namespace
