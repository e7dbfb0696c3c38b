#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using xml::SchemaCache;
using xml::XmlDocument;
using xml::XmlNode;

namespace {

// Two schemas in a folder whose name has a blank, the first importing the
// second by a relative location.
const char kTypes[] = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:types"
           elementFormDefault="qualified">
  <xs:simpleType name="flag"><xs:restriction base="xs:string">
    <xs:enumeration value="0"/><xs:enumeration value="1"/></xs:restriction></xs:simpleType>
  <xs:attribute name="name" type="xs:string"/>
  <xs:element name="Item"><xs:complexType><xs:attribute name="on" type="xs:string"/></xs:complexType></xs:element>
</xs:schema>
)";

const char kList[] = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:t="urn:types" xmlns:l="urn:list"
           targetNamespace="urn:list" elementFormDefault="qualified">
  <xs:import namespace="urn:types" schemaLocation="types.xsd"/>
  <xs:element name="FDT"><xs:complexType><xs:sequence>
    <xs:element name="Entry" maxOccurs="unbounded"><xs:complexType>
      <xs:sequence><xs:element ref="t:Item" minOccurs="0"/></xs:sequence>
      <xs:attribute ref="t:name" use="required"/>
      <xs:attribute name="flag" type="t:flag" use="required"/>
    </xs:complexType></xs:element>
  </xs:sequence></xs:complexType></xs:element>
</xs:schema>
)";

void Write(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

class SchemaCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(m_root.path()).mkpath("FDT 1.2/schemas"));
        m_dir = m_root.filePath("FDT 1.2/schemas");
        Write(m_dir + "/types.xsd", kTypes);
        Write(m_dir + "/list.xsd", kList);
    }

    QString Path(const QString& name) const { return m_dir + QLatin1Char('/') + name; }

    std::shared_ptr<SchemaCache> Loaded() const
    {
        auto cache = std::make_shared<SchemaCache>();
        cache->Add("urn:list", Path("list.xsd"));
        cache->Add("urn:types", Path("types.xsd"));
        return cache;
    }

    QTemporaryDir m_root;
    QString m_dir;
};

QString RaisedBy(const std::function<void()>& action)
{
    try {
        action();
    } catch (const automation::ComError& error) {
        return error.description();
    }
    return QString();
}

} // namespace

TEST_F(SchemaCacheTest, DocumentsOfACachedNamespaceAreValidatedOthersPass)
{
    XmlDocument doc;
    doc.SetSchemas(Loaded());
    EXPECT_TRUE(doc.LoadXml("<FDT xmlns='urn:list' xmlns:t='urn:types'><Entry t:name='a' flag='1'><t:Item on='x'/></Entry></FDT>"))
        << doc.ParseError().reason.toStdString();
    EXPECT_TRUE(doc.LoadXml("<FDT xmlns='urn:elsewhere'><Anything/></FDT>"));
    EXPECT_TRUE(doc.LoadXml("<Plain/>"));

    EXPECT_FALSE(doc.LoadXml("<FDT xmlns='urn:list' xmlns:t='urn:types'>\n<Entry t:name='a' flag='yes'/></FDT>"));
    const xml::XmlParseError& e = doc.ParseError();
    EXPECT_TRUE(e.IsError());
    EXPECT_EQ(e.line, 2);
    EXPECT_TRUE(e.reason.contains("flag")) << e.reason.toStdString();
    EXPECT_EQ(e.srcText, "<Entry t:name='a' flag='yes'/></FDT>");
    EXPECT_TRUE(doc.IsEmpty());

    // The attribute in no namespace does not stand for the prefixed one.
    EXPECT_FALSE(doc.LoadXml("<FDT xmlns='urn:list'><Entry name='a' flag='1'/></FDT>"));
    // Without validation on load the document loads; Validate still tells.
    doc.SetValidateOnParse(false);
    EXPECT_TRUE(doc.LoadXml("<FDT xmlns='urn:list'><Entry flag='1'/></FDT>"));
    EXPECT_TRUE(doc.Validate().IsError());
}

TEST_F(SchemaCacheTest, DocumentsBuiltInMemoryValidateWithTheirLateDeclarations)
{
    XmlDocument doc;
    doc.SetSchemas(Loaded());
    XmlNode root = doc.AppendChild(doc.CreateElement("FDT"));
    XmlNode entry = doc.CreateElement("Entry");
    entry.SetAttribute("t:name", "a");
    entry.SetAttribute("flag", "0");
    entry.AppendChild(doc.CreateElement("t:Item"));
    root.AppendChild(entry);
    EXPECT_FALSE(doc.Validate().IsError()); // no namespace yet: nothing to check
    root.SetAttribute("xmlns", "urn:list");
    root.SetAttribute("xmlns:t", "urn:types");
    EXPECT_FALSE(doc.Validate().IsError()) << doc.Validate().reason.toStdString();
    entry.SetAttribute("flag", "2");
    EXPECT_TRUE(doc.Validate().IsError());
}

