// Channels and modules: building them from their descriptions, the channel
// document and its application, module configuration texts, the bit layout
// along the topology and the module's place in the dataset's topology.
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/dataset/clsDataManagerModule.h"
#include "fennick/fdt/EWAR.h"
#include "tests/fennick/fdt/DtmTestSupport.h"

namespace {

using namespace dtmtest;
using Items = DataCollection<clsDataManagerDataItem>;
using Channels = DataCollection<clsDataManagerChannel>;

std::shared_ptr<clsDataManagerDataItem> Fixed(const QString& name, int32_t typeCode, const QVariant& value,
                                              int32_t valueType = 3, int32_t length = 0)
{
    auto item = std::make_shared<clsDataManagerDataItem>();
    item->InitFixedItem(name, applet::FdtFixedItemRecord{valueType, typeCode, value, length});
    return item;
}

// The dataset of a new Trivex instance: its data model is the FDT file's.
class ChannelModule : public DtmTest {
protected:
    void SetUp() override
    {
        NewInstance();
        data = Dtm()->DataManager();
        traces.clear();
    }
    std::shared_ptr<clsDataManagerDataItem> Item(const QString& name) const { return data->DataItems()->Find(name); }
    std::shared_ptr<clsDataManagerChannel> Channel(const QString& name) const { return data->Channels()->Find(name); }
    std::shared_ptr<clsDataManagerModule> Transmitter() const
    {
        return data->DescribedModules()->Find(QStringLiteral("Transmitter"));
    }
    // A channel of the given items under the name "C".
    std::shared_ptr<clsDataManagerChannel> Build(const std::vector<std::shared_ptr<clsDataManagerDataItem>>& items)
    {
        Items collection;
        QStringList names;
        for (const auto& item : items) {
            if (!collection.Contains(item->FdtParameterName()))
                collection.Add(item->FdtParameterName(), item);
            names << item->FdtParameterName();
        }
        auto channel = std::make_shared<clsDataManagerChannel>();
        EXPECT_TRUE(channel->BuildFromDescription(QStringLiteral("C"), names, collection));
        return channel;
    }
    XMLHelper::DocumentPtr Document(const QString& text)
    {
        XMLHelper::DocumentPtr document;
        EXPECT_TRUE(XMLHelper::LoadXmlString(text, document)) << text.toStdString();
        return document;
    }
    static QStringList Names(const xml::XmlNodeList& nodes, const QString& attribute)
    {
        QStringList names;
        for (const xml::XmlNode& node : nodes)
            names << node.Attribute(attribute);
        return names;
    }

