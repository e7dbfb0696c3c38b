#include "fennick/services/XMLHelper.h"
#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"
#include "tests/common/TraceCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using XMLHelper::DocumentPtr;
using xml::XmlNode;

namespace {

QString StagedSchemas()
{
    return QCoreApplication::applicationDirPath() + "/../schemas";
}

// Every test starts with the staged schemas in the cache.
class XMLHelperTest : public ::testing::Test {
protected:
    void SetUp() override { XMLHelper::LoadSchemaCache(StagedSchemas()); }
    void TearDown() override { XMLHelper::ReleaseSchemaCache(); }
};

// A dataset as the data manager builds it, element by element.
DocumentPtr BuildDataset()
{
    DocumentPtr doc;
    XmlNode root;
    XMLHelper::AppendFdtRoot(doc, root);
    XMLHelper::SetNamespace(root, "", "x-schema:DTMParameterSchema.xml");
    XMLHelper::SetNamespace(root, "fdt", "x-schema:FDTDataTypesSchema.xml");
    root.SetAttribute("fdt:storageState", "transient");
    root.SetAttribute("fdt:dataSetState", "default");
    XmlNode type = root.AppendChild(doc->CreateElement("fdt:DtmDeviceType"));
    type.SetAttribute("manufacturerId", "38");
    type.SetAttribute("deviceTypeId", "170");
    type.SetAttribute("classificationId", "flow");
    type.AppendChild(doc->CreateElement("fdt:VersionInformation")).SetAttribute("name", "MVT");
    XmlNode categories = type.AppendChild(doc->CreateElement("fdt:BusCategories"));
    categories.AppendChild(doc->CreateElement("fdt:BusCategory"))
        .SetAttribute("busCategory", "036D1498-387B-11D4-86E1-00E0987270B9");
    XmlNode device = doc->CreateElement("DtmDevice");
    device.SetAttribute("fdt:tag", "XI XXX");
    XmlNode exported = doc->CreateElement("ExportedVariables");
    XmlNode variables = doc->CreateElement("fdt:DtmVariables");
    variables.SetAttribute("name", "Parameters");
    XmlNode bus = device.AppendChild(doc->CreateElement("BusInformation"));
    bus.AppendChild(doc->CreateElement("SlaveAddress")).SetAttribute("slaveAddress", "0");
    exported.AppendChild(variables);
    device.AppendChild(exported);
    root.AppendChild(device);
    XmlNode display = doc->CreateElement("fdt:Display");
    XmlNode value = doc->CreateElement("fdt:Value");
    XmlNode variable = doc->CreateElement("fdt:DtmVariable");
    variable.SetAttribute("name", "&&private_Fennick&&TDXfile");
    variables.AppendChild(variable);
    variable.AppendChild(value);
    value.AppendChild(display);
    display.SetAttribute("string", "/x/TDXDESC/a.tdx");
    XmlNode topology = device.InsertBefore(doc->CreateElement("InternalTopology"), exported);
    XMLHelper::SetReadOnlyAccess(topology);
    return doc;
}

} // namespace

TEST_F(XMLHelperTest, SmallHelpersFollowTheirTexts)
{
    TraceCapture trace;
    EXPECT_EQ(XMLHelper::BoolToXml(true), "1");
    EXPECT_EQ(XMLHelper::BoolToXml(false), "0");
    EXPECT_TRUE(XMLHelper::XmlToBool("1"));
    EXPECT_FALSE(XMLHelper::XmlToBool("0"));
    EXPECT_TRUE(trace.lines().isEmpty());
    EXPECT_FALSE(XMLHelper::XmlToBool("true"));
    EXPECT_EQ(trace.messages(), QStringList{"XML Boolean needs to be '1'/'0' "});

    EXPECT_EQ(XMLHelper::ModulePath(), "FDT/DtmDevice/InternalTopology/InternalChannel/Module");
    EXPECT_EQ(XMLHelper::QuoteText("  flow 1  "), "\"flow 1\"");
    // A double quote inside would end the literal early.
    EXPECT_EQ(XMLHelper::QuoteText("a\"b"), "'a\"b'");
    EXPECT_EQ(XMLHelper::QuoteText("a\"b'c"), "concat(\"a\",'\"',\"b'c\")");

    xml::XmlDocument doc;
    XmlNode status;
    XMLHelper::CreateStatusElement(false, true, false, doc, status);
    const QList<QPair<QString, QString>> expected{
        {"checked", "0"}, {"enabled", "1"}, {"hidden", "1"}, {"separator", "0"}, {"toggle", "0"}};
    EXPECT_EQ(status.Name(), "Status");
    EXPECT_EQ(status.Attributes(), expected);
    EXPECT_TRUE(status.Parent().IsNull());
    XMLHelper::SetReadOnlyAccess(XmlNode()); // absent element: nothing happens
}

