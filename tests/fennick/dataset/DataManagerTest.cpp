// The data manager of a running DTM: the instance-data store, variables,
// description files, title, the frame's parameters and lock, the data model's
// build and release, and a PROFIBUS dataset with its topology and channels
// through the data bag.
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/dataset/clsDataManagerModule.h"
#include "platform/applet/ParameterInfo.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsFdtFileParser.h"
#include "platform/automation/ComError.h"
#include "tests/fennick/dataset/ProfibusDatasetSupport.h"
#include "tests/fennick/fdt/DtmTestSupport.h"

namespace {

using namespace dtmtest;

const QString kStoreId = QStringLiteral("0");

class DataManager : public DtmTest {
protected:
    void SetUp() override
    {
        NewInstance();
        data = Dtm()->DataManager();
        traces.clear();
    }
    QString Variable(const QString& name) const
    {
        QString value;
        EXPECT_TRUE(data->XML_FdtVariable_Read(name, value)) << name.toStdString();
        return value;
    }

    std::shared_ptr<clsDataManager> data;
};

TEST_F(DataManager, StoreKeepsTheAppletsValuesAsDatasetVariables)
{
    QVariant value = QStringLiteral("stale");
    EXPECT_EQ(data->ReadParameter({}, kStoreId, QStringLiteral("ptrbDamping"), value), 0);
    EXPECT_FALSE(value.isValid()) << "a name the dataset does not hold";

    // Numbers are kept as text; every instance identifier names the same variable.
    EXPECT_EQ(data->WriteParameterInfo({}, QStringLiteral("1"), applet::clsParameterInfo(1, "ptrbDamping", 4, 2.5)), 0);
    EXPECT_EQ(data->WriteParameterInfo({}, QStringLiteral("2"), applet::clsParameterInfo(1, "ptrbDamping", 4, 3)), 0);
    EXPECT_EQ(data->ReadParameter({}, kStoreId, QStringLiteral("ptrbDamping"), value), 0);
    EXPECT_EQ(value, QVariant(QStringLiteral("3")));
    EXPECT_EQ(data->DataCache()->SelectNodes(QStringLiteral("//fdt:DtmVariable[@name='ptrbDamping']")).size(), 1);

    // A plain write and a delete do what they say.
    EXPECT_EQ(data->WriteParameter({}, kStoreId, QStringLiteral("pbMessage"), QStringLiteral("HELLO")), 0);
    EXPECT_EQ(Variable(QStringLiteral("pbMessage")), QStringLiteral("HELLO"));
    EXPECT_EQ(data->DeleteParameter({}, kStoreId, QStringLiteral("pbMessage")), 0);
    EXPECT_EQ(data->ReadParameter({}, kStoreId, QStringLiteral("pbMessage"), value), 0);
    EXPECT_FALSE(value.isValid());
    EXPECT_EQ(data->DeleteParameter({}, kStoreId, QStringLiteral("pbMessage")), 0) << "nothing left to delete";

    // Values the dataset cannot keep are refused and change nothing.
    EXPECT_EQ(data->WriteParameter({}, kStoreId, QStringLiteral("ptrbDamping"), QVariantList{1, 2}),
              static_cast<int32_t>(0x80020005u));
    EXPECT_EQ(data->WriteParameter({}, kStoreId, QStringLiteral("ptrbDamping"), QStringLiteral("a\x01" "b")),
              automation::E_INVALIDARG_);
    EXPECT_EQ(Variable(QStringLiteral("ptrbDamping")), QStringLiteral("3"));
    QString text;
    EXPECT_EQ(data->fncC2VBString(1234, text), 0);
    EXPECT_EQ(text, QString());
    EXPECT_EQ(data->OpenInstance({}, kStoreId, 7), 0);
    EXPECT_EQ(data->CloseInstance({}, kStoreId), 0);

    // Without a variables list the store answers with a failure, not an error.
    xml::XmlNode list = data->DataCache()->SelectSingleNode(QStringLiteral("//fdt:DtmVariables"));
    list.Parent().RemoveChild(list);
    traces.clear();
    EXPECT_EQ(data->WriteParameterInfo({}, kStoreId, applet::clsParameterInfo(1, "ptrbDamping", 4, 1)),
              automation::E_FAIL_);
    EXPECT_EQ(data->DeleteParameter({}, kStoreId, QStringLiteral("ptrbDamping")), automation::E_FAIL_);
    EXPECT_EQ(data->ReadParameter({}, kStoreId, QStringLiteral("ptrbDamping"), value), 0);
    EXPECT_TRUE(traces.contains(QStringLiteral(
        "Unable to find Element: //FDT/DtmDevice/ExportedVariables/fdt:DtmVariables")));
}

TEST_F(DataManager, VariablesAreReadFromTheDatasetAsItIsNow)
{
    ASSERT_TRUE(data->XML_FdtVariable_Write(QStringLiteral("speedA"), QStringLiteral("old")));
    ASSERT_TRUE(data->XML_FdtVariable_Write(QStringLiteral("speedB"), QStringLiteral("first")));
    ASSERT_TRUE(data->XML_FdtVariable_Write(QStringLiteral("speedC"), QStringLiteral("second")));
    EXPECT_EQ(Variable(QStringLiteral("speedA")), QStringLiteral("old"));

    // A new dataset text: its values count, not those read before. Of two
    // variables of one name the first counts, and after its delete the other.
    QString text = data->DataCache()->Xml();
    text.replace(QStringLiteral("string=\"old\""), QStringLiteral("string=\"new\""));
    text.replace(QStringLiteral("name=\"speedC\""), QStringLiteral("name=\"speedB\""));
    ASSERT_TRUE(data->Instance_SetupDataCache(text));
    EXPECT_EQ(Variable(QStringLiteral("speedA")), QStringLiteral("new"));
    EXPECT_EQ(Variable(QStringLiteral("speedB")), QStringLiteral("first"));
    QString value;
    EXPECT_FALSE(data->XML_FdtVariable_Read(QStringLiteral("speedC"), value));
    ASSERT_TRUE(data->XML_FdtVariable_Delete(QStringLiteral("speedB")));
    EXPECT_EQ(Variable(QStringLiteral("speedB")), QStringLiteral("second"));

    // A variable written into the new dataset is found there, once.
    ASSERT_TRUE(data->XML_FdtVariable_Write(QStringLiteral("speedD"), QStringLiteral("d")));
    ASSERT_TRUE(data->XML_FdtVariable_Write(QStringLiteral("speedD"), QStringLiteral("dd")));
    EXPECT_EQ(Variable(QStringLiteral("speedD")), QStringLiteral("dd"));
    EXPECT_EQ(data->DataCache()->SelectNodes(QStringLiteral("//fdt:DtmVariable[@name='speedD']")).size(), 1);
}

TEST_F(DataManager, DescriptionFilesMoveBelowThisInstallation)
{
    data->XML_FdtVariable_Write(clsDataManager::kTdxFileVariable,
                                QStringLiteral("C:\\Program Files\\Korvel\\TDXDESC\\COM_HART\\_0063\\_0_0089\\Trivex.tdx"));
    data->XML_FdtVariable_Write(clsDataManager::kFdtFileVariable, QStringLiteral("/elsewhere/Trivex.fdt"));
    QString tdx, fdt, gsd;
    ASSERT_TRUE(data->GetDescriptionFiles(tdx, fdt, gsd));
    EXPECT_EQ(tdx, TrivexDescriptionDir() + QStringLiteral("Trivex.tdx"));
    EXPECT_EQ(fdt, QStringLiteral("/elsewhere/Trivex.fdt")) << "a path outside the description tree stays";
    EXPECT_EQ(gsd, QString());
    EXPECT_TRUE(traces.contains(QStringLiteral("Replaced Installation root in: ") + tdx));

    xml::XmlNode version = data->DataCache()->SelectSingleNode(QStringLiteral("//fdt:VersionInformation"));
    version.SetAttribute(QStringLiteral("vendor"), QStringLiteral("KORVEL automation GmbH"));
    data->DataCache()->SelectSingleNode(QStringLiteral("//SlaveAddress")).SetAttribute(QStringLiteral("slaveAddress"),
                                                                                      QStringLiteral("4"));
    EXPECT_EQ(data->GetDtmTitle(), QStringLiteral("[4] XI XXX: Korvel, Trivex HART"));
}

TEST_F(DataManager, FrameParametersBringOnlyBusDataAndTag)
{
    QString document = Dtm()->GetParameters(QStringLiteral("FDT"));
    document.replace(QStringLiteral("fdt:tag=\"XI XXX\""), QStringLiteral("fdt:tag=\"FT-12\""));
    document.replace(QStringLiteral("<BusInformation><SlaveAddress slaveAddress=\"0\"/></BusInformation>"), QString());
    document.replace(QStringLiteral("Trivex HART"), QStringLiteral("Renamed"));
    EXPECT_TRUE(data->IDtmParameterExt_SetParameters(QStringLiteral("FDT"), document));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtmParameterExt_SetParameters - objElemBusInfo Is Nothing")));
    EXPECT_EQ(data->GetDeviceTag(), QStringLiteral("FT-12"));
    EXPECT_EQ(data->GetBusAddress(), QStringLiteral("0"));
    QString name, vendor;
    data->GetVersionInformation(name, vendor);
    EXPECT_EQ(name, QStringLiteral("Trivex HART"));
    EXPECT_EQ(host->Text(clsDataManager::kTagNameItem), QStringLiteral("FT-12"));

    // A device element without a tag, as its schema allows, keeps the current tag.
    QString untagged = document;
    untagged.replace(QStringLiteral(" fdt:tag=\"FT-12\""), QString());
    ASSERT_FALSE(untagged.contains(QStringLiteral("fdt:tag")));
    traces.clear();
    EXPECT_TRUE(data->IDtmParameterExt_SetParameters(QStringLiteral("FDT"), untagged));
    EXPECT_EQ(data->GetDeviceTag(), QStringLiteral("FT-12"));
    EXPECT_EQ(host->Text(clsDataManager::kTagNameItem), QStringLiteral("FT-12"));
    EXPECT_TRUE(traces.contains(QStringLiteral("the device carries no fdt:tag; the tag stays FT-12")));

    // Unparsable text: false, and the applet still hears the current address and tag.
    int32_t failed = 0;
    host->manager->PutStringValue(host->Handle(clsDataManager::kTagNameItem), QStringLiteral("x"), failed);
    EXPECT_FALSE(data->IDtmParameterExt_SetParameters(QStringLiteral("FDT"), QStringLiteral("<FDT")));
    EXPECT_EQ(host->Text(clsDataManager::kTagNameItem), QStringLiteral("FT-12"));
    EXPECT_EQ(host->Text(clsDataManager::kAddressItem), QStringLiteral("0"));

    // PROFIBUS bus data does not fit a HART dataset.
    document.replace(QStringLiteral("<ExportedVariables>"),
                     QStringLiteral("<BusInformation><MasterSlaveBus busAddress=\"5\"/></BusInformation><ExportedVariables>"));
    EXPECT_FALSE(data->IDtmParameterExt_SetParameters(QStringLiteral("FDT"), document));
}

TEST_F(DataManager, LockAndDirtyItems)
{
    data->OnLockDataSet(QStringLiteral("Anna"));
    EXPECT_TRUE(data->IsDataSetLocked());
    data->OnUnlockDataSet(QStringLiteral("Bert"));
    EXPECT_TRUE(data->IsDataSetLocked());
    EXPECT_TRUE(traces.contains(QStringLiteral("Unlocking data set not allowed for: Bert")));
    data->OnUnlockDataSet(QStringLiteral("Anna"));
    EXPECT_FALSE(data->IsDataSetLocked());
    traces.clear();
    data->OnUnlockDataSet(QString());
    EXPECT_TRUE(traces.contains(QStringLiteral("Data set unlocked by : Unknown user")));

    // On an applet without the private items every access fails and is
    // traced: the lock reads as free, and the Dirty item as modified.
    const QString path = WriteFile(QStringLiteral("bare.tdx"), R"(<TdxDescription xmlns="urn:trivex:tdx-description:1" kind="device">
<Header><Key name="Nickname" value="Bare"/></Header>
<Objects><Object name="value" type="float"/></Objects>
</TdxDescription>
)");
    const auto bare = FakeAppletHost::Make(path);
    auto lonely = std::make_shared<clsDataManager>();
    ASSERT_TRUE(lonely->Instance_SetupDataCache(Dtm()->GetParameters(QStringLiteral("FDT"))));
    traces.clear();
    int32_t result = -1;
    bare->manager->RegisterView(lonely, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Registration for AppletItem >>&&private&&Dirty<< failed!")), 1);
    lonely->OnLockDataSet(QStringLiteral("Anna"));
    EXPECT_FALSE(lonely->IsDataSetLocked());
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Writing AppletItem >>&&private_Fdt&&Locked<< failed!")), 1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Reading AppletItem >>&&private_Fdt&&Locked<< failed!")), 1);
    lonely->NotifyChanged(-1, false, applet::StateInfo::kNoRules, 0, result);
    EXPECT_EQ(lonely->GetDataSetState(), QStringLiteral("default"));
    lonely->NotifyChanged(-1, false, 0, 0, result);
    EXPECT_EQ(lonely->GetStorageState() + lonely->GetDataSetState(), QStringLiteral("transientvalidModified "));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Reading AppletItem >>&&private&&Dirty<< failed!")), 1);
    lonely->ReleaseDataModel();
    EXPECT_TRUE(bare->manager->RegisteredViews().empty());
}

