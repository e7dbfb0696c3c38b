// The bus data of the dataset: bus addresses, the bus master configuration
// part of a PROFIBUS dataset built from the GSD file and the topology
// modules, merged with a stored or handed-in set, and malformed sets.
#include "ModularDeviceSupport.h"
#include "fennick/dataset/Bmcp.h"
#include "platform/gsd/GsdParser.h"
#include "tests/fennick/dataset/ProfibusDatasetSupport.h"

namespace {

using namespace dtmtest;

const QString kGsdFile = QStringLiteral(TRIVEX_GSD_FILE);

// The default set for the shipped GSD file's three user parameter bytes and
// no module: 34 bytes.
const QString kDefault34 = QStringLiteral("0022") + QString(28, QLatin1Char('0')) + QStringLiteral("000C")
                           + QString(14, QLatin1Char('0')) + QStringLiteral("800008") + QStringLiteral("0002")
                           + QStringLiteral("0002") + QStringLiteral("0002");

// A stored set with a bus master's own flags, fixed parameter data and
// additional table, and stale device parts (user data FFFF, configuration AAAA).
const QString kStoredFlags = QStringLiteral("C00B0102030405060708090A0B0C");
const QString kStoredFixed = QStringLiteral("B80B0B00A60040");
const QString kStoredTail = QStringLiteral("0004ABCD0003EE");
const QString kStoredSet = QStringLiteral("0026") + kStoredFlags + QStringLiteral("000B") + kStoredFixed
                           + QStringLiteral("FFFF") + QStringLiteral("0004AAAA") + kStoredTail;

QString WithAt(QString text, int position, const QString& part)
{
    return text.replace(position - 1, part.size(), part);
}

// --- The set's text helpers ---------------------------------------------------------------

TEST(BmcpText, HexWordsAreReadOnlyWhereFourDigitsAre)
{
    EXPECT_EQ(Bmcp::ReadHexWordAt(kDefault34, 1), 34);
    EXPECT_EQ(Bmcp::ReadHexWordAt(kDefault34, 33), 12);
    EXPECT_EQ(Bmcp::ReadHexWordAt(QStringLiteral("ABCD1234"), 5), 0x1234) << "the last word";
    EXPECT_EQ(Bmcp::ReadHexWordAt(QStringLiteral("ABCD1234"), 6), 0) << "three characters before the end";
    EXPECT_EQ(Bmcp::ReadHexWordAt(QStringLiteral("ABCD1234"), 0), 0);
    EXPECT_EQ(Bmcp::ReadHexWordAt(QStringLiteral("ABCD1234"), -3), 0);
    EXPECT_EQ(Bmcp::ReadHexWordAt(QString(), 1), 0);
    EXPECT_EQ(Bmcp::ReadHexWordAt(QStringLiteral("00G1"), 1), 0);
    EXPECT_EQ(Bmcp::ReadHexWordAt(QStringLiteral("ffff"), 1), -1) << "a signed 16-bit word";

    EXPECT_EQ(Bmcp::WordToHex(34), QStringLiteral("0022"));
    EXPECT_EQ(Bmcp::WordToHex(0xABCD), QStringLiteral("ABCD"));
    EXPECT_EQ(Bmcp::WordToHex(-1), QStringLiteral("FFFF"));
    EXPECT_EQ(Bmcp::WordToHex(0x10005), QStringLiteral("0005"));

    EXPECT_EQ(Bmcp::CheckSet(kStoredSet), QString());
    EXPECT_EQ(Bmcp::CheckSet(kStoredSet.toLower()), QString());
    EXPECT_EQ(Bmcp::DefaultSet(QString(), QStringLiteral("800008")), kDefault34);
}

TEST(BmcpText, TheTraceShowsEightBytesALine)
{
    TraceCapture traces;
    Bmcp::TraceBmcp(kDefault34);
    EXPECT_EQ(Messages(traces), (QStringList{
                                    "Bus Master Configuration Part data:",
                                    "Byte 000..007 :00, 22, 00, 00, 00, 00, 00, 00, ",
                                    "Byte 008..015 :00, 00, 00, 00, 00, 00, 00, 00, ",
                                    "Byte 016..023 :00, 0C, 00, 00, 00, 00, 00, 00, ",
                                    "Byte 024..031 :00, 80, 00, 08, 00, 02, 00, 02, ",
                                    "Byte 032..033 :00, 02, ",
                                }));
}

// --- The set of a dataset of the modular test device ----------------------------------------

class BusMasterConfiguration : public ::testing::Test {
protected:
    BusMasterConfiguration()
    {
        // The first analog input carries two parameter bytes.
        parser.fixed.push_back({QStringLiteral("AI_1_prm"), 2003, QStringLiteral("0x01,0x02")});
        parser.modules[0].entries << QStringLiteral("AI_1_prm");
    }
    ~BusMasterConfiguration() override
    {
        if (data)
            data->ReleaseDataModel();
    }
    // A PROFIBUS dataset with the GSD file (none for an empty path) and the set.
    void Open(const QString& gsdPath, const QString& bmcp = QStringLiteral("0000"))
    {
        if (data)
            data->ReleaseDataModel();
        data = std::make_shared<clsDataManager>();
        data->BuildDataModel(parser);
        const QString variable =
            gsdPath.isEmpty()
                ? QString()
                : QStringLiteral("<fdt:DtmVariable name=\"&amp;&amp;private_Fennick&amp;&amp;GSDfile\"><fdt:Value>"
                                 "<fdt:Display string=\"%1\"/></fdt:Value></fdt:DtmVariable>")
                      .arg(gsdPath.toHtmlEscaped());
        ASSERT_TRUE(data->Instance_SetupDataCache(
            QStringLiteral("<FDT xmlns=\"x-schema:DTMParameterSchema.xml\" "
                           "xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\"><fdt:DtmDeviceType><fdt:BusCategories>"
                           "<fdt:BusCategory busCategory=\"%1\"/></fdt:BusCategories></fdt:DtmDeviceType>"
                           "<DtmDevice fdt:tag=\"T\"><BusInformation><MasterSlaveBus busAddress=\"126\" "
                           "busMasterConfigurationPart=\"%2\"/></BusInformation><ExportedVariables>"
                           "<fdt:DtmVariables name=\"Parameters\">%3</fdt:DtmVariables></ExportedVariables>"
                           "</DtmDevice></FDT>")
                .arg(kProfibusBus, bmcp, variable)));
        traces.clear();
    }
    void Place(const QString& module, int32_t slot)
    {
        const auto described = data->DescribedModules()->Find(module);
        data->TopologyModules()->Add(QString::number(slot), described);
        described->SetSlot(slot);
    }
    QString Bmcp() const
    {
        return data->DataCache()->SelectSingleNode(QStringLiteral("//MasterSlaveBus"))
            .Attribute(QStringLiteral("busMasterConfigurationPart"));
    }
    // The frame's dataset, as far as its bus data go.
    std::unique_ptr<xml::XmlDocument> FrameDocument(const QString& bmcpAttribute, const QString& address)
    {
        auto document = std::make_unique<xml::XmlDocument>();
        EXPECT_TRUE(document->LoadXml(QStringLiteral("<FDT><DtmDevice><BusInformation><MasterSlaveBus busAddress=\"%1\"%2/>"
                                                     "</BusInformation></DtmDevice></FDT>")
                                          .arg(address, bmcpAttribute)));
        return document;
    }
    std::unique_ptr<xml::XmlDocument> FrameDocument(const QString& bmcp)
    {
        return FrameDocument(QStringLiteral(" busMasterConfigurationPart=\"%1\"").arg(bmcp), QStringLiteral("7"));
    }

