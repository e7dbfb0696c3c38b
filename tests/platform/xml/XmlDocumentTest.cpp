#include "platform/automation/ComError.h"
#include "platform/xml/XPathTranslator.h"
#include "platform/xml/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using xml::XmlDocument;
using xml::XmlNode;

namespace {

const QString kParam = QStringLiteral("x-schema:DTMParameterSchema.xml");
const QString kTypes = QStringLiteral("x-schema:FDTDataTypesSchema.xml");

QString Names(const xml::XmlNodeList& nodes)
{
    QStringList names;
    for (const XmlNode& n : nodes)
        names.append(n.Name() + QLatin1Char('=') + n.Attribute(QStringLiteral("name")));
    return names.join(QLatin1Char(','));
}

} // namespace

TEST(XmlTree, BuiltDocumentKeepsAttributeOrderPrefixesAndRoundTrips)
{
    XmlDocument doc;
    doc.AppendProcessingInstruction("xml", "version='1.0' encoding='UTF-8'");
    XmlNode root = doc.AppendChild(doc.CreateElement("FDT"));
    root.SetAttribute("xmlns", kParam);
    root.SetAttribute("xmlns:fdt", kTypes);
    root.SetAttribute("fdt:storageState", "transient");
    root.SetAttribute("fdt:dataSetState", "validModified ");
    XmlNode device = doc.CreateElement("DtmDevice");
    device.SetAttribute("fdt:tag", "TT <1> & \"2\"");
    device.SetAttribute("b", "2");
    device.SetAttribute("a", "1");
    device.SetAttribute("b", "3"); // replaced in place
    root.AppendChild(device);

    const QString expected =
        "<?xml version='1.0' encoding='UTF-8'?>\n"
        "<FDT xmlns=\"x-schema:DTMParameterSchema.xml\" xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\" "
        "fdt:storageState=\"transient\" fdt:dataSetState=\"validModified \">"
        "<DtmDevice fdt:tag=\"TT &lt;1&gt; &amp; &quot;2&quot;\" b=\"3\" a=\"1\"/></FDT>\n";
    EXPECT_EQ(doc.Xml(), expected);
    EXPECT_EQ(device.NamespaceUri(), kParam);
    EXPECT_EQ(device.AttributeNode("fdt:tag").NamespaceUri(), kTypes);

    XmlDocument back;
    ASSERT_TRUE(back.LoadXml(doc.Xml())) << back.ParseError().reason.toStdString();
    const XmlNode loaded = back.DocumentElement().FirstChildElement();
    const QList<QPair<QString, QString>> expectedAttributes{
        {"fdt:tag", "TT <1> & \"2\""}, {"b", "3"}, {"a", "1"}};
    EXPECT_EQ(loaded.Attributes(), expectedAttributes);
    EXPECT_EQ(loaded.NamespaceUri(), kParam);
    EXPECT_EQ(back.Xml(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + expected.mid(expected.indexOf('\n') + 1));
}

TEST(XmlTree, NamesCreatedBeforeTheirDeclarationAreBoundWhenItComesIntoScope)
{
    XmlDocument doc;
    XmlNode variable = doc.CreateElement("fdt:DtmVariable");
    variable.SetAttribute("fdt:name", "early");
    EXPECT_EQ(variable.NamespaceUri(), "");
    XmlNode root = doc.AppendChild(doc.CreateElement("FDT"));
    XmlNode list = root.AppendChild(doc.CreateElement("List"));
    list.AppendChild(variable);
    EXPECT_EQ(variable.NamespaceUri(), ""); // nothing declared yet

    root.SetAttribute("xmlns:fdt", kTypes);
    root.SetAttribute("xmlns", kParam);
    EXPECT_EQ(root.NamespaceUri(), kParam);
    EXPECT_EQ(list.NamespaceUri(), kParam);
    EXPECT_EQ(variable.NamespaceUri(), kTypes);
    EXPECT_EQ(variable.LocalName(), "DtmVariable");
    EXPECT_EQ(variable.Prefix(), "fdt");
    EXPECT_EQ(variable.AttributeNode("fdt:name").NamespaceUri(), kTypes);
    EXPECT_EQ(variable.Attribute("fdt:name"), "early");

    // A redundant own declaration can go; the names stay in the namespace.
    XmlNode copy = doc.CreateElement("fdt:Copy");
    copy.SetAttribute("xmlns:fdt", kTypes);
    root.AppendChild(copy);
    EXPECT_TRUE(copy.RemoveAttribute("xmlns:fdt"));
    EXPECT_FALSE(copy.HasAttribute("xmlns:fdt"));
    EXPECT_EQ(copy.NamespaceUri(), kTypes);
    // A declaration still needed is declared again where it is needed.
    XmlDocument other;
    XmlNode lone = other.AppendChild(other.CreateElement("p:Lone"));
    lone.SetAttribute("xmlns:p", "urn:p");
    EXPECT_TRUE(lone.RemoveAttribute("xmlns:p"));
    EXPECT_EQ(lone.NamespaceUri(), "urn:p");
    EXPECT_EQ(lone.Attribute("xmlns:p"), "urn:p");
}

TEST(XmlTree, RemovedAndMovedNodesStayValidAndTheTreeCannotBeBroken)
{
    XmlDocument doc;
    XmlNode root = doc.AppendChild(doc.CreateElement("R"));
    XmlNode a = root.AppendChild(doc.CreateElement("A"));
    XmlNode b = root.AppendChild(doc.CreateElement("B"));
    XmlNode t1 = a.AppendChild(doc.CreateTextNode("one"));
    XmlNode t2 = a.AppendChild(doc.CreateTextNode("two"));
    EXPECT_EQ(a.Text(), "onetwo");
    EXPECT_EQ(t2.Text(), "two"); // adjacent texts are not merged away

    XmlNode removed = root.RemoveChild(a);
    EXPECT_EQ(removed, a);
    EXPECT_TRUE(a.Parent().IsNull());
    EXPECT_EQ(t1.Text(), "one");
    b.AppendChild(a);
    EXPECT_EQ(root.Xml(), "<R><B><A>onetwo</A></B></R>");
    EXPECT_EQ(root.ReplaceChild(doc.CreateElement("C"), b), b);
    EXPECT_EQ(root.Xml(), "<R><C/></R>");
    root.InsertBefore(b, root.FirstChild());
    EXPECT_EQ(root.Xml(), "<R><B><A>onetwo</A></B><C/></R>");

    EXPECT_THROW(a.AppendChild(root), automation::ComError);
    EXPECT_THROW(a.AppendChild(a), automation::ComError);
    EXPECT_THROW(doc.AppendChild(doc.CreateElement("Second")), automation::ComError);
    EXPECT_THROW(doc.CreateElement("bad name"), automation::ComError);
    EXPECT_THROW(a.SetAttribute("1x", "v"), automation::ComError);

    // A node of another document is copied in, with the declarations it needs.
    XmlDocument source;
    ASSERT_TRUE(source.LoadXml("<FDT xmlns='urn:d' xmlns:fdt='urn:t'><fdt:T fdt:n='1'><C/></fdt:T></FDT>"));
    XmlNode foreign = source.DocumentElement().FirstChildElement();
    XmlNode copy = root.AppendChild(foreign);
    EXPECT_NE(copy, foreign);
    EXPECT_FALSE(source.DocumentElement().FirstChildElement().IsNull());
    EXPECT_EQ(copy.NamespaceUri(), "urn:t");
    EXPECT_EQ(copy.FirstChildElement().NamespaceUri(), "urn:d");
    EXPECT_EQ(foreign.Xml(), "<fdt:T xmlns:fdt=\"urn:t\" xmlns=\"urn:d\" fdt:n=\"1\"><C/></fdt:T>");

    XmlNode text = doc.CreateElement("Text");
    text.SetText("a<b&c");
    EXPECT_EQ(text.Xml(), "<Text>a&lt;b&amp;c</Text>");
    text.SetText(QString());
    EXPECT_EQ(text.Xml(), "<Text/>");

    // Detached nodes can be given up at once; the tree is untouched.
    root.RemoveChild(root.LastChild());
    doc.FreeDetachedNodes();
    EXPECT_EQ(doc.Xml(), "<R><B><A>onetwo</A></B><C/></R>\n");
}

TEST(XmlXPath, PlainNamesMatchElementsInADefaultNamespaceAndPrefixesTheirDeclarations)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadXml(
        "<?xml version='1.0'?>\n"
        "<FDT xmlns='x-schema:DTMInformationSchema.xml' xmlns:fdt='x-schema:FDTDataTypesSchema.xml'>"
        "<DtmInfo><DtmDeviceTypes>"
        "<fdt:DtmDeviceType manufacturerId='42' deviceTypeId='7' name='a'/>"
        "<fdt:DtmDeviceType manufacturerId='42' deviceTypeId='8' name='b'/>"
        "<other:DtmDeviceType xmlns:other='urn:other' manufacturerId='42' name='c'/>"
        "</DtmDeviceTypes></DtmInfo></FDT>"));
    EXPECT_EQ(doc.SelectSingleNode("FDT").Name(), "FDT");
    EXPECT_EQ(Names(doc.SelectNodes("//DtmDeviceTypes/fdt:DtmDeviceType[@manufacturerId=\"42\" and @deviceTypeId=\"8\"]")),
              "fdt:DtmDeviceType=b");
    EXPECT_EQ(Names(doc.SelectNodes("FDT/DtmInfo/DtmDeviceTypes/fdt:DtmDeviceType")),
              "fdt:DtmDeviceType=a,fdt:DtmDeviceType=b");
    // Unprefixed steps do not match prefixed elements.
    EXPECT_TRUE(doc.SelectNodes("//DtmDeviceType").isEmpty());
    // Relative to a node, with positions and functions.
    const XmlNode types = doc.SelectSingleNode("//DtmDeviceTypes");
    EXPECT_EQ(types.SelectSingleNode("fdt:DtmDeviceType[2]").Attribute("name"), "b");
    EXPECT_EQ(types.SelectNodes("*[count(@deviceTypeId) = 0]").size(), 1);
    EXPECT_EQ(types.SelectSingleNode("fdt:DtmDeviceType/@name").Text(), "a");
    EXPECT_EQ(types.SelectSingleNode("..").Name(), "DtmInfo");
    // A prefix the caller registers, under another name than the document's.
    doc.RegisterNamespace("t", "x-schema:FDTDataTypesSchema.xml");
    EXPECT_EQ(doc.SelectNodes("//t:DtmDeviceType").size(), 2);
    // A prefix declared only below the document element, from its context.
    const XmlNode foreign = doc.SelectSingleNode("//*[@name='c']");
    EXPECT_EQ(foreign.SelectSingleNode("self::other:DtmDeviceType"), foreign);
    EXPECT_THROW(doc.SelectNodes("FDT/[["), automation::ComError);
    EXPECT_THROW(doc.SelectNodes("count(//FDT)"), automation::ComError);
}