TEST_F(DataManager, DataModelOfAnFdtFileAndItsRelease)
{
    // Fixed items of no use and list entries that fail are left out.
    const QString path = WriteFile(QStringLiteral("model.fdt"), R"(<FdtDescription xmlns="urn:trivex:fdt-description:1">
<Parameters>
  <AppletItem name="pv" object="hartPv" typeCode="43"/>
  <FixedItem name="list" valueType="8" typeCode="2001" value="a"/>
  <FixedItem name="config" valueType="8" typeCode="2002" value="b"/>
  <FixedItem name="unused" valueType="3" typeCode="39" value="1"/>
  <FixedItem name="other" valueType="3" typeCode="45" value="1"/>
  <FixedItem name="alarm" valueType="3" typeCode="2008" value="1"/>
  <Channel name="PV"><Entry name="pv"/><Entry name="alarm"/></Channel>
  <Channel name="Broken"><Entry name="missing"/></Channel>
</Parameters>
</FdtDescription>
)");
    applet::clsFdtFileParser parser;
    QString error;
    parser.Load(path, error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const auto views = host->manager->RegisteredViews().size();
    data->ReleaseDataModel();
    EXPECT_LT(host->manager->RegisteredViews().size(), views);
    EXPECT_EQ(data->DataCache(), nullptr);
    EXPECT_EQ(data->GetStorageState(), clsDataManager::kUndefined);

    data->BuildDataModel(parser);
    EXPECT_EQ(data->DataItems()->Count(), 2);
    EXPECT_TRUE(data->DataItems()->Contains(QStringLiteral("ALARM")));
    EXPECT_EQ(data->ChannelListItem()->Value(), QStringLiteral("a"));
    EXPECT_EQ(data->ChannelConfigItem()->Value(), QStringLiteral("b"));
    EXPECT_EQ(data->Channels()->Count(), 1);
    EXPECT_EQ(data->DescribedModules(), nullptr) << "channels without module descriptions";
    EXPECT_EQ(data->TopologyModules()->Count(), 0);
    const auto pv = data->DataItems()->Find(QStringLiteral("pv"));
    ASSERT_GT(pv->AppletItemHandle(), 0);

    data->ReleaseDataModel();
    EXPECT_EQ(pv->AppletItemHandle(), -1);
    EXPECT_EQ(data->DataItems(), nullptr);
    EXPECT_EQ(data->Channels(), nullptr);
    EXPECT_EQ(data->ChannelListItem(), nullptr);
    for (const auto& view : host->manager->RegisteredViews())
        EXPECT_EQ(std::dynamic_pointer_cast<clsDataManagerDataItem>(view), nullptr);
}

TEST_F(ProfibusDataset, NewDatasetCarriesBusAddressAndGsdFile)
{
    const QString text = Dtm()->GetParameters(QStringLiteral("FDT"));
    XMLHelper::DocumentPtr document;
    ASSERT_TRUE(XMLHelper::LoadXmlString(text, document)) << text.toStdString();
    const xml::XmlNode bus = document->SelectSingleNode(QStringLiteral("//MasterSlaveBus"));
    // The bus master configuration part is the default set at once: no user
    // parameter data in this GSD file, no module configured yet.
    EXPECT_EQ(bus.Attributes(),
              (QList<QPair<QString, QString>>{{"busAddress", "126"},
                                              {"busMasterConfigurationPart", "001F" + QString(28, '0') + "0009"
                                                                                 + QString(14, '0') + "000200020002"}}));
    EXPECT_EQ(Data()->GetBusAddress(), QStringLiteral("126"));
    QString value;
    ASSERT_TRUE(Data()->XML_FdtVariable_Read(clsDataManager::kGsdFileVariable, value));
    EXPECT_EQ(value, gsd);
    // The catalogue's device type information joins the device type.
    EXPECT_EQ(document->SelectSingleNode(QStringLiteral("//fdt:DtmDeviceType"))
                  .Attribute(QStringLiteral("deviceTypeInformation")),
              QString::fromUtf8(kPlainGsd));
    clsDataManager::ChannelList channels;
    EXPECT_FALSE(Data()->GetChannelCollection(channels)) << "no module in the topology yet";

    // Without its GSD file variable the dataset does not load.
    QString noGsd = text;
    noGsd.replace(QStringLiteral("&amp;&amp;private_Fennick&amp;&amp;GSDfile"), QStringLiteral("other"));
    automation::PropertyBag bag;
    bag.Write(QStringLiteral("DTM_PARAMETERS"), noGsd);
    bag.Write(QStringLiteral("DTM_SIZE"), 0);
    Reload();
    ASSERT_TRUE(frame->Project().StoreInstance(kTag, bag));
    EXPECT_FALSE(frame->LoadInstance(kTag));
    EXPECT_TRUE(traces.contains(QStringLiteral("Bag (Set): Device type not identified!")));
}

TEST_F(ProfibusDataset, TopologyAndChannelsTravelThroughTheDataBag)
{
    PlaceTransmitter();
    const QString text = Dtm()->GetParameters(QStringLiteral("FDT"));
    XMLHelper::DocumentPtr document;
    ASSERT_TRUE(XMLHelper::LoadXmlString(text, document)) << text.toStdString();
    const xml::XmlNodeList modules = document->SelectNodes(XMLHelper::ModulePath());
    ASSERT_EQ(modules.size(), 1);
    EXPECT_EQ(modules[0].Attribute(QStringLiteral("configurationData")), QStringLiteral("94949494A4"));
    EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), text) << "the topology is written once";
    clsDataManager::ChannelList channels;
    ASSERT_TRUE(Data()->GetChannelCollection(channels));
    ASSERT_EQ(channels.size(), 5u);
    EXPECT_EQ(Data()->GetModulesState(), 0);

    // The frame protects the flow channel; the channel is moved in the bag only.
    QString flow = channels[3]->IFdtChannel_GetChannelParameters({}, {});
    flow.replace(QStringLiteral("protectedByChannelAssignment=\"0\""), QStringLiteral("protectedByChannelAssignment=\"1\""));
    ASSERT_TRUE(channels[3]->IFdtChannelExt_SetChannelParameters({}, {}, flow, false));
    EXPECT_EQ(Data()->GetModulesState(), -1);

    Reload();
    automation::PropertyBag bag;
    ASSERT_TRUE(frame->Project().LoadInstance(kTag, bag));
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_SIZE")).toInt(), 5);
    EXPECT_TRUE(bag.Read(QStringLiteral("DTM_CHANNEL_4")).toString().contains(QStringLiteral("fdt:id=\"M_1_C_4\"")));
    const QString saved = bag.Read(QStringLiteral("DTM_PARAMETERS")).toString();
    ASSERT_TRUE(frame->LoadInstance(kTag)) << frame->LastError().toStdString();
    QString expected = saved;
    expected.replace(QStringLiteral("\"validModified \""), QStringLiteral("\"allDataLoaded\""));
    EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), expected);
    ASSERT_EQ(Data()->TopologyModules()->Count(), 1);
    ASSERT_TRUE(Data()->GetChannelCollection(channels));
    EXPECT_EQ(channels[3]->GetChannelId(), QStringLiteral("M_1_C_4"));
    EXPECT_TRUE(channels[3]->ProtectedByChannelAssignment());
    EXPECT_EQ(Data()->GetModulesState(), -1);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(channels[static_cast<size_t>(i - 1)]->IFdtChannel_GetChannelParameters({}, {}),
                  bag.Read(QStringLiteral("DTM_CHANNEL_%1").arg(i)).toString())
            << i;

    // A channel text that does not fit its schema costs that channel only:
    // traced, and the instance still loads with the other channels.
    const auto loadStored = [&](const automation::PropertyBag& stored) {
        frame.reset();
        frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("project")),
                                                        QStringLiteral(TRIVEX_SCHEMA_DIR));
        EXPECT_TRUE(frame->CreateDtm(kTag));
        EXPECT_TRUE(frame->Project().StoreInstance(kTag, stored));
        traces.clear();
        return frame->LoadInstance(kTag);
    };
    automation::PropertyBag broken = bag;
    broken.Write(QStringLiteral("DTM_CHANNEL_2"),
                 QStringLiteral("<FDT xmlns=\"x-schema:FDTProfibusChannelParameterSchema.xml\"><Bogus/></FDT>"));
    ASSERT_TRUE(loadStored(broken)) << frame->LastError().toStdString();
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Bag (Set): SetChannelparameters failed!")), 1);
    ASSERT_TRUE(Data()->GetChannelCollection(channels));
    EXPECT_TRUE(channels[3]->ProtectedByChannelAssignment()) << "the channels after it are loaded";

    // Fewer channel documents than channels: the first ones are loaded, the
    // others keep their values; the difference is traced.
    automation::PropertyBag fewer = bag;
    fewer.Write(QStringLiteral("DTM_SIZE"), 4);
    fewer.Remove(QStringLiteral("DTM_CHANNEL_5"));
    ASSERT_TRUE(loadStored(fewer)) << frame->LastError().toStdString();
    EXPECT_TRUE(traces.contains(QStringLiteral("Bag (Set): 4 channel documents for 5 channels of the dataset")));
    EXPECT_FALSE(traces.contains(QStringLiteral("SetChannelparameters failed!")));
    ASSERT_TRUE(Data()->GetChannelCollection(channels));
    EXPECT_TRUE(channels[3]->ProtectedByChannelAssignment());
    EXPECT_EQ(Status(), 11) << "the instance is usable";
}

