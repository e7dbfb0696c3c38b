// The changed-data document: what GetDataBag hands to the frame is collected
// in it; the frame's changed data come back through OnParameterChanged into
// the dataset, its channels and the applet, and bad changed data are refused.
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/fdt/DtmGate.h"
#include "tests/fennick/dataset/ProfibusDatasetSupport.h"

namespace {

using namespace dtmtest;

XMLHelper::DocumentPtr Load(const QString& text)
{
    XMLHelper::DocumentPtr document;
    EXPECT_TRUE(XMLHelper::LoadXmlString(text, document)) << text.toStdString();
    return document;
}

// The names of the changed-data document's wrappers, in order.
QStringList Wrappers(const QString& changed)
{
    QStringList names;
    const auto document = Load(changed);
    if (!document)
        return names;
    const xml::XmlNode root = document->DocumentElement();
    EXPECT_EQ(root.Name(), QStringLiteral("DTM"));
    for (const xml::XmlNode& wrapper : root.ChildElements()) {
        EXPECT_EQ(wrapper.ChildElements().size(), 1) << wrapper.Name().toStdString();
        EXPECT_EQ(wrapper.FirstChildElement().Name(), QStringLiteral("FDT"));
        names << wrapper.Name();
    }
    return names;
}

// An applet host that counts the reloads from the instance-data store.
class ReloadCountingHost : public FakeAppletHost {
public:
    void LoadFromDatabase(int32_t reserved, int32_t& result) override
    {
        reloads << reserved;
        result = reloadResult;
    }
    QList<int32_t> reloads;
    int32_t reloadResult = 0;
};

class ChangedData : public DtmTest {
protected:
    ChangedData()
    {
        // The Trivex description under a host that counts reloads, started by the DTM.
        auto counting = FakeAppletHost::Make<ReloadCountingHost>();
        reloading = counting.get();
        UseHost(counting);
    }
    void SetUp() override
    {
        NewInstance();
        data = Dtm()->DataManager();
        traces.clear();
    }
    std::shared_ptr<clsDataBag> Bag() const
    {
        std::shared_ptr<clsDataBag> bag;
        EXPECT_TRUE(data->GetDataBag(bag));
        return bag;
    }

