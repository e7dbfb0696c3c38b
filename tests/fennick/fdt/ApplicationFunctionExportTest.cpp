// The export function: it saves the applet's data, asks for a file, writes
// the DTM's parameters and channel data into it and reports its end once,
// successful only when both the save and the file succeeded.
#include "ApplicationTestSupport.h"
#include <QDir>
#include <QFile>

namespace {

using namespace appfunctest;

class ExportFunction : public ApplicationFunctionTest {
protected:
    void SetUp() override
    {
        ApplicationFunctionTest::SetUp();
        global::FdtUserLevel() = 2;
        bag = std::make_shared<clsDataBag>();
        bag->SetDtmParameters(QStringLiteral("<FDT tag=\"PT-101\"><Value>1 &lt; 2</Value></FDT>"));
        global::LastDataBag() = bag;
        exporter = Export();
    }
    // Runs the export with the file the user chooses ("" cancels).
    bool Run(const QString& chosen, const QString& invokeId = QStringLiteral("exp"))
    {
        dialogService.AnswerSaveFile(chosen);
        const bool result = exporter->Function_Execute(invokeId, recorder, 2, false, false);
        Settle();
        return result;
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QByteArray Content(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    std::shared_ptr<clsDataBag> bag;
    std::shared_ptr<clsApplicationFunction> exporter;
};

TEST_F(ExportFunction, WritesTheParametersAndReportsOnceAfterTheFile)
{
    EXPECT_TRUE(Run(Path(QStringLiteral("data"))));
    ASSERT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_EQ(dialogService.Requests()[0].kind, dialogs::DialogKind::FileSave);
    EXPECT_EQ(dialogService.Requests()[0].title, QStringLiteral("Export Data To..."));
    EXPECT_EQ(dialogService.Requests()[0].filter, QStringLiteral("XML Files (*.xml) | *.xml"));
    // The applet's data were saved first.
    EXPECT_FALSE(store->values.isEmpty());
    // No channels: the text node and the parameters only; the markup is kept as text.
    const QByteArray content = Content(QStringLiteral("data.xml"));
    EXPECT_TRUE(content.startsWith("<?xml version="));
    EXPECT_TRUE(content.contains("<DTMExportSchema>&#13;\n\t<DTMParameter>&lt;FDT tag=\"PT-101\"&gt;&lt;Value&gt;1 "
                                 "&amp;lt; 2&lt;/Value&gt;&lt;/FDT&gt;</DTMParameter></DTMExportSchema>"))
        << content.toStdString();
    xml::XmlDocument document;
    document.SetPreserveWhiteSpace(true);
    ASSERT_TRUE(document.Load(Path(QStringLiteral("data.xml"))));
    const xml::XmlNode parameter = document.SelectSingleNode(QStringLiteral("/DTMExportSchema/DTMParameter"));
    EXPECT_EQ(parameter.Text(), bag->DtmParameters());
    EXPECT_EQ(parameter.ChildElements().size(), 0);
    EXPECT_TRUE(document.SelectSingleNode(QStringLiteral("//ChannelParameterData")).IsNull());
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,-1)"});
    EXPECT_EQ(exporter->InvokeId(), QString());
    EXPECT_EQ(EWAR::GetEWAR(), 0);
}

TEST_F(ExportFunction, ChannelsFollowInTheirOrder)
{
    bag->SetChannelCount(2);
    bag->SetChannelData(1, QStringLiteral("<Channel id=\"M_1_C_1\"/>"));
    bag->SetChannelData(2, QStringLiteral("<Channel id=\"M_1_C_2\"/>"));
    EXPECT_TRUE(Run(Path(QStringLiteral("channels.xml"))));
    xml::XmlDocument document;
    ASSERT_TRUE(document.Load(Path(QStringLiteral("channels.xml"))));
    const xml::XmlNode data = document.SelectSingleNode(QStringLiteral("/DTMExportSchema/ChannelParameterData"));
    ASSERT_FALSE(data.IsNull());
    const xml::XmlNodeList children = data.ChildElements();
    ASSERT_EQ(children.size(), 3);
    EXPECT_EQ(children.at(0).Name(), QStringLiteral("ChannelCount"));
    EXPECT_EQ(children.at(0).Text(), QStringLiteral("2"));
    EXPECT_EQ(children.at(1).Text(), QStringLiteral("<Channel id=\"M_1_C_1\"/>"));
    EXPECT_EQ(children.at(2).Text(), QStringLiteral("<Channel id=\"M_1_C_2\"/>"));
    EXPECT_EQ(data.PreviousSibling().Name(), QStringLiteral("DTMParameter"));
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,-1)"});
}

TEST_F(ExportFunction, ChosenNamesGetTheExtensionUnlessTheyHoldIt)
{
    const std::pair<const char*, const char*> names[] = {
        {"plain", "plain.xml"},
        {"kept.xml", "kept.xml"},
        {"my.xml.bak", "my.xml.bak"},
        {"DATA.XML", "DATA.XML.xml"},
    };
    for (const auto& [chosen, written] : names) {
        EXPECT_TRUE(Run(Path(QString::fromUtf8(chosen))));
        EXPECT_TRUE(QFile::exists(Path(QString::fromUtf8(written)))) << written;
    }
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("DATA.XML"))));
    EXPECT_EQ(recorder->calls.size(), 4);
}

TEST_F(ExportFunction, CancelledChoiceWritesNothingAndIsNoSuccess)
{
    EXPECT_TRUE(Run(QString()));
    EXPECT_EQ(QDir(dir.path()).entryList(QStringList{QStringLiteral("*.xml")}, QDir::Files), QStringList{});
    EXPECT_FALSE(QFile::exists(QStringLiteral(".xml")));
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,0)"});
    EXPECT_EQ(EWAR::GetEWAR(), 0);
}

TEST_F(ExportFunction, WriteErrorIsTracedAndReportedAsFailure)
{
    EXPECT_TRUE(Run(Path(QStringLiteral("no/such/folder/data.xml"))));
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,0)"});
    EXPECT_TRUE(traces.contains(QStringLiteral("Error Number : ")));
    EXPECT_FALSE(traces.contains(QStringLiteral("CreateXMLFile ended.........")));

    // Without any data of the DTM there is nothing to write either.
    global::LastDataBag().reset();
    recorder->calls.clear();
    EXPECT_TRUE(Run(Path(QStringLiteral("empty.xml"))));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("empty.xml"))));
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,0)"});
    EXPECT_EQ(EWAR::GetEWAR(), 0);
}

TEST_F(ExportFunction, FailedSaveStillExportsButReportsFailure)
{
    store->writeResult = static_cast<int32_t>(0x80004005u);
    EXPECT_TRUE(Run(Path(QStringLiteral("data.xml"))));
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("data.xml"))));
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,0)"});
}

} // namespace
