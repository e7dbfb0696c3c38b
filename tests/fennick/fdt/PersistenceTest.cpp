// Creation, persistence and start-up through the reference frame: a new
// dataset, the stored instance read back by a new DTM, the applet's values
// going through the dataset, bags that must not load, saves that must fail,
// and the toolkit start's failures.
#include "DtmTestSupport.h"
#include "fennick/fdt/frmBusy.h"
#include "fennick/services/Language.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/StateInfo.h"
#include "platform/automation/ComError.h"
#include "platform/xml/SchemaCache.h"
#include <QFile>
#include <functional>

namespace {

using namespace dtmtest;

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The DTM on the toolkit's own applet host.
class Persistence : public DtmTest {
protected:
    Persistence() { applet::RegisterClasses(); }

    std::shared_ptr<applet::clsAppletItemManager> Items() const
    {
        std::shared_ptr<applet::clsAppletItemManager> manager;
        if (global::AppletHost())
            global::AppletHost()->GetItemManager(manager);
        return manager;
    }
    QString Item(const QString& name) const
    {
        QString text;
        int32_t failed = 0;
        Items()->GetValueAsText(Items()->HandleOf(name), text, false, failed);
        EXPECT_EQ(failed, 0) << name.toStdString();
        return text;
    }
    // A write as a page of the applet makes it.
    void SetItem(const QString& name, const QString& text)
    {
        int32_t failed = 0;
        Items()->PutValueAsText(Items()->HandleOf(name), text, failed);
        ASSERT_EQ(failed, 0) << name.toStdString();
    }
    // A new frame with a new DTM, as a new process would have.
    void NewFrame()
    {
        frame.reset();
        frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("project")),
                                                        QStringLiteral(TRIVEX_SCHEMA_DIR));
        ASSERT_TRUE(frame->CreateDtm(kTag)) << frame->LastError().toStdString();
    }
    QString StoredFile() const { return frame->Project().InstanceFile(kTag); }
};

TEST_F(Persistence, NewDatasetIsAValidDocumentOfTheDeviceType)
{
    NewInstance();
    ASSERT_TRUE(frame->Configure(kTag, QStringLiteral("maintenance")));
    const QString text = Dtm()->GetParameters(QStringLiteral("FDT"));
    XMLHelper::DocumentPtr document;
    ASSERT_TRUE(XMLHelper::LoadXmlString(text, document)) << text.toStdString();
    ASSERT_TRUE(XMLHelper::SchemaCache()->Contains(QStringLiteral("x-schema:DTMParameterSchema.xml")));
    EXPECT_TRUE(text.startsWith(QStringLiteral(
        "<?xml version='1.0' encoding='UTF-8'?>\n<FDT xmlns=\"x-schema:DTMParameterSchema.xml\" "
        "xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\" fdt:storageState=\"transient\" fdt:dataSetState=\"default\">"
        "<fdt:DtmDeviceType manufacturerId=\"99\" deviceTypeId=\"137\" classificationId=\"flow\">")))
        << text.toStdString();

    const xml::XmlNode root = document->DocumentElement();
    QStringList children;
    for (const xml::XmlNode& child : root.ChildElements())
        children << child.Name();
    EXPECT_EQ(children, (QStringList{"fdt:DtmDeviceType", "DtmDevice"}));
    const xml::XmlNode device = document->SelectSingleNode(QStringLiteral("FDT/DtmDevice"));
    EXPECT_EQ(device.Attribute(QStringLiteral("fdt:tag")), QStringLiteral("XI XXX"));
    children.clear();
    for (const xml::XmlNode& child : device.ChildElements())
        children << child.Name();
    EXPECT_EQ(children, (QStringList{"BusInformation", "ExportedVariables"}));
    EXPECT_EQ(document->SelectSingleNode(QStringLiteral("//SlaveAddress")).Attribute(QStringLiteral("slaveAddress")),
              QStringLiteral("0"));
    QStringList variables;
    for (const xml::XmlNode& variable : document->SelectNodes(QStringLiteral("//fdt:DtmVariable")))
        variables << variable.Attribute(QStringLiteral("name"));
    EXPECT_EQ(variables, (QStringList{"&&private_Fennick&&FDTfile", "&&private_Fennick&&TDXfile"}));
    QString tdx;
    ASSERT_TRUE(Dtm()->DataManager()->XML_FdtVariable_Read(QStringLiteral("&&private_Fennick&&TDXfile"), tdx));
    EXPECT_EQ(tdx, TrivexDescriptionDir() + QStringLiteral("Trivex.tdx"));

    EXPECT_EQ(Dtm()->DataManager()->GetDtmTitle(), QStringLiteral("[0] XI XXX: Korvel, Trivex HART"));
    // The applet knows the address and tag, and the bulk-data folder.
    EXPECT_EQ(Item(QStringLiteral("&&private_PM&&TagName")), QString()); // a new dataset publishes nothing
    QString folder;
    ASSERT_TRUE(frame->Project().BulkDataFolder(kTag, folder));
    EXPECT_EQ(Item(QStringLiteral("&&private_Fdt&&InstanceRelatedPath")), folder);
}