TEST_F(ProfibusDataset, EmptyDefaultNamespaceIsRepairedOnce)
{
    xml::XmlNode exported = Data()->DataCache()->SelectSingleNode(QStringLiteral("//ExportedVariables"));
    exported.SetAttribute(QStringLiteral("xmlns"), QString());
    ASSERT_TRUE(Data()->DataCache()->Xml().contains(QStringLiteral("xmlns=\"\"")));
    traces.clear();
    const QString repaired = Dtm()->GetParameters(QStringLiteral("FDT"));
    EXPECT_TRUE(traces.contains(QStringLiteral("Writeback repaired XML Cache")));
    EXPECT_FALSE(repaired.contains(QStringLiteral("xmlns=\"\"")));
    XMLHelper::DocumentPtr document;
    EXPECT_TRUE(XMLHelper::LoadXmlString(repaired, document));

    // A second such declaration is not removed; the cache stays as it is.
    for (const char* path : {"//ExportedVariables", "//BusInformation"})
        Data()->DataCache()->SelectSingleNode(QLatin1String(path)).SetAttribute(QStringLiteral("xmlns"), QString());
    const QString before = Data()->DataCache()->Xml();
    traces.clear();
    EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), before);
    EXPECT_TRUE(traces.contains(QStringLiteral("XML Data chache still invalid!")));
}

} // namespace