    std::shared_ptr<clsDataManager> data;
};

TEST_F(ChannelModule, TheFdtFileGivesFiveChannelsOnOneModule)
{
    ASSERT_TRUE(data->Channels());
    EXPECT_EQ(data->Channels()->Count(), 5);
    ASSERT_TRUE(data->DescribedModules());
    EXPECT_EQ(data->DescribedModules()->Count(), 1);
    const auto module = Transmitter();
    EXPECT_EQ(module->ModuleChannels().Count(), 5);
    EXPECT_EQ(module->ModuleName(), QStringLiteral("Trivex transmitter"));
    EXPECT_EQ(module->ModuleTypeId(), 137);
    EXPECT_EQ(module->ConfigurationData(), QStringLiteral("94949494A4"));
    EXPECT_EQ(module->ParameterData(), QStringLiteral("00"));

    // Placed in slot 2: the inputs follow each other, the output starts apart.
    module->SetSlot(2);
    EXPECT_EQ(module->ModuleId(), QStringLiteral("2"));
    EXPECT_EQ(module->Slot(), 2);
    QStringList layout;
    for (const auto& entry : module->ModuleChannels())
        layout << QStringLiteral("%1:%2@%3").arg(entry.item->GetChannelId()).arg(entry.item->MainItemKind())
                      .arg(entry.item->BitPosition());
    EXPECT_EQ(layout, (QStringList{"M_2_C_1:43@0", "M_2_C_2:43@32", "M_2_C_3:43@64", "M_2_C_4:43@96",
                                   "M_2_C_5:44@0"}));
    EXPECT_EQ(module->InputBitEnd(), 128);
    EXPECT_EQ(module->OutputBitEnd(), 32);
    EXPECT_EQ(Channel(QStringLiteral("Flow"))->IFdtChannel_GetChannelPath(), QStringLiteral("DTM_1/M_2_C_4"));
    // A HART device offers the frame no channels, whatever its description holds.
    clsDataManager::ChannelList channels;
    EXPECT_FALSE(data->GetChannelCollection(channels));
}

TEST_F(ChannelModule, ChannelDocumentOfTheDifferentialPressure)
{
    Transmitter()->SetSlot(1);
    const auto channel = Channel(QStringLiteral("DifferentialPressure"));
    const auto document = Document(channel->IFdtChannel_GetChannelParameters(QStringLiteral("FDT"), kHartBus));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->DocumentElement().Attribute(QStringLiteral("xmlns")), clsDataManagerChannel::kChannelNamespace);
    EXPECT_EQ(document->SelectSingleNode(QStringLiteral("FDT/FDTChannelType/fdt:VersionInformation"))
                  .Attribute(QStringLiteral("name")),
              QStringLiteral("DifferentialPressure"));
    const xml::XmlNode element = document->SelectSingleNode(QStringLiteral("FDT/FDTChannel"));
    QStringList attributes;
    for (const auto& [name, value] : element.Attributes())
        attributes << name + QLatin1Char('=') + value;
    EXPECT_EQ(attributes, (QStringList{"fdt:tag=Transmitter_1_DifferentialPressure_1", "fdt:id=M_1_C_1",
                                       "protectedByChannelAssignment=0", "number=1", "fdt:dataType=float",
                                       "fdt:signalType=input", "frameApplicationTag="}));
    QStringList children;
    for (const xml::XmlNode& child : element.ChildElements())
        children << child.Name();
    EXPECT_EQ(children, (QStringList{"fdt:Unit", "DpAddress", "fdt:Alarms", "fdt:Ranges"}));
    // The unit reads as its key; the entry's text goes with it, the key with its sign position.
    const xml::XmlNode current = document->SelectSingleNode(
        QStringLiteral("FDT/FDTChannel/fdt:Unit/fdt:EnumeratorVariable/fdt:Variable/fdt:EnumeratorEntry"));
    EXPECT_EQ(current.Attribute(QStringLiteral("index")), QStringLiteral(" 8"));
    EXPECT_EQ(current.Attribute(QStringLiteral("name")), QStringLiteral("mbar"));
    EXPECT_EQ(document->SelectNodes(QStringLiteral("FDT/FDTChannel/fdt:Unit//fdt:EnumeratorEntries/fdt:EnumeratorEntry"))
                  .size(),
              43);
    const xml::XmlNode address = document->SelectSingleNode(QStringLiteral("FDT/FDTChannel/DpAddress"));
    EXPECT_EQ(address.Attribute(QStringLiteral("bitLength")), QStringLiteral("32"));
    EXPECT_EQ(address.Attribute(QStringLiteral("bitPosition")), QStringLiteral("0"));
    EXPECT_EQ(Names(document->SelectNodes(QStringLiteral("//fdt:Alarm")), QStringLiteral("alarmType")),
              (QStringList{"highAlarm", "lowAlarm"}));
    EXPECT_EQ(Names(document->SelectNodes(QStringLiteral("//fdt:Range/*/fdt:StaticValue")), QStringLiteral("staticValue")),
              (QStringList{"100", "0"}));
    EXPECT_TRUE(document->SelectSingleNode(QStringLiteral("//fdt:Range/fdt:Unit")));
}