    TraceCapture traces;
    modulartest::ModularFdtParser parser;
    std::shared_ptr<clsDataManager> data;
};

TEST_F(BusMasterConfiguration, APlaceholderBecomesTheDefaultSetOfTheGsdFile)
{
    Open(kGsdFile);
    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(Bmcp(), kDefault34);
    EXPECT_EQ(Bmcp::ReadHexWordAt(Bmcp(), 1) * 2, Bmcp().size()) << "the set length counts the whole set";
    EXPECT_EQ(Bmcp::ReadHexWordAt(Bmcp(), 33), 0x0C);
    EXPECT_EQ(Bmcp::ReadHexWordAt(Bmcp(), 33 + 2 * 0x0C), 2);
    EXPECT_TRUE(traces.contains(QStringLiteral("Byte 032..033 :00, 02, ")));

    // A set is merged, not rebuilt: the default set stays as it is.
    traces.clear();
    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(Bmcp(), kDefault34);
    EXPECT_TRUE(traces.contains(QStringLiteral("Merged BMCP:") + kDefault34));
}

TEST_F(BusMasterConfiguration, ModulesAddTheirBytesAndEmptySlotsAFiller)
{
    Open(kGsdFile);
    Place(QStringLiteral("AI_1"), 1);
    Place(QStringLiteral("RO_2"), 3);
    QString configuration;
    QString userParameters;
    data->GetModulesConfiguration(configuration, userParameters);
    EXPECT_EQ(configuration, QStringLiteral("100010")) << "slot 2 is empty";
    EXPECT_EQ(userParameters, QStringLiteral("8000080102")) << "the GSD file's bytes, then the modules'";

    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(Bmcp(), QStringLiteral("0027") + QString(28, QLatin1Char('0')) + QStringLiteral("000E")
                          + QString(14, QLatin1Char('0')) + QStringLiteral("8000080102") + QStringLiteral("0005100010")
                          + QStringLiteral("00020002"));

    // Modules in consecutive slots get no filler; one in slot 2 alone, one before it.
    Open(kGsdFile);
    Place(QStringLiteral("AI_1"), 1);
    Place(QStringLiteral("AI_2"), 2);
    data->GetModulesConfiguration(configuration, userParameters);
    EXPECT_EQ(configuration, QStringLiteral("1010"));
    Open(kGsdFile);
    Place(QStringLiteral("RO_2"), 2);
    data->GetModulesConfiguration(configuration, userParameters);
    EXPECT_EQ(configuration, QStringLiteral("0010"));

    // A slot beyond what a configuration can hold is left out, not filled up to.
    Place(QStringLiteral("AI_2"), 300);
    data->GetModulesConfiguration(configuration, userParameters);
    EXPECT_EQ(configuration, QStringLiteral("0010"));
    EXPECT_TRUE(traces.contains(QStringLiteral("Module AI_2 in slot 300 lies beyond slot 244")));
}

TEST_F(BusMasterConfiguration, AStoredSetKeepsTheBusMastersPartsAndGetsTheDevicesNew)
{
    const QString merged = QStringLiteral("0028") + kStoredFlags + QStringLiteral("000E") + kStoredFixed
                           + QStringLiteral("8000080102") + QStringLiteral("000310") + kStoredTail;
    Open(kGsdFile, kStoredSet.toLower());
    Place(QStringLiteral("AI_1"), 1);
    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(Bmcp(), merged);
    EXPECT_TRUE(traces.contains(QStringLiteral("BMCP P1:") + kStoredFlags));
    EXPECT_TRUE(traces.contains(QStringLiteral("BCMP P2: ") + kStoredTail));

    // The frame's set: its bus master parts, this device's parts, the frame's address.
    Open(kGsdFile);
    Place(QStringLiteral("AI_1"), 1);
    EXPECT_TRUE(data->TakeMasterSlaveBus(*FrameDocument(kStoredSet)));
    EXPECT_EQ(Bmcp(), merged);
    EXPECT_EQ(data->GetBusAddress(), QStringLiteral("7"));
    EXPECT_TRUE(traces.contains(QStringLiteral("BMCP by frame: ") + kStoredSet));
    EXPECT_TRUE(traces.contains(QStringLiteral("BMCP Current : 0000")));

    // Without its bus data the frame's document changes nothing.
    xml::XmlDocument bare;
    ASSERT_TRUE(bare.LoadXml(QStringLiteral("<FDT><DtmDevice/></FDT>")));
    EXPECT_FALSE(data->TakeMasterSlaveBus(bare));
    EXPECT_EQ(Bmcp(), merged);
}

// Nothing of a malformed set is read: it is traced and the default set takes its place.
TEST_F(BusMasterConfiguration, MalformedSetsAreReplacedByTheDefaultSet)
{
    const QString malformed[] = {
        QString(),                                    // no set at all
        QStringLiteral("0000"),                       // the placeholder
        QStringLiteral("00000"),                      // five characters
        kDefault34 + QLatin1Char('0'),                // odd
        WithAt(kDefault34, 5, QStringLiteral("ZZ")),  // no hex
        kDefault34.left(48),                          // shorter than the fixed parts
        WithAt(kDefault34, 33, QStringLiteral("7FFF")), // parameter data past the end
        WithAt(kDefault34, 33, QStringLiteral("FFFF")), // negative parameter data length
        WithAt(kDefault34, 33, QStringLiteral("0002")), // shorter than the fixed parameter data
        WithAt(kDefault34, 57, QStringLiteral("00FF")), // configuration data past the end
        WithAt(kDefault34, 57, QStringLiteral("0000")), // configuration data length without its own word
        kDefault34.left(56),                          // the configuration length cut off
    };
    for (const QString& bmcp : malformed) {
        Open(kGsdFile, QStringLiteral("0000"));
        EXPECT_TRUE(data->TakeMasterSlaveBus(*FrameDocument(bmcp))) << bmcp.toStdString();
        EXPECT_EQ(Bmcp(), kDefault34) << bmcp.toStdString();
        EXPECT_TRUE(traces.contains(QStringLiteral("Invalid bus master configuration part ("))) << bmcp.toStdString();
    }
    Open(kGsdFile);
    EXPECT_TRUE(data->TakeMasterSlaveBus(*FrameDocument(QString(), QStringLiteral("9"))));
    EXPECT_EQ(Bmcp(), kDefault34) << "a frame's bus data without a set";

    // The same for a stored set of five characters or more.
    Open(kGsdFile, WithAt(kDefault34, 33, QStringLiteral("7FFF")));
    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(Bmcp(), kDefault34);
    EXPECT_TRUE(traces.contains(QStringLiteral("Invalid bus master configuration part (parameter data of 32767 bytes "
                                               "run past the end), the default set replaces it: ")));
}

TEST_F(BusMasterConfiguration, WithoutAUsableGsdFileTheSetHasNoUserParameterData)
{
    const QString noUserData = QStringLiteral("001F") + QString(28, QLatin1Char('0')) + QStringLiteral("0009")
                               + QString(14, QLatin1Char('0')) + QStringLiteral("000200020002");
    Open(QString());
    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(Bmcp(), noUserData);
    EXPECT_TRUE(traces.contains(QStringLiteral("Unable to find Variable: &&private_Fennick&&GSDfile")));
    EXPECT_TRUE(traces.contains(QStringLiteral("Invalid GSD file :")));

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.gsd"));
    Open(missing);
    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(Bmcp(), noUserData);
    EXPECT_TRUE(traces.contains(QStringLiteral("Invalid GSD file :") + missing));
    EXPECT_TRUE(traces.contains(QStringLiteral("GSD file not found: ") + missing));
}

TEST(GsdUserParameterData, TheLengthKeywordSaysHowManyBytesCount)
{
    TraceCapture traces;
    const auto read = [](const char* text, int32_t& count) {
        gsd::GsdParser parser;
        EXPECT_TRUE(parser.LoadText(QStringLiteral("#Profibus_DP\n") + QString::fromLatin1(text))) << text;
        std::vector<uint8_t> bytes;
        clsDataManager::ReadGsdKeywordBytes(parser, QStringLiteral("USER_PRM_DATA_LEN"),
                                            QStringLiteral("USER_PRM_DATA"), count, bytes);
        return bytes;
    };
    int32_t count = -1;
    EXPECT_EQ(read("User_Prm_Data_Len = 2\nUser_Prm_Data = 1,2,3\n", count), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(count, 2) << "the length keyword, not the number of values";

    const struct {
        const char* text;
        const char* trace;
    } unusable[] = {
        {"User_Prm_Data = 1,2,3\n", "GSD file without USER_PRM_DATA_LEN"},
        {"User_Prm_Data_Len = 3\n", "GSD file: USER_PRM_DATA_LEN without USER_PRM_DATA"},
        {"User_Prm_Data_Len = 5\nUser_Prm_Data = 1,2,3\n", "GSD file: USER_PRM_DATA holds 3 bytes, USER_PRM_DATA_LEN says 5"},
        {"User_Prm_Data_Len = 3\nUser_Prm_Data = 1,300,3\n", "GSD file: USER_PRM_DATA holds 300, which is no byte"},
        {"User_Prm_Data_Len = 3\nUser_Prm_Data = 1,-1,3\n", "GSD file: USER_PRM_DATA holds -1, which is no byte"},
        {"User_Prm_Data_Len = 238\nUser_Prm_Data = 1\n", "GSD file: USER_PRM_DATA_LEN = 238 exceeds 237 bytes"},
        {"User_Prm_Data_Len = 0\nUser_Prm_Data = 1\n", ""},
    };
    for (const auto& c : unusable) {
        traces.clear();
        count = -1;
        EXPECT_TRUE(read(c.text, count).empty()) << c.text;
        EXPECT_EQ(count, 0) << c.text;
        if (*c.trace)
            EXPECT_TRUE(traces.contains(QString::fromLatin1(c.trace))) << c.text;
        else
            EXPECT_TRUE(traces.messages().isEmpty()) << "no user parameter data is no fault";
    }

    // A length that is no number (a keyword of no fixed kind).
    gsd::GsdParser parser;
    ASSERT_TRUE(parser.LoadText(QStringLiteral("#Profibus_DP\nLen = many\nData = 1,2\n")));
    std::vector<uint8_t> bytes;
    traces.clear();
    clsDataManager::ReadGsdKeywordBytes(parser, QStringLiteral("LEN"), QStringLiteral("DATA"), count, bytes);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(traces.contains(QStringLiteral("GSD file: LEN is no number: many")));

    QString hex;
    clsDataManager::ReadGsdUserPrmData(kGsdFile, hex, count);
    EXPECT_EQ(hex, QStringLiteral("800008"));
    EXPECT_EQ(count, 3);
}

// --- Datasets of the DTM ------------------------------------------------------------------------

// The PROFIBUS device type with the GSD file the installation ships.
class ShippedGsdDataset : public ProfibusDataset {
protected:
    void SetUp() override { StartDataset(kGsdFile); }
};

TEST_F(ShippedGsdDataset, TheSetFollowsTheGsdFileAndTheModuleConfiguration)
{
    EXPECT_EQ(Bmcp(), kDefault34) << "a new dataset has its default set at once";
    EXPECT_EQ(Data()->GetBusAddress(), QStringLiteral("126"));
    EXPECT_TRUE(Dtm()->GetParameters(QStringLiteral("FDT")).contains(kDefault34));

    // After the module configuration: the transmitter's five bytes and its parameter byte.
    PlaceTransmitter();
    Data()->UpdateBusMasterConfiguration();
    const QString configured = QStringLiteral("0028") + QString(28, QLatin1Char('0')) + QStringLiteral("000D")
                               + QString(14, QLatin1Char('0')) + QStringLiteral("80000800")
                               + QStringLiteral("000794949494A4") + QStringLiteral("00020002");
    EXPECT_EQ(Bmcp(), configured);

    // The frame's parameters bring a bus master's set and an address.
    QString document = Dtm()->GetParameters(QStringLiteral("FDT"));
    document.replace(configured, kStoredSet);
    document.replace(QStringLiteral("busAddress=\"126\""), QStringLiteral("busAddress=\"9\""));
    EXPECT_TRUE(Data()->IDtmParameterExt_SetParameters(QStringLiteral("FDT"), document));
    EXPECT_EQ(Bmcp(), QStringLiteral("002B") + kStoredFlags + QStringLiteral("000D") + kStoredFixed
                          + QStringLiteral("80000800") + QStringLiteral("000794949494A4") + kStoredTail);
    EXPECT_TRUE(Data()->GetDtmTitle().startsWith(QStringLiteral("[9] ")));

    // The set travels with the dataset.
    const QString saved = Bmcp();
    Reload();
    ASSERT_TRUE(frame->LoadInstance(kTag)) << frame->LastError().toStdString();
    EXPECT_EQ(Bmcp(), saved);
}

class HartDataset : public DtmTest {};

TEST_F(HartDataset, HasASlaveAddressAndNoSet)
{
    NewInstance();
    const auto data = Dtm()->DataManager();
    EXPECT_EQ(data->GetBusAddress(), QStringLiteral("0"));
    const QString before = data->DataCache()->Xml();
    data->UpdateBusMasterConfiguration();
    EXPECT_EQ(data->DataCache()->Xml(), before);
    EXPECT_FALSE(before.contains(QStringLiteral("MasterSlaveBus")));
}

} // namespace