TEST_F(Persistence, StoredInstanceComesBackAsTheSameDocumentWithTheAppletsValues)
{
    NewInstance();
    ASSERT_TRUE(frame->Configure(kTag, QStringLiteral("maintenance")));
    const auto data = Dtm()->DataManager();

    // A page changes a device parameter: the dataset is modified and transient.
    SetItem(QStringLiteral("ptrbDamping"), QStringLiteral("2.5"));
    SetItem(QStringLiteral("pbMessage"), QStringLiteral("LINE 4 NORTH"));
    EXPECT_EQ(data->GetStorageState(), QStringLiteral("transient"));
    EXPECT_EQ(data->GetDataSetState(), QStringLiteral("validModified "));
    int32_t result = -1;
    global::AppletHost()->SaveToDatabase(0, result);
    ASSERT_EQ(result, 0);
    QString stored;
    ASSERT_TRUE(data->XML_FdtVariable_Read(QStringLiteral("ptrbDamping"), stored));
    EXPECT_EQ(stored, QStringLiteral("2.5"));

    ASSERT_TRUE(frame->SaveInstance(kTag)) << frame->LastError().toStdString();
    EXPECT_EQ(data->GetStorageState(), QStringLiteral("persistent"));
    EXPECT_EQ(data->GetDataSetState(), QStringLiteral("validModified "));
    const QString saved = Dtm()->GetParameters(QStringLiteral("FDT"));
    automation::PropertyBag bag;
    ASSERT_TRUE(frame->Project().LoadInstance(kTag, bag));
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_PARAMETERS")).toString(), saved);
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_SIZE")).toInt(), 0);

    NewFrame();
    ASSERT_TRUE(frame->LoadInstance(kTag)) << frame->LastError().toStdString();
    EXPECT_EQ(Status(), DtmStatus::Running);
    QString expected = saved;
    expected.replace(QStringLiteral("fdt:dataSetState=\"validModified \""),
                     QStringLiteral("fdt:dataSetState=\"allDataLoaded\""));
    EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), expected);
    EXPECT_EQ(Dtm()->DataManager()->GetStorageState(), QStringLiteral("persistent"));
    // The new applet read its values through the dataset.
    EXPECT_EQ(Item(QStringLiteral("ptrbDamping")), QStringLiteral("2.5"));
    EXPECT_EQ(Item(QStringLiteral("pbMessage")).trimmed(), QStringLiteral("LINE 4 NORTH"));
    EXPECT_EQ(Item(QStringLiteral("&&private_PM&&Address")), QStringLiteral("0"));
    EXPECT_EQ(Item(QStringLiteral("&&private_PM&&TagName")), QStringLiteral("XI XXX"));
    ASSERT_TRUE(frame->Configure(kTag, QStringLiteral("maintenance")));
    EXPECT_EQ(Status(), DtmStatus::Configured);
}