TEST_F(ChannelModule, OptionalPartsOfTheChannelDocument)
{
    const auto main = Item(QStringLiteral("loopCurrentValue"));
    const auto upper = Fixed(QStringLiteral("upper"), 2006, 20);
    const auto lower = Fixed(QStringLiteral("lower"), 2007, 4);
    const auto low = Fixed(QStringLiteral("low"), 2010, 3);
    const auto type = Fixed(QStringLiteral("type"), 2012, 5, 2);
    auto document = Document(Build({main, upper, lower, low, type})->IFdtChannel_GetChannelParameters({}, {}));
    EXPECT_EQ(Names(document->SelectNodes(QStringLiteral("//fdt:Alarm")), QStringLiteral("alarmType")),
              (QStringList{"lowAlarm"}));
    EXPECT_FALSE(document->SelectSingleNode(QStringLiteral("//fdt:Ranges"))) << "no range unit";
    EXPECT_FALSE(document->SelectSingleNode(QStringLiteral("//fdt:SubstituteValue"))) << "type 5 is none";
    EXPECT_FALSE(document->SelectSingleNode(QStringLiteral("//fdt:Unit")));

    type->SetValue(QStringLiteral("3"));
    document = Document(Build({main, type})->IFdtChannel_GetChannelParameters({}, {}));
    EXPECT_EQ(document->SelectSingleNode(QStringLiteral("//fdt:SubstituteType")).Attribute(QStringLiteral("substituteType")),
              QStringLiteral("lowerRange"));
    EXPECT_FALSE(document->SelectSingleNode(QStringLiteral("//fdt:Alarms")));

    const auto value = Fixed(QStringLiteral("value"), 2013, 7);
    document = Document(Build({main, type, value})->IFdtChannel_GetChannelParameters({}, {}));
    EXPECT_FALSE(document->SelectSingleNode(QStringLiteral("//fdt:SubstituteType")));
    const xml::XmlNode variant = document->SelectSingleNode(QStringLiteral("//fdt:SubstituteValue/fdt:Variant"));
    EXPECT_EQ(variant.Attribute(QStringLiteral("fdt:dataType")), QStringLiteral("int"));
    EXPECT_EQ(variant.FirstChildElement().Attribute(QStringLiteral("number")), QStringLiteral("7"));
    EXPECT_EQ(document->SelectSingleNode(QStringLiteral("FDT/FDTChannel")).Attribute(QStringLiteral("fdt:signalType")),
              QStringLiteral("output"));
}

TEST_F(ChannelModule, ChannelDescriptionsThatDoNotBuild)
{
    Items items;
    items.Add(QStringLiteral("pv"), Fixed(QStringLiteral("pv"), 43, 1));
    items.Add(QStringLiteral("slot"), Fixed(QStringLiteral("slot"), 42, 1));
    items.Add(QStringLiteral("pv2"), Fixed(QStringLiteral("pv2"), 44, 1, 3, 8));
    clsDataManagerChannel channel;
    EXPECT_FALSE(channel.BuildFromDescription(QStringLiteral("C"), {}, items));
    EXPECT_FALSE(channel.BuildFromDescription(QStringLiteral("C"), {"pv", "nothing"}, items));
    EXPECT_TRUE(channel.BuildFromDescription(QStringLiteral("C"), {"pv", "SLOT", "pv2"}, items));
    EXPECT_EQ(channel.MainItemKind(), 44) << "a later item of a code replaces the earlier one";
    EXPECT_EQ(channel.MainItemLength(), 8);
    EXPECT_EQ(Messages(traces), (QStringList{"Empty channel description: C",
                                             "Missing parameter >>nothing<< for channel description >>C<<",
                                             "Parameter >>SLOT<< for channel description >>C<< makes no sense here!"}));
}