TEST_F(XMLHelperTest, AttributesAreReadAndCopiedWithTracesForWhatIsMissing)
{
    DocumentPtr source;
    DocumentPtr target;
    ASSERT_TRUE(XMLHelper::LoadXmlString("<A><B tag='T1' empty=''/></A>", source));
    ASSERT_TRUE(XMLHelper::LoadXmlString("<A><B tag='old'/></A>", target));
    TraceCapture trace;
    const XmlNode b = source->SelectSingleNode("A/B");
    EXPECT_EQ(XMLHelper::GetAttribute(b, "empty"), "");
    EXPECT_TRUE(trace.lines().isEmpty());
    EXPECT_EQ(XMLHelper::GetAttribute(b, "absent"), "");
    EXPECT_EQ(XMLHelper::GetAttribute(XmlNode(), "tag"), "");
    EXPECT_EQ(trace.messages(), (QStringList{"Missing XML Attribute :absent", "Missing XML Attribute :tag"}));

    trace.clear();
    EXPECT_TRUE(XMLHelper::CopyAttribute(source->AsNode(), *target, "//A/B", "tag"));
    EXPECT_EQ(target->SelectSingleNode("A/B").Attribute("tag"), "T1");
    EXPECT_FALSE(XMLHelper::CopyAttribute(source->AsNode(), *target, "//A/C", "tag"));
    EXPECT_EQ(trace.messages(), (QStringList{"Unable to copy attribute:tag", "Missing Source //A/C",
                                             "Missing Target //A/C"}));
}

TEST_F(XMLHelperTest, EmptyFunctionListFitsItsSchema)
{
    const QString text = XMLHelper::CreateFunctionsDocument();
    EXPECT_EQ(text,
              "<?xml version='1.0' encoding='UTF-8'?>\n"
              "<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\" xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\" "
              "xmlns:appId=\"x-schema:FDTApplicationIdSchema.xml\">"
              "<Functions label=\"-\" fdt:name=\"-\" help=\"-\"/></FDT>\n");
    TraceCapture trace;
    DocumentPtr doc;
    ASSERT_TRUE(XMLHelper::LoadXmlString(text, doc));
    EXPECT_TRUE(trace.lines().isEmpty());
    EXPECT_EQ(doc->SelectSingleNode("FDT/Functions").Attribute("fdt:name"), "-");
    // The namespaces are really validated: an empty function list without
    // its required attributes does not load.
    QString broken = text;
    broken.replace(" help=\"-\"", "");
    EXPECT_FALSE(XMLHelper::LoadXmlString(broken, doc));
}

TEST_F(XMLHelperTest, LoadFailuresAreTracedAsParserErrors)
{
    TraceCapture trace;
    DocumentPtr doc;
    EXPECT_FALSE(XMLHelper::LoadXmlString("<FDT>\n<Open></FDT>", doc));
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->IsEmpty());
    const QStringList lines = trace.messages();
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "Parser error!");
    EXPECT_TRUE(lines[1].startsWith("Reason       : ")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "Source text  : <Open></FDT>");
    EXPECT_EQ(lines[4], "Line number  : 2");

    // A function call whose id is not a number does not fit its schema.
    trace.clear();
    const QString call = "<FDT xmlns='x-schema:DTMFunctionCallSchema.xml' "
                         "xmlns:func='x-schema:DTMFunctionsSchema.xml' "
                         "xmlns:ops='x-schema:FDTOperationPhaseSchema.xml'>\n"
                         "<FDTFunctionCall func:functionId='%1' ops:operationPhase='engineering'/></FDT>";
    EXPECT_FALSE(XMLHelper::LoadXmlString(call.arg("abc"), doc));
    ASSERT_FALSE(trace.messages().isEmpty());
    EXPECT_EQ(trace.messages()[0], "Parser error!");
    EXPECT_TRUE(trace.contains("functionId"));
    EXPECT_TRUE(trace.contains("Line number  : 2"));
    ASSERT_TRUE(XMLHelper::LoadXmlString(call.arg("13"), doc));
    EXPECT_EQ(doc->SelectSingleNode("//FDT/FDTFunctionCall").Attribute("func:functionId"), "13");
}