TEST_F(Persistence, DatasetStatesFollowTheirWriters)
{
    NewInstance();
    const auto data = Dtm()->DataManager();
    const auto states = [&] { return data->GetStorageState() + QLatin1Char('/') + data->GetDataSetState(); };
    EXPECT_EQ(states(), QStringLiteral("transient/default"));

    // Notifications that carry the shadow-only or no-rules bit change nothing.
    const int32_t dirty = Items()->HandleOf(QStringLiteral("&&private&&Dirty"));
    int32_t result = 0;
    data->NotifyChanged(dirty, false, applet::StateInfo::kShadowOnly, 0, result);
    data->NotifyChanged(dirty, false, applet::StateInfo::kRefreshBits, 0, result);
    EXPECT_EQ(states(), QStringLiteral("transient/default"));
    SetItem(QStringLiteral("ptrbDamping"), QStringLiteral("1"));
    EXPECT_EQ(states(), QStringLiteral("transient/validModified "));

    ASSERT_TRUE(frame->Configure(kTag, QStringLiteral("maintenance")));
    ASSERT_TRUE(frame->SaveInstance(kTag));
    EXPECT_EQ(states(), QStringLiteral("persistent/validModified "));
    clock.Advance(100);
    EXPECT_TRUE(Dtm()->SetParameters(QStringLiteral("FDT"), Dtm()->GetParameters(QStringLiteral("FDT"))));
    EXPECT_EQ(states(), QStringLiteral("transient/validModified "));
    clock.Advance(100);
    EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), QStringLiteral("<FDT")));
    EXPECT_EQ(states(), QStringLiteral("transient/invalidModified"));
    clock.Advance(100);

    ASSERT_TRUE(frame->SaveInstance(kTag));
    NewFrame();
    ASSERT_TRUE(frame->LoadInstance(kTag));
    EXPECT_EQ(Dtm()->DataManager()->GetStorageState() + QLatin1Char('/') + Dtm()->DataManager()->GetDataSetState(),
              QStringLiteral("persistent/allDataLoaded"));
}