TEST_F(ChannelModule, ChannelDocumentsComeBackIntoFixedItemsOnly)
{
    Transmitter()->SetSlot(1);
    const auto channel = Channel(QStringLiteral("DifferentialPressure"));
    QString text = channel->IFdtChannel_GetChannelParameters({}, {});
    text.replace(QStringLiteral("protectedByChannelAssignment=\"0\""), QStringLiteral("protectedByChannelAssignment=\"1\""));
    text.replace(QStringLiteral("bitPosition=\"0\""), QStringLiteral("bitPosition=\"40\""));
    text.replace(QStringLiteral("staticValue=\"100\""), QStringLiteral("staticValue=\"120\"")); // high alarm, upper range
    text.replace(QStringLiteral("frameApplicationTag=\"\""), QStringLiteral("frameApplicationTag=\"PT 7\""));

    // The frame's write: under the write lock, no move, the dataset modified.
    EXPECT_TRUE(channel->SetChannelParameters(QStringLiteral("FDT"), kHartBus, text));
    EXPECT_EQ(channel->BitPosition(), 0);
    EXPECT_TRUE(channel->ProtectedByChannelAssignment());
    EXPECT_EQ(Item(QStringLiteral("differentialPressureHighAlarm"))->Value(), QStringLiteral("120"));
    EXPECT_EQ(Item(QStringLiteral("upperRangeValue"))->Value(), QStringLiteral("100")) << "the device's value stays";
    EXPECT_EQ(Item(QStringLiteral("differentialPressureTag"))->Value(), QStringLiteral("PT 7"));
    EXPECT_EQ(data->GetStorageState() + data->GetDataSetState(), QStringLiteral("transientvalidModified "));
    EXPECT_TRUE(channel->IFdtChannel_GetChannelParameters({}, {}).contains(
        QStringLiteral("protectedByChannelAssignment=\"1\"")));
    EXPECT_EQ(EWAR::GetEWAR(), 1) << "the unlock goes on after the call";
    clock.Advance(100);
    EXPECT_EQ(EWAR::GetEWAR(), 0);

    // The same document from the data bag moves the channel.
    EXPECT_TRUE(channel->IFdtChannelExt_SetChannelParameters(QStringLiteral("FDT"), kHartBus, text, false));
    EXPECT_EQ(channel->BitPosition(), 40);

    // A document that does not load changes nothing and marks the dataset invalid.
    EXPECT_FALSE(channel->SetChannelParameters(QStringLiteral("FDT"), kHartBus, QStringLiteral("<FDT")));
    EXPECT_EQ(data->GetDataSetState(), QStringLiteral("invalidModified"));
    clock.Advance(100);

    // While another user holds the dataset the frame is refused, the state kept.
    data->SetDataSetStates(QString(), QStringLiteral("default"));
    EWAR::SetDTMWait();
    EXPECT_FALSE(channel->SetChannelParameters(QStringLiteral("FDT"), kHartBus, text));
    EXPECT_EQ(data->GetDataSetState(), QStringLiteral("default"));
}

TEST_F(ChannelModule, SubstituteTypesComeBackAsTheirNumbers)
{
    const auto type = Fixed(QStringLiteral("type"), 2012, 1, 2);
    const auto channel = Build({Item(QStringLiteral("loopCurrentValue")), type});
    const QString upper = channel->IFdtChannel_GetChannelParameters({}, {}).replace(
        QStringLiteral("lastValidValue"), QStringLiteral("upperRange"));
    ASSERT_TRUE(channel->IFdtChannelExt_SetChannelParameters({}, {}, upper, false));
    EXPECT_EQ(type->Value(), QStringLiteral("4"));
    QString odd = upper;
    odd.replace(QStringLiteral("upperRange"), QStringLiteral("sideways"));
    ASSERT_TRUE(channel->IFdtChannelExt_SetChannelParameters({}, {}, odd, false));
    EXPECT_EQ(type->Value(), QStringLiteral("4"));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("XML document contains an invalid substituteType :sideways")), 1);
    QString none = upper;
    none.replace(QStringLiteral("<fdt:SubstituteValue><fdt:SubstituteType substituteType=\"upperRange\"/></fdt:SubstituteValue>"),
                 QString());
    ASSERT_TRUE(channel->IFdtChannelExt_SetChannelParameters({}, {}, none, false));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("SetChanneldata: Access to : FDT/FDTChannel/fdt:SubstituteValue/"
                                                  "fdt:SubstituteType failed!")),
              1);
}

TEST_F(ChannelModule, ConfigurationTextsHoldAtMost246Bytes)
{
    clsDataManagerModule module;
    const auto item = Fixed(QStringLiteral("cfg"), 41, QString(), 8);
    QString text;
    EXPECT_FALSE(module.ReadConfigurationString(item, text));
    EXPECT_TRUE(traces.messages().isEmpty()) << "an empty value is no error";

    QStringList bytes;
    for (int i = 0; i < 246; ++i)
        bytes << QStringLiteral("0x%1").arg(i % 256, 0, 16);
    item->SetValue(bytes.join(QLatin1Char(',')));
    EXPECT_TRUE(module.ReadConfigurationString(item, text));
    EXPECT_EQ(text.size(), 492);
    EXPECT_TRUE(text.startsWith(QStringLiteral("000102")));
    bytes << QStringLiteral("1");
    item->SetValue(bytes.join(QLatin1Char(',')));
    EXPECT_FALSE(module.ReadConfigurationString(item, text));
    EXPECT_EQ(text, QString());
    EXPECT_EQ(CountMessage(traces, QStringLiteral("CFG data string >>cfg<< exceeds 246 bytes!")), 1);

    item->SetValue(QStringLiteral("0x12,0x134,0x56"));
    EXPECT_FALSE(module.ReadConfigurationString(item, text));
    EXPECT_EQ(text, QString()) << "not the bytes before the bad one";
    EXPECT_EQ(CountMessage(traces, QStringLiteral("CFG data string >>cfg<< contains invalid data!")), 1);
}