TEST_F(XMLHelperTest, DocumentsTheSystemBuildsAndAcceptsFitTheSchemas)
{
    DocumentPtr dataset = BuildDataset();
    ASSERT_TRUE(dataset);
    EXPECT_FALSE(dataset->Validate().IsError()) << dataset->Validate().reason.toStdString();
    DocumentPtr reloaded;
    ASSERT_TRUE(XMLHelper::LoadXmlString(dataset->Xml(), reloaded));
    EXPECT_EQ(reloaded->SelectSingleNode("//fdt:DtmVariables/fdt:DtmVariable[@name="
                                         + XMLHelper::QuoteText(" &&private_Fennick&&TDXfile ")
                                         + "]/fdt:Value/fdt:Display")
                  .Attribute("string"),
              "/x/TDXDESC/a.tdx");
    EXPECT_EQ(reloaded->SelectSingleNode("//FDT/DtmDevice/InternalTopology").Attribute("fdt:writeAccess"), "0");
    dataset->DocumentElement().SetAttribute("fdt:dataSetState", "modified");
    EXPECT_TRUE(dataset->Validate().IsError());

    // Frame documents: the states of the FDT user level reach the DTM even
    // when it will refuse them, and a missing operation phase is accepted.
    DocumentPtr doc;
    EXPECT_TRUE(XMLHelper::LoadXmlString("<FDT xmlns='x-schema:FDTUserInformationSchema.xml'>"
                                         "<FDTUserInformation userLevel='Maintenance' oemService='1'/></FDT>",
                                         doc));
    EXPECT_TRUE(XMLHelper::LoadXmlString("<FDT xmlns='x-schema:FDTOperationPhaseSchema.xml'/>", doc));
    EXPECT_TRUE(XMLHelper::LoadXmlString(
        "<FDT xmlns='x-schema:DTMInitSchema.xml' xmlns:fdt='x-schema:FDTDataTypesSchema.xml'>"
        "<fdt:DtmDeviceType manufacturerId='38' deviceTypeId='170'/></FDT>",
        doc));
    EXPECT_FALSE(XMLHelper::LoadXmlString(
        "<FDT xmlns='x-schema:DTMInitSchema.xml' xmlns:fdt='x-schema:FDTDataTypesSchema.xml'>"
        "<fdt:DtmDeviceType><fdt:VersionInformation vendor='no name'/></fdt:DtmDeviceType></FDT>",
        doc));
}

TEST(XMLHelperSchemaCache, IsBuiltFromTheDirectoryAndRaisesForMissingFiles)
{
    XMLHelper::LoadSchemaCache(QDir(StagedSchemas()).absolutePath() + "/");
    ASSERT_TRUE(XMLHelper::SchemaCache());
    EXPECT_EQ(XMLHelper::SchemaCache()->Count(), 12);
    EXPECT_EQ(XMLHelper::SchemaCache()->Namespaces().first(), "x-schema:FDTApplicationIdSchema.xml");

    // Documents keep the cache they were given; new ones get none.
    DocumentPtr before;
    XmlNode root;
    XMLHelper::AppendFdtRoot(before, root);
    XMLHelper::ReleaseSchemaCache();
    EXPECT_FALSE(XMLHelper::SchemaCache());
    EXPECT_TRUE(before->Schemas());
    DocumentPtr after;
    ASSERT_TRUE(XMLHelper::LoadXmlString("<FDT xmlns='x-schema:DTMFunctionsSchema.xml'/>", after));

    try {
        XMLHelper::LoadSchemaCache(QDir::tempPath() + "/no-such-schema-folder");
        FAIL() << "no error raised";
    } catch (const automation::ComError& error) {
        EXPECT_TRUE(error.description().contains("/no-such-schema-folder/FDTApplicationIdSchema.xml"))
            << error.description().toStdString();
    }
    EXPECT_FALSE(XMLHelper::SchemaCache());
}

TEST(XMLHelperDebugCopy, WithoutTheFolderOnlyItsAbsenceIsTraced)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/TESTxml";
    if (QFileInfo(folder).exists())
        GTEST_SKIP() << "a debug folder exists beside the program";
    TraceCapture trace;
    DocumentPtr doc;
    XmlNode root;
    XMLHelper::AppendFdtRoot(doc, root);
    XMLHelper::SaveDebugXml(doc, "Parameters");
    EXPECT_EQ(trace.messages(), QStringList{"Missing Directory: " + folder});
    EXPECT_FALSE(QFileInfo::exists(folder));
}