// Each bag is stored as the instance; its load must fail and the frame's save
// afterwards must leave the stored file as it was.
TEST_F(Persistence, BagsThatDoNotHoldAnInstanceFailToLoadAndStayStored)
{
    NewInstance();
    ASSERT_TRUE(frame->SaveInstance(kTag));
    automation::PropertyBag good;
    ASSERT_TRUE(frame->Project().LoadInstance(kTag, good));
    const QString parameters = good.Read(QStringLiteral("DTM_PARAMETERS")).toString();
    QString schemaFault = parameters;
    schemaFault.replace(QStringLiteral("<SlaveAddress slaveAddress=\"0\"/>"), QStringLiteral("<SlaveAddress/>"));
    QString noFiles = parameters;
    noFiles.replace(QStringLiteral("&amp;&amp;private_Fennick&amp;&amp;TDXfile"), QStringLiteral("other"));

    struct Case {
        const char* what;
        std::function<void(automation::PropertyBag&)> change;
        QString trace;
    };
    const std::vector<Case> cases = {
        {"channel beyond the size",
         [](automation::PropertyBag& bag) { bag.Write(QStringLiteral("DTM_CHANNEL_1"), QStringLiteral("<FDT/>")); },
         QStringLiteral("Class_ReadProperties: DTM_CHANNEL_1 does not fit DTM_SIZE 0")},
        {"channel with a leading zero",
         [](automation::PropertyBag& bag) {
             bag.Write(QStringLiteral("DTM_SIZE"), 1);
             bag.Write(QStringLiteral("DTM_CHANNEL_1"), QStringLiteral("<FDT/>"));
             bag.Write(QStringLiteral("DTM_CHANNEL_01"), QStringLiteral("<FDT/>"));
         },
         QStringLiteral("Class_ReadProperties: DTM_CHANNEL_01 does not fit DTM_SIZE 1")},
        {"not well-formed",
         [](automation::PropertyBag& bag) { bag.Write(QStringLiteral("DTM_PARAMETERS"), QStringLiteral("<FDT><x></FDT>")); },
         QStringLiteral("Bag (Set): Parameters not loaded!")},
        {"against the schema",
         [&](automation::PropertyBag& bag) { bag.Write(QStringLiteral("DTM_PARAMETERS"), schemaFault); },
         QStringLiteral("Bag (Set): Parameters not loaded!")},
        {"no description files",
         [&](automation::PropertyBag& bag) { bag.Write(QStringLiteral("DTM_PARAMETERS"), noFiles); },
         QStringLiteral("Bag (Set): Device type not identified!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        automation::PropertyBag bag = good;
        c.change(bag);
        NewFrame();
        ASSERT_TRUE(frame->Project().StoreInstance(kTag, bag));
        const QByteArray before = FileBytes(StoredFile());
        traces.clear();
        EXPECT_FALSE(frame->LoadInstance(kTag));
        EXPECT_EQ(CountMessage(traces, c.trace), 1) << Messages(traces).join('\n').toStdString();
        EXPECT_NE(Status(), DtmStatus::Running);
        EXPECT_FALSE(frame->SaveInstance(kTag));
        EXPECT_EQ(FileBytes(StoredFile()), before);
    }
}

// A bag of another writer may lack the channel count or channel texts: they
// read as 0 and the empty text, and the instance loads.
TEST_F(Persistence, BagsWithoutCountOrChannelTextsLoadWithTheDefaults)
{
    NewInstance();
    ASSERT_TRUE(frame->SaveInstance(kTag));
    automation::PropertyBag good;
    ASSERT_TRUE(frame->Project().LoadInstance(kTag, good));
    // Any well-formed channel document: a HART dataset has no channel for it.
    const QString channel = QStringLiteral("<FDT xmlns=\"x-schema:FDTProfibusChannelParameterSchema.xml\"/>");

    struct Case {
        const char* what;
        std::function<void(automation::PropertyBag&)> change;
        QStringList traces;
    };
    const std::vector<Case> cases = {
        {"no size", [](automation::PropertyBag& bag) { bag.Remove(QStringLiteral("DTM_SIZE")); },
         {QStringLiteral("Class_ReadProperties: Property bag lacks DTM_SIZE; read as 0")}},
        {"no size, a channel text",
         [&](automation::PropertyBag& bag) {
             bag.Remove(QStringLiteral("DTM_SIZE"));
             bag.Write(QStringLiteral("DTM_CHANNEL_1"), channel);
         },
         {QStringLiteral("Class_ReadProperties: DTM_CHANNEL_1 is not read without DTM_SIZE")}},
        {"a channel text missing",
         [&](automation::PropertyBag& bag) {
             bag.Write(QStringLiteral("DTM_SIZE"), 2);
             bag.Write(QStringLiteral("DTM_CHANNEL_2"), channel);
         },
         {QStringLiteral("Class_ReadProperties: Property bag lacks DTM_CHANNEL_1; read as the empty text"),
          QStringLiteral("Bag (Set): 2 channel documents for 0 channels of the dataset; only the first 0 are "
                         "loaded")}},
        {"a channel the dataset does not have",
         [&](automation::PropertyBag& bag) {
             bag.Write(QStringLiteral("DTM_SIZE"), 1);
             bag.Write(QStringLiteral("DTM_CHANNEL_1"), channel);
         },
         {QStringLiteral("Bag (Set): 1 channel documents for 0 channels of the dataset; only the first 0 are "
                         "loaded")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        automation::PropertyBag bag = good;
        c.change(bag);
        NewFrame();
        ASSERT_TRUE(frame->Project().StoreInstance(kTag, bag));
        traces.clear();
        EXPECT_TRUE(frame->LoadInstance(kTag)) << frame->LastError().toStdString();
        for (const QString& trace : c.traces)
            EXPECT_EQ(CountMessage(traces, trace), 1) << Messages(traces).join('\n').toStdString();
        EXPECT_EQ(Status(), DtmStatus::Running);
        EXPECT_TRUE(Dtm()->GetParameters(QString()).contains(QStringLiteral("fdt:tag=\"XI XXX\"")));
    }
}

TEST_F(Persistence, SavesWithoutADatasetFailAndKeepTheStoredInstance)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    automation::PropertyBag stored;
    stored.Write(QStringLiteral("DTM_PARAMETERS"), QStringLiteral("<FDT/>"));
    stored.Write(QStringLiteral("DTM_SIZE"), 0);
    ASSERT_TRUE(frame->Project().StoreInstance(kTag, stored));
    const QByteArray before = FileBytes(StoredFile());

    // Status 0: refused.
    EXPECT_FALSE(frame->SaveInstance(kTag));
    EXPECT_TRUE(traces.contains(QStringLiteral("Class::WriteProperties: Not allowed in Status:UP")));
    EXPECT_EQ(global::LastDataBag(), nullptr);

    // A new instance released before InitNew has no dataset: its save during
    // the release fails, and the release still ends.
    Dtm()->InitProperties();
    ASSERT_TRUE(Dtm()->Environment(kTag, Container()));
    ASSERT_TRUE(Dtm()->PrepareToRelease());
    traces.clear();
    EXPECT_FALSE(frame->SaveInstance(kTag));
    EXPECT_TRUE(frame->LastError().contains(QStringLiteral("the instance has no dataset")))
        << frame->LastError().toStdString();
    EXPECT_TRUE(traces.contains(QStringLiteral("Class_WriteProperties: no dataset to save")));
    EXPECT_EQ(FileBytes(StoredFile()), before);
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    clock.Advance(100);
    EXPECT_FALSE(frame->HasDtm(kTag));
    EXPECT_EQ(frame->Events().Count("OnPreparedToRelease"), 1);
}

TEST_F(Persistence, SchemaLoadErrorInEnvironmentHidesTheBusyWindow)
{
    QTemporaryDir empty;
    frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("project")), empty.path());
    ASSERT_TRUE(frame->CreateDtm(kTag));
    EXPECT_FALSE(frame->InitNewInstance(kTag, kDeviceType));
    EXPECT_TRUE(frame->LastError().startsWith(QStringLiteral("Environment of DTM_1 failed"))) << frame->LastError().toStdString();
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    EXPECT_EQ(Status(), DtmStatus::NewCreated);
}

// The toolkit start on the applet host double.
class ToolkitStart : public DtmTest {
protected:
    void NewEnabled()
    {
        ASSERT_TRUE(frame->CreateDtm(kTag));
        Dtm()->InitProperties();
        ASSERT_TRUE(Dtm()->Environment(kTag, Container()));
        traces.clear();
    }
};

TEST_F(ToolkitStart, RefusedStoreLeavesTheHostAndFailedInitEndsIt)
{
    NewEnabled();
    host->storeCode = applet::kResultInvalidArgument;
    EXPECT_FALSE(Dtm()->InitNew(kDeviceType));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Execution fncSetDBInstance failed: 0x80070057")), 1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("IDtmParameter_InitNew: Loading DTM failed!")), 1);
    EXPECT_EQ(global::AppletHost(), host);
    EXPECT_EQ(host->initCount, 0);
    EXPECT_EQ(Status(), DtmStatus::NewEnabled);

    host->storeCode = 0;
    host->initCode = applet::kResultDescriptionInvalid;
    traces.clear();
    EXPECT_FALSE(Dtm()->InitNew(kDeviceType));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("PioApplet init failed reason code = 0x804A000C")), 1);
    EXPECT_EQ(global::AppletHost(), nullptr);
    EXPECT_EQ(host->calls.count(QStringLiteral("DestroyApplet")), 2); // the first host, then this one
    EXPECT_EQ(host->store, nullptr);

    host->initCode = 0;
    EXPECT_TRUE(Dtm()->InitNew(kDeviceType));
    EXPECT_EQ(host->initString, QStringLiteral("&&private&&CountryCode=") + Language::GetLanguageCode());
    EXPECT_EQ(host->store, Dtm()->DataManager());
}