TEST_F(ChannelModule, ModuleDescriptionsThatDoNotBuild)
{
    Items items;
    for (const auto& [name, code] : std::vector<std::pair<QString, int32_t>>{
             {"id", 38}, {"name", 40}, {"cfg", 41}, {"slot", 42}, {"pv", 43}})
        items.Add(name, Fixed(name, code, 1));
    Channels channels;
    auto channel = std::make_shared<clsDataManagerChannel>();
    // Names are matched without regard to case: the channel is named apart from its item.
    ASSERT_TRUE(channel->BuildFromDescription(QStringLiteral("Signal"), {"pv"}, items));
    channels.Add(QStringLiteral("Signal"), channel);

    EXPECT_TRUE(clsDataManagerModule().BuildFromDescription(QStringLiteral("M"),
                                                            {"id", "name", "cfg", "slot", "signal"}, items, channels));
    EXPECT_FALSE(clsDataManagerModule().BuildFromDescription(QStringLiteral("M"), {"id", "name", "cfg", "Signal"}, items,
                                                             channels))
        << "no slot";
    EXPECT_FALSE(clsDataManagerModule().BuildFromDescription(QStringLiteral("M"), {"id", "name", "cfg", "slot"}, items,
                                                             channels))
        << "no channel";
    traces.clear();
    EXPECT_FALSE(clsDataManagerModule().BuildFromDescription(QStringLiteral("M"), {"id", "what", "Signal"}, items, channels));
    EXPECT_EQ(Messages(traces), (QStringList{"Missing parameter or channel >>what<< for module description >>M<<"}));
    traces.clear();
    EXPECT_FALSE(clsDataManagerModule().BuildFromDescription(QStringLiteral("M"), {"pv", "Signal"}, items, channels));
    EXPECT_EQ(Messages(traces), (QStringList{"Parameter >>pv<< for channel description >>M<< makes no sense here!"}));
}

// Modules of two input channels each, chained along the topology's slots.
TEST_F(ChannelModule, BitLayoutChainsAlongTheTopologyAndCopesWithGaps)
{
    const auto owner = std::make_shared<clsDataManager>();
    std::vector<std::shared_ptr<clsDataManagerModule>> modules;
    const auto make = [&](const QString& name, int32_t first, int32_t second, int32_t secondKind) {
        Items items;
        items.Add(QStringLiteral("id"), Fixed(QStringLiteral("id"), 38, 1));
        items.Add(QStringLiteral("name"), Fixed(QStringLiteral("name"), 40, name, 8));
        items.Add(QStringLiteral("cfg"), Fixed(QStringLiteral("cfg"), 41, QStringLiteral("0x10"), 8));
        items.Add(QStringLiteral("slot"), Fixed(QStringLiteral("slot"), 42, 0));
        items.Add(QStringLiteral("a"), Fixed(QStringLiteral("a"), 43, 0, 3, first));
        items.Add(QStringLiteral("b"), Fixed(QStringLiteral("b"), secondKind, 0, 3, second));
        Channels channels;
        for (const QString& signal : {QStringLiteral("a"), QStringLiteral("b")}) {
            auto channel = std::make_shared<clsDataManagerChannel>();
            EXPECT_TRUE(channel->BuildFromDescription(QStringLiteral("channel ") + signal, {signal}, items));
            channels.Add(QStringLiteral("channel ") + signal, channel);
        }
        auto module = std::make_shared<clsDataManagerModule>();
        EXPECT_TRUE(module->BuildFromDescription(name, {"id", "name", "cfg", "slot", "channel a", "channel b"}, items,
                                                 channels));
        module->SetDataManager(owner);
        modules.push_back(module);
        return module;
    };
    const auto first = make(QStringLiteral("First"), 16, 16, 43);
    first->SetSlot(1);
    owner->TopologyModules()->Add(QStringLiteral("1"), first);
    EXPECT_EQ(first->InputBitEnd(), 32);

    const auto second = make(QStringLiteral("Second"), 16, 8, 44);
    owner->TopologyModules()->Add(QStringLiteral("2"), second);
    second->SetSlot(2);
    EXPECT_EQ(second->ModuleChannels().Item(1)->BitPosition(), 32);
    EXPECT_EQ(second->ModuleChannels().Item(2)->BitPosition(), 0) << "outputs are counted apart";
    EXPECT_EQ(second->InputBitEnd(), 48);
    EXPECT_EQ(second->OutputBitEnd(), 8);

    // Slot 3 stays empty: the module in slot 4 follows the one in slot 2.
    const auto fourth = make(QStringLiteral("Fourth"), 16, 8, 43);
    owner->TopologyModules()->Add(QStringLiteral("4"), fourth);
    fourth->SetSlot(4);
    EXPECT_EQ(fourth->ModuleChannels().Item(1)->BitPosition(), 48);
    EXPECT_EQ(fourth->ModuleChannels().Item(2)->BitPosition(), 64);
    EXPECT_EQ(fourth->InputBitEnd(), 72);
    EXPECT_EQ(fourth->OutputBitEnd(), 8);
    EXPECT_EQ(fourth->ModuleChannels().Item(2)->GetChannelId(), QStringLiteral("M_4_C_2"));
    for (const auto& module : modules)
        module->ReleaseModule();
}

