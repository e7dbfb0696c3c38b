#include "fennick/services/frmSelectDtm.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tests/fennick/services/RegistrationTestSupport.h"
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

using namespace registration_test;

namespace {

class DtmInformation : public RegistrationTest {
protected:
    void SetUp() override
    {
        RegistrationTest::SetUp();
        m_dialogs.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    }

    // Registers the Trivex HART device type and a copy of its entry, as if
    // the catalogue had been edited by hand, pointing at other files.
    void RegisterTwinEntries()
    {
        const QString twin = Describe("twin", "Twin", {});
        ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
        QString text = ReadText(CataloguePath());
        const qsizetype start = text.indexOf("<fdt:DtmDeviceType");
        const qsizetype end = text.indexOf("</fdt:DtmDeviceType>") + QString("</fdt:DtmDeviceType>").size();
        QString copy = text.mid(start, end - start);
        copy.replace(m_hartDir + "Trivex", twin + "Twin");
        copy.replace("classificationId=\"flow\"", "classificationId=\"flow\" deviceTypeInformation=\"the twin\"");
        text.insert(end, copy);
        WriteText(CataloguePath(), text);
        m_twinDir = twin;
    }

    // The device type element a frame hands back.
    xml::XmlNode FrameDeviceType(const QString& attributes)
    {
        m_frameDocument = std::make_shared<xml::XmlDocument>();
        EXPECT_TRUE(m_frameDocument->LoadXml("<FDT xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\"><fdt:DtmDeviceType "
                                             + attributes + "/></FDT>"));
        return m_frameDocument->SelectSingleNode("FDT/fdt:DtmDeviceType");
    }

    dialogs::ScriptedDialogService m_dialogs;
    dialogs::ScopedDialogService m_scope{m_dialogs};
    std::shared_ptr<xml::XmlDocument> m_frameDocument;
    QString m_twinDir;
};

const QString kTrivexType = "manufacturerId=\"99\" deviceTypeId=\"137\" classificationId=\"flow\"";

} // namespace

TEST_F(DtmInformation, TheFrameSeesTheCatalogueWithAnIconAndWithoutFileReferences)
{
    Publics::SetProgramFolder(m_temp.filePath("FDT 1.2/bin"));
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    const QString onDisk = ReadText(CataloguePath());

    const QString information = Deployment::GetDtmInformationXml();
    XMLHelper::DocumentPtr document;
    ASSERT_TRUE(XMLHelper::LoadXmlString(information, document)) << information.toStdString();
    const xml::XmlNodeList entries = document->SelectNodes("FDT/DtmInfo/DtmDeviceTypes/fdt:DtmDeviceType");
    ASSERT_EQ(entries.size(), 1);
    QStringList children;
    for (const xml::XmlNode& child : entries[0].ChildElements())
        children.append(child.Name());
    EXPECT_EQ(children, (QStringList{"fdt:VersionInformation", "fdt:SupportedLanguages", "fdt:BusCategories",
                                     "fdt:DeviceIcon"}));
    EXPECT_EQ(entries[0].FirstChildElement("fdt:DeviceIcon").Attribute("path"), m_temp.path() + "/DTM.ICO");
    EXPECT_EQ(document->SelectSingleNode("FDT/DtmInfo/fdt:VersionInformation").Attribute("name"), "Radedov IRU");
    EXPECT_EQ(ReadText(CataloguePath()), onDisk);
}

TEST_F(DtmInformation, NoIconOutsideAnInstallationAndNoDocumentWithoutACatalogue)
{
    EXPECT_EQ(Deployment::GetDtmInformationXml(), "");

    Publics::SetProgramFolder(m_temp.filePath("bin"));
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    const QString information = Deployment::GetDtmInformationXml();
    EXPECT_TRUE(information.contains("fdt:BusCategories"));
    EXPECT_FALSE(information.contains("DeviceIcon"));
    EXPECT_FALSE(information.contains("DTK_DDFiles"));
    EXPECT_TRUE(Trace().contains("Wrong installation path for Fennick!"));

    WriteText(CataloguePath(), "<FDT>");
    EXPECT_EQ(Deployment::GetDtmInformationXml(), "");

    // A catalogue without its device types is still a document the frame gets.
    WriteText(CataloguePath(), "<FDT><DtmInfo><Other/></DtmInfo></FDT>");
    const QString withoutTypes = Deployment::GetDtmInformationXml();
    EXPECT_TRUE(withoutTypes.contains("<DtmInfo><Other/></DtmInfo>")) << withoutTypes.toStdString();
    EXPECT_TRUE(Trace().contains("Device catalogue failure: Element DtmDeviceTypes not found!"));
}

TEST_F(DtmInformation, LeadingBlanksOfTheIdentifiersAreDroppedForTheFrameOnly)
{
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    QString text = ReadText(CataloguePath());
    text.replace("manufacturerId=\"99\"", "manufacturerId=\"  99\"").replace("deviceTypeId=\"137\"", "deviceTypeId=\" 137\"");
    WriteText(CataloguePath(), text);

    const QString information = Deployment::GetDtmInformationXml();
    EXPECT_TRUE(information.contains("manufacturerId=\"99\" deviceTypeId=\"137\""));
    EXPECT_TRUE(ReadText(CataloguePath()).contains("manufacturerId=\"  99\" deviceTypeId=\" 137\""));
}