TEST(XmlXPath, TranslationLeavesOperatorsFunctionsAndAttributesAlone)
{
    const auto known = [](const QString& p) { return p == "fdt"; };
    EXPECT_EQ(xml::TranslateXPath("FDT/DtmDevice", known), "*[name()='FDT']/*[name()='DtmDevice']");
    EXPECT_EQ(xml::TranslateXPath("//fdt:V[@name=\"a b\"]/fdt:Value", known),
              "//fdt:V[@name=\"a b\"]/fdt:Value");
    EXPECT_EQ(xml::TranslateXPath("x:A/x:*", known), "*[name()='x:A']/*[starts-with(name(),'x:')]");
    EXPECT_EQ(xml::TranslateXPath("A[@n div 2 = 1 and position() mod 2]", known),
              "*[name()='A'][@n div 2 = 1 and position() mod 2]");
    EXPECT_EQ(xml::TranslateXPath("A * 2 | ancestor::B/attribute::c | text() | node()", known),
              "*[name()='A'] * 2 | ancestor::*[name()='B']/attribute::c | text() | node()");
    EXPECT_EQ(xml::TranslateXPath("count(A) > 1.5 and $v = 'and'", known),
              "count(*[name()='A']) > 1.5 and $v = 'and'");
}

TEST(XmlLoad, ParseErrorsCarryReasonLineColumnAndSourceText)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<A/>"));
    EXPECT_FALSE(doc.LoadXml("<A>\n  <B>text</C>\n</A>"));
    const xml::XmlParseError& e = doc.ParseError();
    EXPECT_TRUE(e.IsError());
    EXPECT_EQ(e.line, 2);
    EXPECT_GT(e.linepos, 10);
    EXPECT_TRUE(e.reason.contains("mismatch")) << e.reason.toStdString();
    EXPECT_EQ(e.srcText, "  <B>text</C>");
    EXPECT_EQ(e.filepos, 4 + e.linepos - 1);
    EXPECT_TRUE(doc.IsEmpty()); // a failed load leaves an empty document

    EXPECT_FALSE(doc.LoadXml("<A xmlns:p='urn:p'><q:B/></A>"));
    EXPECT_TRUE(doc.ParseError().reason.contains("q")) << doc.ParseError().reason.toStdString();
    EXPECT_FALSE(doc.LoadXml(QString()));
    EXPECT_TRUE(doc.ParseError().IsError());

    // A declaration naming another encoding does not change how text is read.
    ASSERT_TRUE(doc.LoadXml("<?xml version='1.0' encoding='ISO-8859-1'?><A v='\u00e4\u20ac'/>"));
    EXPECT_EQ(doc.DocumentElement().Attribute("v"), QString::fromUtf8("\u00e4\u20ac"));

    // External entities are never fetched.
    QTemporaryDir dir;
    QFile secret(dir.filePath("secret.txt"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("SECRET");
    secret.close();
    const QString url = QUrl::fromLocalFile(secret.fileName()).toString();
    ASSERT_TRUE(doc.LoadXml("<!DOCTYPE A [<!ENTITY x SYSTEM '" + url + "'>]><A>&x;</A>"));
    EXPECT_FALSE(doc.Xml().contains("SECRET"));
    EXPECT_FALSE(doc.DocumentElement().Text().contains("SECRET"));

    EXPECT_FALSE(doc.Load("/nonexistent/file.xml"));
    EXPECT_TRUE(doc.ParseError().reason.contains("/nonexistent/file.xml"));
}

TEST(XmlLoad, BytesAreReadAsUtf8Only)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadUtf8("<?xml version='1.0' encoding='ISO-8859-1'?><A v='\xc3\xa4'/>"));
    EXPECT_EQ(doc.DocumentElement().Attribute("v"), QString::fromUtf8("\u00e4"));
    // Latin-1 bytes are no UTF-8, whatever the declaration says; nothing is
    // replaced behind the reader's back.
    EXPECT_FALSE(doc.LoadUtf8("<?xml version='1.0' encoding='ISO-8859-1'?><A v='\xe4'/>"));
    EXPECT_TRUE(doc.ParseError().IsError());
    EXPECT_EQ(doc.ParseError().line, 1);
    EXPECT_TRUE(doc.IsEmpty());
}

TEST(XmlSave, SavesAtomicallyAndReloads)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.xml");
    XmlDocument doc;
    doc.AppendProcessingInstruction("xml", "version='1.0' encoding='UTF-8'");
    doc.AppendChild(doc.CreateElement("A")).SetAttribute("v", QString::fromUtf8("\u00fc"));
    ASSERT_TRUE(doc.Save(path));
    doc.DocumentElement().SetAttribute("v", "2");
    ASSERT_TRUE(doc.Save(path));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"doc.xml"});

    XmlDocument back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.DocumentElement().Attribute("v"), "2");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("<?xml version='1.0' encoding='UTF-8'?>\n<A"));

    QString error;
    EXPECT_FALSE(doc.Save(dir.filePath("missing/doc.xml"), &error));
    EXPECT_TRUE(error.contains("missing/doc.xml"));
}