TEST_F(ToolkitStart, MissingHostClassAndDescriptionFilesStopTheStart)
{
    NewEnabled();
    automation::ClassRegistry::instance().Unregister(applet::kAppletHostProgId);
    EXPECT_FALSE(Dtm()->InitNew(kDeviceType));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("PioApplet not loaded")), 1);
    EXPECT_EQ(global::AppletHost(), nullptr);

    // A device type whose FDT file is gone: no host is even created.
    XMLHelper::LoadSchemaCache(QStringLiteral(TRIVEX_SCHEMA_DIR));
    RegisterDeviceType(QStringLiteral("166"), kHartBus, TrivexDescriptionDir() + QStringLiteral("Trivex.tdx"),
                       dir.filePath(QStringLiteral("gone.fdt")));
    traces.clear();
    EXPECT_FALSE(Dtm()->InitNew(DeviceTypeDocument(QStringLiteral("166"))));
    EXPECT_TRUE(traces.contains(QStringLiteral("Fdt file: ") + dir.filePath(QStringLiteral("gone.fdt"))));
    EXPECT_EQ(host->initCount, 0);
}

TEST_F(ToolkitStart, DeviceTypesThatCannotBeIdentifiedBuildNoDataset)
{
    NewEnabled();
    const struct {
        QString deviceType;
        QString trace;
    } cases[] = {
        {QStringLiteral("<FDT"), QStringLiteral("IDtmParameter_InitNew: XML file fault for DeviceType")},
        {QStringLiteral("<FDT><Other/></FDT>"), QStringLiteral("IDtmParameter_InitNew: Missing element: fdt:DtmDeviceType")},
        {DeviceTypeDocument(QStringLiteral("999")), QStringLiteral("IDtmParameter_InitNew: Device type identification failed!")},
    };
    for (const auto& c : cases) {
        traces.clear();
        EXPECT_FALSE(Dtm()->InitNew(c.deviceType));
        EXPECT_EQ(CountMessage(traces, c.trace), 1) << c.trace.toStdString();
        EXPECT_EQ(Dtm()->DataManager()->DataCache(), nullptr);
        EXPECT_EQ(Status(), DtmStatus::NewEnabled);
    }
    EXPECT_EQ(host->initCount, 0);
}

} // namespace