TEST_F(ChannelModule, ModuleWritesItselfIntoTheTopologyAndReadsItselfBack)
{
    const auto module = Transmitter();
    module->SetSlot(3);
    xml::XmlDocument& document = *data->DataCache();
    module->IDtmParameter_GetModuleData(document);
    const xml::XmlNode device = document.SelectSingleNode(QStringLiteral("FDT/DtmDevice"));
    QStringList children;
    for (const xml::XmlNode& child : device.ChildElements())
        children << child.Name();
    EXPECT_EQ(children, (QStringList{"BusInformation", "InternalTopology", "ExportedVariables"}));
    const xml::XmlNode element = document.SelectSingleNode(XMLHelper::ModulePath());
    QStringList attributes;
    for (const auto& [name, value] : element.Attributes())
        attributes << name + QLatin1Char('=') + value;
    EXPECT_EQ(attributes, (QStringList{"fdt:readAccess=1", "fdt:writeAccess=0", "moduleId=3", "moduleTypeId=137",
                                       "slot=3", "configurationData=94949494A4"}));
    EXPECT_EQ(Names(element.SelectNodes(QStringLiteral("fdt:ChannelReferences/fdt:ChannelReference")),
                    QStringLiteral("idref")),
              (QStringList{"M_3_C_1", "M_3_C_2", "M_3_C_3", "M_3_C_4", "M_3_C_5"}));
    XMLHelper::DocumentPtr check;
    EXPECT_TRUE(XMLHelper::LoadXmlString(document.Xml(), check)) << "the dataset stays valid";

    // Read back into slot 5; another module's element changes nothing.
    xml::XmlNode moved = element;
    moved.SetAttribute(QStringLiteral("slot"), QStringLiteral("5"));
    moved.SetAttribute(QStringLiteral("moduleId"), QStringLiteral("5"));
    EXPECT_TRUE(module->ReadModuleDefinition(moved));
    EXPECT_EQ(module->Slot(), 5);
    EXPECT_EQ(module->ModuleChannels().Item(1)->GetChannelId(), QStringLiteral("M_5_C_1"));
    moved.FirstChildElement(QStringLiteral("fdt:VersionInformation"))
        .SetAttribute(QStringLiteral("name"), QStringLiteral("Other"));
    moved.SetAttribute(QStringLiteral("slot"), QStringLiteral("6"));
    EXPECT_FALSE(module->ReadModuleDefinition(moved));
    EXPECT_EQ(module->Slot(), 5);
    moved.RemoveChild(moved.FirstChildElement(QStringLiteral("fdt:VersionInformation")));
    traces.clear();
    EXPECT_FALSE(module->ReadModuleDefinition(moved));
    EXPECT_EQ(Messages(traces), (QStringList{"Missing element fdt:VersionInformationin module definition",
                                             "Unable to identify module type"}));
}

} // namespace

