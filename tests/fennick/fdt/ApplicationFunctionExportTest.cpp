// The export function: it saves the applet's data, asks for a file, writes
// the DTM's current parameters and channel data into it and reports its end
// once, successful only when both the save and the file succeeded.
#include "ApplicationTestSupport.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManagerModule.h"
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
    std::shared_ptr<clsDataManager> Data() const { return Dtm()->DataManager(); }

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
    EXPECT_TRUE(content.contains("<DTMExportSchema>&#13;\n\t<DTMParameter>&lt;")) << content.toStdString();
    EXPECT_TRUE(content.endsWith("</DTMParameter></DTMExportSchema>\n")) << content.toStdString();
    xml::XmlDocument document;
    document.SetPreserveWhiteSpace(true);
    ASSERT_TRUE(document.Load(Path(QStringLiteral("data.xml"))));
    const xml::XmlNode parameter = document.SelectSingleNode(QStringLiteral("/DTMExportSchema/DTMParameter"));
    xml::XmlDocument dataset;
    ASSERT_TRUE(dataset.LoadXml(parameter.Text())) << parameter.Text().toStdString();
    EXPECT_EQ(dataset.SelectSingleNode(QStringLiteral("//DtmDevice")).Attribute(QStringLiteral("fdt:tag")),
              Data()->GetDeviceTag());
    EXPECT_EQ(parameter.ChildElements().size(), 0);
    EXPECT_TRUE(document.SelectSingleNode(QStringLiteral("//ChannelParameterData")).IsNull());
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,-1)"});
    EXPECT_EQ(exporter->InvokeId(), QString());
    EXPECT_EQ(EWAR::GetEWAR(), 0);
}

TEST_F(ExportFunction, TheCurrentDatasetIsExportedAndKeepsItsState)
{
    // The bag last exchanged with the frame is older than the dataset.
    auto older = std::make_shared<clsDataBag>();
    older->SetDtmParameters(QStringLiteral("<FDT tag=\"OLD\"/>"));
    global::LastDataBag() = older;
    ASSERT_TRUE(Data()->XML_FdtVariable_Write(QStringLiteral("probe"), QStringLiteral("changed after the save")));
    // The frame takes the save request that follows the applet's save but
    // never saves: the dataset stays as the export found it.
    Container()->SetSaveAnswer(frame::FrameContainer::SaveAnswer::AcceptOnly);
    const QString changed = Data()->TakeChangedParameters();
    const QString storage = Data()->GetStorageState();
    const QString state = Data()->GetDataSetState();

    EXPECT_TRUE(Run(Path(QStringLiteral("data.xml"))));
    xml::XmlDocument document;
    ASSERT_TRUE(document.Load(Path(QStringLiteral("data.xml"))));
    const QString exported = document.SelectSingleNode(QStringLiteral("/DTMExportSchema/DTMParameter")).Text();
    EXPECT_TRUE(exported.contains(QStringLiteral("changed after the save"))) << exported.toStdString();
    EXPECT_FALSE(exported.contains(QStringLiteral("OLD")));
    // A copy for the user is no save of the instance: a transient dataset
    // stays transient, so that the release still offers it to the frame.
    EXPECT_EQ(Data()->GetStorageState(), storage);
    EXPECT_EQ(Data()->GetDataSetState(), state);
    EXPECT_EQ(Data()->TakeChangedParameters(), changed);
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,-1)"});
}

// A PROFIBUS instance with the transmitter module in slot 1: five channels.
class ExportOfChannels : public ExportFunction {
protected:
    void StartInstance() override { ProfibusInstance(WriteGsd()); }
};

TEST_F(ExportOfChannels, ChannelsFollowInTheirOrder)
{
    const auto module = Data()->DescribedModules()->Find(QStringLiteral("Transmitter"));
    ASSERT_TRUE(module);
    Data()->TopologyModules()->Add(QStringLiteral("1"), module);
    module->SetSlot(1);
    clsDataManager::ChannelList channels;
    ASSERT_TRUE(Data()->GetChannelCollection(channels));
    ASSERT_EQ(channels.size(), 5u);

    EXPECT_TRUE(Run(Path(QStringLiteral("channels.xml"))));
    xml::XmlDocument document;
    ASSERT_TRUE(document.Load(Path(QStringLiteral("channels.xml"))));
    const xml::XmlNode data = document.SelectSingleNode(QStringLiteral("/DTMExportSchema/ChannelParameterData"));
    ASSERT_FALSE(data.IsNull());
    const xml::XmlNodeList children = data.ChildElements();
    ASSERT_EQ(children.size(), 6);
    EXPECT_EQ(children.at(0).Name(), QStringLiteral("ChannelCount"));
    EXPECT_EQ(children.at(0).Text(), QStringLiteral("5"));
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(children.at(i).Text(), channels[static_cast<size_t>(i - 1)]->IFdtChannel_GetChannelParameters({}, {}))
            << i;
    EXPECT_TRUE(children.at(4).Text().contains(QStringLiteral("M_1_C_4")));
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

    // Without a dataset there is nothing to write either.
    Data()->ReleaseDataModel();
    recorder->calls.clear();
    traces.clear();
    EXPECT_TRUE(Run(Path(QStringLiteral("empty.xml"))));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("empty.xml"))));
    EXPECT_TRUE(traces.contains(QStringLiteral("No DTM data to export")));
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,0)"});
}

TEST_F(ExportFunction, FailedSaveStillExportsButReportsFailure)
{
    store->writeResult = static_cast<int32_t>(0x80004005u);
    EXPECT_TRUE(Run(Path(QStringLiteral("data.xml"))));
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("data.xml"))));
    EXPECT_EQ(recorder->calls, QStringList{"finished(exp,0)"});
}

} // namespace