TEST_F(SchemaCacheTest, MissingOrBrokenSchemaFilesRaiseWithFileLineAndReason)
{
    SchemaCache cache;
    QString raised = RaisedBy([&] { cache.Add("urn:list", Path("absent.xsd")); });
    EXPECT_TRUE(raised.contains(Path("absent.xsd"))) << raised.toStdString();

    Write(Path("broken.xsd"), "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>\n<xs:element name='A'>\n</xs:schema>");
    raised = RaisedBy([&] { cache.Add("", Path("broken.xsd")); });
    EXPECT_TRUE(raised.contains(Path("broken.xsd")) && raised.contains("line 3")) << raised.toStdString();

    Write(Path("wrong.xsd"), "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:a'>\n"
                             "  <xs:element name='A' type='xs:nosuchtype'/>\n</xs:schema>");
    raised = RaisedBy([&] { cache.Add("urn:a", Path("wrong.xsd")); });
    EXPECT_TRUE(raised.contains("line 2") && raised.contains("nosuchtype")) << raised.toStdString();

    raised = RaisedBy([&] { cache.Add("urn:other", Path("types.xsd")); });
    EXPECT_TRUE(raised.contains("urn:types")) << raised.toStdString();

    Write(Path("plain.xml"), "<notASchema/>");
    EXPECT_FALSE(RaisedBy([&] { cache.Add("", Path("plain.xml")); }).isEmpty());

    // An import that cannot be found is an error of the importing file.
    QFile::remove(Path("types.xsd"));
    EXPECT_FALSE(RaisedBy([&] { cache.Add("urn:list", Path("list.xsd")); }).isEmpty());
    EXPECT_EQ(cache.Count(), 0);
}

TEST_F(SchemaCacheTest, ALaterAddOfANamespaceReplacesTheEarlierOne)
{
    auto cache = Loaded();
    Write(Path("list2.xsd"), "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:list'>"
                             "<xs:element name='FDT'/></xs:schema>");
    XmlDocument doc;
    doc.SetSchemas(cache);
    const QString text = "<FDT xmlns='urn:list'><Free/></FDT>";
    EXPECT_FALSE(doc.LoadXml(text));
    cache->Add("urn:list", Path("list2.xsd"));
    EXPECT_EQ(cache->Count(), 2);
    EXPECT_EQ(cache->Namespaces(), (QStringList{"urn:list", "urn:types"}));
    EXPECT_EQ(cache->Location("urn:list"), Path("list2.xsd"));
    EXPECT_TRUE(doc.LoadXml(text)) << doc.ParseError().reason.toStdString();
    // A failed add leaves the entry as it was.
    EXPECT_THROW(cache->Add("urn:list", Path("absent.xsd")), automation::ComError);
    EXPECT_EQ(cache->Location("urn:list"), Path("list2.xsd"));
}

// libxml2 opens a schema's imports itself: they are read only when they are
// regular files, so a FIFO in their place is refused with its name instead of
// blocking the parser, as is an import from the network. An alarm ends the
// test program should the parser wait again.
TEST_F(SchemaCacheTest, AnImportThatIsNoRegularFileIsRefusedWithItsNameAndNothingWaitsOnIt)
{
    ::alarm(120);
    auto cache = Loaded();
    QFile::remove(Path("types.xsd"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("types.xsd")).constData(), 0600), 0);

    SchemaCache fresh;
    const QString raised = RaisedBy([&] { fresh.Add("urn:list", Path("list.xsd")); });
    EXPECT_TRUE(raised.contains(Path("types.xsd") + ": is a FIFO")) << raised.toStdString();
    EXPECT_EQ(fresh.Count(), 0);

    // A cache built before the FIFO came compiles its schemas at the first
    // validation: the document is refused, naming the FIFO.
    XmlDocument document;
    ASSERT_TRUE(document.LoadXml("<FDT xmlns='urn:list'/>"));
    const xml::XmlParseError invalid = cache->Validate(document);
    EXPECT_TRUE(invalid.IsError());
    EXPECT_TRUE(invalid.reason.contains(Path("types.xsd") + ": is a FIFO")) << invalid.reason.toStdString();

    Write(Path("remote.xsd"), QByteArray(kList).replace("schemaLocation=\"types.xsd\"",
                                                        "schemaLocation=\"http://127.0.0.1:9/types.xsd\""));
    const QString remote = RaisedBy([&] { fresh.Add("urn:list", Path("remote.xsd")); });
    EXPECT_TRUE(remote.contains("nothing is fetched from the network")) << remote.toStdString();
    ::alarm(0);
}