TEST_F(DtmInformation, OneMatchingEntryGivesItsFilesWithoutAskingTheUser)
{
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    QString tdx, fdt, gsd;
    EXPECT_TRUE(Deployment::GetDeviceType(FrameDeviceType(kTrivexType), tdx, fdt, gsd));
    EXPECT_EQ(tdx, m_hartDir + "Trivex.tdx");
    EXPECT_EQ(fdt, m_hartDir + "Trivex.fdt");
    EXPECT_EQ(gsd, "");
    EXPECT_TRUE(Trace().contains("Missing XML Attribute :gsdFile"));
    EXPECT_TRUE(m_dialogs.Requests().empty());
    EXPECT_EQ(Deployment::GetDeviceTypeInformation("99", "137", "flow"), "");
}

TEST_F(DtmInformation, AnUnknownOrIncompleteDeviceTypeIsNotFound)
{
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    QString tdx = "x", fdt = "x", gsd = "x";
    EXPECT_FALSE(Deployment::GetDeviceType(FrameDeviceType("manufacturerId=\"99\" deviceTypeId=\"1\" classificationId=\"flow\""),
                                           tdx, fdt, gsd));
    EXPECT_EQ(tdx + fdt + gsd, "");
    const QStringList messages = Trace().messages();
    const qsizetype at = messages.indexOf("GetDeviceType: Device type not found!");
    ASSERT_GE(at, 0);
    EXPECT_EQ(messages.mid(at + 1, 3), (QStringList{"Classification Id = flow", "Device Type Id    = 1",
                                                   "Manufacturer Id   = 99"}));

    // Without a classification the catalogue is not even opened.
    m_trace->clear();
    EXPECT_FALSE(Deployment::GetDeviceType(FrameDeviceType("manufacturerId=\"99\" deviceTypeId=\"137\""), tdx, fdt, gsd));
    EXPECT_TRUE(Trace().contains("Missing XML Attribute :classificationId"));
    EXPECT_FALSE(Trace().contains("Loading Device catalogue..."));

    EXPECT_FALSE(Deployment::GetDeviceType(xml::XmlNode(), tdx, fdt, gsd));
    EXPECT_TRUE(Trace().contains("GetDeviceType_criteria: Elementfdt:DtmDeviceType not found!"));
}

TEST_F(DtmInformation, SeveralMatchesAreOfferedWithTheFirstPreselected)
{
    RegisterTwinEntries();
    m_dialogs.AnswerModal([&](QDialog& dialog) {
        auto& form = dynamic_cast<frmSelectDtm&>(dialog);
        EXPECT_EQ(form.windowTitle(), "Select device type");
        EXPECT_EQ(form.fraDeviceTypes->title(), "Device type Ids");
        EXPECT_EQ(form.fraDetail[0]->title(), "Manufacturer Id");
        EXPECT_EQ(form.fraDetail[1]->title(), "Device type information");
        EXPECT_EQ(form.fraDetail[2]->title(), "Device category");
        EXPECT_EQ(form.lstDeviceTypIds->count(), 2);
        EXPECT_EQ(form.lstDeviceTypIds->item(0)->text(), "137");
        EXPECT_EQ(form.lstDeviceTypIds->item(1)->text(), "137");
        EXPECT_EQ(form.lstDeviceTypIds->currentRow(), 0);
        EXPECT_TRUE(form.cmdOK->isEnabled());
        EXPECT_EQ(form.SelectedIndex(), 0);
        form.lstDeviceTypIds->setCurrentRow(1);
        EXPECT_EQ(form.lblDetail[0]->text(), "99");
        EXPECT_EQ(form.lblDetail[1]->text(), "the twin");
        EXPECT_EQ(form.lblDetail[2]->text(), "flow");
        form.cmdOK->click();
        return form.result();
    });
    QString tdx, fdt, gsd;
    EXPECT_TRUE(Deployment::GetDeviceType(FrameDeviceType(kTrivexType), tdx, fdt, gsd));
    EXPECT_EQ(tdx, m_twinDir + "Twin.tdx");
    EXPECT_EQ(fdt, m_twinDir + "Twin.fdt");
    ASSERT_EQ(m_dialogs.Requests().size(), 1u);
    EXPECT_EQ(m_dialogs.Requests()[0].text, "frmSelectDtm");
    EXPECT_EQ(Deployment::GetDeviceTypeInformation("99", "137", "flow"), "");
}

TEST_F(DtmInformation, CancelFailsTheLookupAndClosingTheWindowKeepsTheRow)
{
    RegisterTwinEntries();
    m_dialogs.AnswerModal([](QDialog& dialog) {
        dynamic_cast<frmSelectDtm&>(dialog).cmdCancel->click();
        return dialog.result();
    });
    QString tdx, fdt, gsd;
    EXPECT_FALSE(Deployment::GetDeviceType(FrameDeviceType(kTrivexType), tdx, fdt, gsd));
    EXPECT_EQ(tdx, "");

    m_dialogs.AnswerModal([](QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    });
    EXPECT_TRUE(Deployment::GetDeviceType(FrameDeviceType(kTrivexType), tdx, fdt, gsd));
    EXPECT_EQ(tdx, m_hartDir + "Trivex.tdx");
}

TEST_F(DtmInformation, DeviceTypeInformationIsTheGsdTextOfAProfibusEntry)
{
    const QString profibus = DescribeProfibus();
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(profibus, "TrivexPA", " GSD_FILE:TRVX.gsd")));
    EXPECT_EQ(Deployment::GetDeviceTypeInformation("99", "167", "flow"), "#Profibus_DP\nVendor_Name = \"Korvel\"\n");
    EXPECT_EQ(Deployment::GetDeviceTypeInformation("99", "168", "flow"), "");
    QString tdx, fdt, gsd;
    EXPECT_TRUE(Deployment::GetDeviceType(FrameDeviceType("manufacturerId=\"99\" deviceTypeId=\"167\" classificationId=\"flow\""),
                                          tdx, fdt, gsd));
    EXPECT_EQ(gsd, profibus + "TRVX.gsd");
}