    std::shared_ptr<clsDataManager> data;
    ReloadCountingHost* reloading = nullptr;
};

TEST_F(ChangedData, TheBagsDatasetIsCollectedOncePerBag)
{
    EXPECT_EQ(data->TakeChangedParameters(), QString());
    const auto bag = Bag();
    const QString changed = data->TakeChangedParameters();
    EXPECT_EQ(Wrappers(changed), QStringList{QStringLiteral("ChangedParameters")});
    EXPECT_EQ(data->GetChangedParameters(), bag->DtmParameters());
    EXPECT_EQ(data->ChangedChannelCount(), 0);
    EXPECT_EQ(data->GetChangedChannel(0), QString());
    EXPECT_EQ(data->TakeChangedParameters(), changed) << "taking leaves the document";

    // Each bag starts the document afresh; while unloading nothing is collected.
    Bag();
    EXPECT_EQ(Wrappers(data->TakeChangedParameters()), QStringList{QStringLiteral("ChangedParameters")});
    const int32_t status = Status();
    Dtm()->SetDtmStatus(DtmStatus::Unloading);
    Bag();
    Dtm()->SetDtmStatus(status);
    EXPECT_EQ(data->TakeChangedParameters(), QString());
}

TEST_F(ChangedData, DocumentsAreWrappedByWhatTheyHold)
{
    const QString dataset = Dtm()->GetParameters(QStringLiteral("FDT"));
    const auto channel = data->Channels()->Find(QStringLiteral("Flow"));
    const QString channelText = channel->IFdtChannel_GetChannelParameters({}, {});

    data->AddChangedData(dataset, QStringLiteral("ChangedChannel"));
    data->AddChangedData(channelText, QStringLiteral("ChangedParameters"));
    data->AddChangedData(channelText, QStringLiteral("ChangedChannel"));
    EXPECT_EQ(Wrappers(data->TakeChangedParameters()),
              (QStringList{"ChangedParameters", "ChangedChannel", "ChangedChannel"}));
    EXPECT_EQ(data->ChangedChannelCount(), 2);
    EXPECT_EQ(data->GetChangedChannel(1), channelText);
    EXPECT_EQ(data->GetChangedChannel(2), QString()) << "an index equal to the count";
    EXPECT_EQ(data->GetChangedChannel(-1), QString());
    EXPECT_EQ(data->GetChangedParameters(), dataset);

    // Neither a dataset nor a channel, or no XML at all: nothing is added.
    const QString before = data->TakeChangedParameters();
    data->AddChangedData(QStringLiteral("<FDT><Other/></FDT>"), QStringLiteral("ChangedParameters"));
    data->AddChangedData(QStringLiteral("<Other/>"), QStringLiteral("ChangedParameters"));
    data->AddChangedData(QStringLiteral("<FDT"), QStringLiteral("ChangedParameters"));
    EXPECT_EQ(data->TakeChangedParameters(), before);
    EXPECT_TRUE(traces.contains(QStringLiteral("Invalid XML document containing changed data")));

    data->ResetChangedData();
    EXPECT_EQ(data->TakeChangedParameters(), QString());
    EXPECT_EQ(data->GetChangedParameters(), QString());
    EXPECT_EQ(data->ChangedChannelCount(), 0);
}

TEST_F(ChangedData, AnotherPartysDatasetBecomesTheDataset)
{
    Bag();
    QString changed = data->TakeChangedParameters();
    changed.replace(QStringLiteral("fdt:tag=\"XI XXX\""), QStringLiteral("fdt:tag=\"FT-99\""));
    changed.replace(QStringLiteral("slaveAddress=\"0\""), QStringLiteral("slaveAddress=\"3\""));
    ASSERT_TRUE(data->OnParameterChanged(changed));
    EXPECT_EQ(data->GetDeviceTag(), QStringLiteral("FT-99"));
    EXPECT_EQ(data->GetBusAddress(), QStringLiteral("3"));
    EXPECT_EQ(host->Text(clsDataManager::kTagNameItem), QStringLiteral("FT-99"));
    EXPECT_EQ(host->Text(clsDataManager::kAddressItem), QStringLiteral("3"));
    EXPECT_EQ(reloading->reloads, QList<int32_t>{0}) << "the applet reloads the new dataset";
    EXPECT_EQ(Load(data->TakeChangedParameters())->Xml(), Load(changed)->Xml())
        << "the frame's changed data replace the collected ones";
    EXPECT_EQ(data->GetDataSetState(), QStringLiteral("validModified "));

    // A failing reload is traced; the dataset is taken all the same.
    reloading->reloadResult = 5;
    changed.replace(QStringLiteral("FT-99"), QStringLiteral("FT-100"));
    EXPECT_TRUE(data->OnParameterChanged(changed));
    EXPECT_EQ(data->GetDeviceTag(), QStringLiteral("FT-100"));
    EXPECT_TRUE(traces.contains(QStringLiteral("OnParameterChanged: LoadFromDatabase failed, reason code: 0x5")));
}

// Changed data the DTM cannot take are refused whole, and nothing escapes.
TEST_F(ChangedData, UnusableChangedDataChangeNothing)
{
    Bag();
    const QString collected = data->TakeChangedParameters();
    const auto cache = data->DataCache();
    const QString channelOnly = QStringLiteral("<DTM><ChangedChannel>")
                                + data->Channels()->Find(QStringLiteral("Flow"))->IFdtChannel_GetChannelParameters({}, {})
                                      .section(QStringLiteral("?>"), 1)
                                + QStringLiteral("</ChangedChannel></DTM>");
    const struct {
        QString text;
        QString trace;
    } refused[] = {
        {QStringLiteral("<DTM"), QStringLiteral("OnParameterChanged: the changed data do not load; nothing taken")},
        {QStringLiteral("<DTM/>"),
         QStringLiteral("OnParameterChanged: the changed data hold no ChangedParameters; nothing taken")},
        {channelOnly, QStringLiteral("OnParameterChanged: the changed data hold no ChangedParameters; nothing taken")},
        {QStringLiteral("<DTM><ChangedParameters><FDT xmlns=\"x-schema:DTMParameterSchema.xml\"><Bogus/></FDT>"
                        "</ChangedParameters></DTM>"),
         QStringLiteral("OnParameterChanged: the changed parameters do not load; nothing taken")},
    };
    for (const auto& c : refused) {
        traces.clear();
        EXPECT_FALSE(data->OnParameterChanged(c.text)) << c.text.toStdString();
        EXPECT_TRUE(traces.contains(c.trace)) << c.text.toStdString();
        EXPECT_EQ(data->DataCache(), cache);
        EXPECT_EQ(data->TakeChangedParameters(), collected);
        EXPECT_TRUE(reloading->reloads.isEmpty());
    }
    // The frame's event goes the same way through the DTM object.
    EXPECT_NO_THROW(Dtm()->OnParameterChanged(kTag, QStringLiteral("<DTM/>")));
    EXPECT_EQ(data->DataCache(), cache);
}

// --- With the transmitter's channels ----------------------------------------------------------

class ChangedChannels : public ProfibusDataset {
protected:
    void SetUp() override
    {
        ProfibusDataset::SetUp();
        PlaceTransmitter();
        std::shared_ptr<clsDataBag> bag;
        ASSERT_TRUE(Data()->GetDataBag(bag));
        ASSERT_TRUE(Data()->GetChannelCollection(channels));
        traces.clear();
    }
    QString Item(const QString& name) const { return Data()->DataItems()->Find(name)->Value(); }
    clsDataManager::ChannelList channels;
};

TEST_F(ChangedChannels, ChannelsAreTakenByPositionAndExtraOnesLeftOut)
{
    const QString collected = Data()->TakeChangedParameters();
    EXPECT_EQ(Wrappers(collected), (QStringList{"ChangedParameters", "ChangedChannel", "ChangedChannel",
                                                "ChangedChannel", "ChangedChannel", "ChangedChannel"}));
    EXPECT_EQ(Data()->ChangedChannelCount(), 5);
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(Data()->GetChangedChannel(i), channels[static_cast<size_t>(i)]->IFdtChannel_GetChannelParameters({}, {}))
            << i;

    // Another party tags the first channel and raises its high alarm; its
    // changed data name two channels more than this DTM has.
    QString changed = collected;
    changed.replace(QStringLiteral("frameApplicationTag=\"\""), QStringLiteral("frameApplicationTag=\"PT 9\""));
    changed.replace(QStringLiteral("alarmType=\"highAlarm\"><fdt:StaticValue staticValue=\"100\""),
                    QStringLiteral("alarmType=\"highAlarm\"><fdt:StaticValue staticValue=\"120\""));
    ASSERT_TRUE(changed.contains(QStringLiteral("staticValue=\"120\"")));
    const qsizetype lastChannel = changed.lastIndexOf(QStringLiteral("<ChangedChannel>"));
    const QString extra = changed.mid(lastChannel, changed.indexOf(QStringLiteral("</ChangedChannel>"), lastChannel)
                                                       + int(strlen("</ChangedChannel>")) - lastChannel);
    changed.replace(QStringLiteral("</DTM>"), extra + extra + QStringLiteral("</DTM>"));

    ASSERT_TRUE(Data()->OnParameterChanged(changed));
    EXPECT_TRUE(traces.contains(QStringLiteral("OnParameterChanged: 7 changed channels for 5 channels; the last 2 are "
                                               "left out")));
    EXPECT_EQ(Item(QStringLiteral("differentialPressureTag")), QStringLiteral("PT 9"));
    EXPECT_EQ(Item(QStringLiteral("differentialPressureHighAlarm")), QStringLiteral("120"));
    EXPECT_EQ(Data()->TopologyModules()->Count(), 1) << "the topology is read from the new dataset";
    clsDataManager::ChannelList now;
    ASSERT_TRUE(Data()->GetChannelCollection(now));
    EXPECT_EQ(now[0]->GetChannelId(), QStringLiteral("M_1_C_1"));
}

// The module numbers a channel: no document renumbers it, and one whose
// number is no number is refused before anything is taken from it.
TEST_F(ChangedChannels, ADocumentCannotRenumberItsChannel)
{
    const auto first = channels[0];
    // Without its namespace the document escapes the schema's type check.
    QString text = first->IFdtChannel_GetChannelParameters({}, {});
    text.replace(QStringLiteral(" xmlns=\"x-schema:FDTProfibusChannelParameterSchema.xml\""), QString());
    ASSERT_TRUE(text.contains(QStringLiteral("number=\"1\"")));

    QString bad = text;
    bad.replace(QStringLiteral("number=\"1\""), QStringLiteral("number=\"one\""));
    bad.replace(QStringLiteral("frameApplicationTag=\"\""), QStringLiteral("frameApplicationTag=\"PT 9\""));
    EXPECT_FALSE(first->IFdtChannelExt_SetChannelParameters({}, {}, bad, false));
    EXPECT_TRUE(traces.contains(QStringLiteral("Channel M_1_C_1: document refused, its channel number is no number: one")));
    EXPECT_EQ(Item(QStringLiteral("differentialPressureTag")), QString());

    QString other = text;
    other.replace(QStringLiteral("number=\"1\""), QStringLiteral("number=\"4\""));
    other.replace(QStringLiteral("frameApplicationTag=\"\""), QStringLiteral("frameApplicationTag=\"PT 9\""));
    EXPECT_TRUE(first->IFdtChannelExt_SetChannelParameters({}, {}, other, false));
    EXPECT_EQ(first->ChannelNumber(), 1);
    EXPECT_EQ(first->GetChannelId(), QStringLiteral("M_1_C_1"));
    EXPECT_TRUE(traces.contains(QStringLiteral("Channel M_1_C_1: the document's channel number 4 is not taken")));
    EXPECT_EQ(Item(QStringLiteral("differentialPressureTag")), QStringLiteral("PT 9")) << "the rest is taken";

    // With its namespace the schema refuses such a number already.
    QString typed = first->IFdtChannel_GetChannelParameters({}, {});
    typed.replace(QStringLiteral("number=\"1\""), QStringLiteral("number=\"one\""));
    EXPECT_FALSE(first->SetChannelParameters(QStringLiteral("FDT"), kProfibusBus, typed));
    EXPECT_EQ(first->ChannelNumber(), 1);
    clock.Advance(100); // the frame call's write lock is given back
}

} // namespace
