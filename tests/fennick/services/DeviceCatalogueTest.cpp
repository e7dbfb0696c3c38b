#include "tests/fennick/services/RegistrationTestSupport.h"
#include "platform/crosscheck/CategoryManager.h"
#include "platform/crosscheck/ConsistencyChecker.h"

using namespace registration_test;

namespace {

using DeviceCatalogue = RegistrationTest;

// A category manager that refuses everything, for the failure paths.
struct RefusingCategoryManager : automation::ComObject, crosscheck::CategoryManager {
    void RegisterImplementedCategory(const QString&, const QString&) override { Refuse(); }
    void UnregisterImplementedCategory(const QString&, const QString&) override { Refuse(); }
    void RegisterCategory(const QString&, const QString&) override { Refuse(); }
    static void Refuse() { throw automation::ComError(automation::E_FAIL_, "store locked", "Test.CategoryManager"); }
};

void UseRefusingCategoryManager()
{
    automation::ClassRegistry::instance().Register(crosscheck::kCategoryManagerProgId,
                                                   crosscheck::kCategoryManagerClassId,
                                                   [] { return std::make_shared<RefusingCategoryManager>(); });
}

QStringList Attributes(const xml::XmlNode& element)
{
    QStringList list;
    for (const auto& [name, value] : element.Attributes())
        list.append(name + "=" + value);
    return list;
}

} // namespace

TEST_F(DeviceCatalogue, ARegistrationWritesTheEntryTheCatalogueVersionAndTheCategories)
{
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));

    const auto document = Catalogue();
    const xml::XmlNode root = document->DocumentElement();
    EXPECT_EQ(Attributes(root), (QStringList{"xmlns=x-schema:DTMInformationSchema.xml",
                                             "xmlns:fdt=x-schema:FDTDataTypesSchema.xml",
                                             "xmlns:appId=x-schema:FDTApplicationIdSchema.xml"}));
    EXPECT_EQ(Attributes(document->SelectSingleNode("FDT/DtmInfo/FDTVersion")), (QStringList{"major=1", "minor=2"}));
    EXPECT_EQ(Attributes(document->SelectSingleNode("FDT/DtmInfo/fdt:VersionInformation")),
              (QStringList{"name=Radedov IRU", "descriptor=ROV Aderave", "vendor=Korvel Automation",
                           "version=2.00.36", "date=2005-08-31"}));

    const xml::XmlNodeList entries = Entries();
    ASSERT_EQ(entries.size(), 1);
    const xml::XmlNode entry = entries[0];
    EXPECT_EQ(Attributes(entry), (QStringList{"manufacturerId=99", "deviceTypeId=137", "classificationId=flow"}));
    QStringList children;
    for (const xml::XmlNode& child : entry.ChildElements())
        children.append(child.Name());
    EXPECT_EQ(children, (QStringList{"fdt:VersionInformation", "fdt:SupportedLanguages", "fdt:BusCategories",
                                     "fdt:DTK_DDFiles"}));
    EXPECT_EQ(Attributes(entry.FirstChildElement("fdt:VersionInformation")),
              (QStringList{"name=Trivex HART", "vendor=Korvel Automation", "version=SW: 22, HW: 1",
                           "date=2024-05-15",
                           "descriptor=Trivex multivariable pressure and flow transmitter, HART"}));
    EXPECT_EQ(entry.SelectSingleNode("fdt:SupportedLanguages/fdt:LanguageId").Attribute("languageId"), "1033");
    EXPECT_EQ(entry.SelectSingleNode("fdt:BusCategories/fdt:BusCategory").Attribute("busCategory"), kCatHart);
    EXPECT_EQ(Attributes(entry.FirstChildElement("fdt:DTK_DDFiles")),
              (QStringList{"tdxFile=" + m_hartDir + "Trivex.tdx", "fdtFile=" + m_hartDir + "Trivex.fdt"}));

    EXPECT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatHart}));
    const automation::CategoryRegistry store(m_store);
    EXPECT_EQ(store.CategoryDescription(kCatHart), "FDT FIELDBUS Hart");
    EXPECT_EQ(store.CategoryDescription(kCatDpv0), "FDT FIELDBUS Profibus DPV0");
    EXPECT_EQ(store.CategoryDescription("036D1496-387B-11D4-86E1-00E0987270B9"), "");
    for (const QString& line : QStringList{"Registering DTM...", "New device type",
                                           "...........ProtocolCategory : " + kCatHart,
                                           "!!!Create Component categories ...!!!", "...........CATID_FDT_PROFIBUS_DPV1"})
        EXPECT_TRUE(Trace().contains(line)) << line.toStdString();
    // The report of a passed cross-check is not kept.
    EXPECT_FALSE(QFile::exists(m_report + "/CROSSCHECKERRORS.TXT"));
}

TEST_F(DeviceCatalogue, RegisteringAgainUpdatesInPlaceAndASecondDeviceTypeIsAppended)
{
    const QString second = DescribeSecondHart();
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(second, "Other")));
    QString again = RegisterLine(m_hartDir, "Trivex");
    again.replace("2024-05-15", "2025-01-31");
    ASSERT_TRUE(Deployment::ProcessCommandLine(again));
    EXPECT_TRUE(Trace().contains("Update for device type"));

    const xml::XmlNodeList entries = Entries();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].Attribute("deviceTypeId"), "137");
    EXPECT_EQ(entries[0].FirstChildElement("fdt:VersionInformation").Attribute("date"), "2025-01-31");
    EXPECT_EQ(entries[1].Attribute("deviceTypeId"), "166");
    EXPECT_EQ(entries[1].FirstChildElement("fdt:VersionInformation").Attribute("name"), "Other HART");
}

TEST_F(DeviceCatalogue, DuplicatesOfAnIdentityShrinkToOneAndTheVersionIsResetAtTheNextRegistration)
{
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    // Edited by hand: the entry twice, and another version of the catalogue.
    QString text = ReadText(CataloguePath());
    const qsizetype start = text.indexOf("<fdt:DtmDeviceType");
    const qsizetype end = text.indexOf("</fdt:DtmDeviceType>") + QString("</fdt:DtmDeviceType>").size();
    QString duplicate = text.mid(start, end - start);
    duplicate.replace("date=\"2024-05-15\"", "date=\"1999-01-01\"");
    text.insert(end, duplicate);
    text.replace("version=\"2.00.36\"", "version=\"9.99\"");
    WriteText(CataloguePath(), text);
    ASSERT_EQ(Entries().size(), 2);

    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    const xml::XmlNodeList entries = Entries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].FirstChildElement("fdt:VersionInformation").Attribute("date"), "2024-05-15");
    EXPECT_EQ(m_catalogue->SelectSingleNode("FDT/DtmInfo/fdt:VersionInformation").Attribute("version"), "2.00.36");
}

TEST_F(DeviceCatalogue, UnregisteringFollowsTheEntriesDownToTheLastOne)
{
    const QString second = DescribeSecondHart();
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(second, "Other")));

    ASSERT_TRUE(Deployment::ProcessCommandLine(UnregisterLine(second, "Other")));
    ASSERT_EQ(Entries().size(), 1);
    EXPECT_EQ(Entries()[0].Attribute("deviceTypeId"), "137");
    EXPECT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatHart}));

    ASSERT_TRUE(Deployment::ProcessCommandLine(UnregisterLine(m_hartDir, "Trivex")));
    EXPECT_FALSE(QFile::exists(CataloguePath()));
    EXPECT_TRUE(Categories().isEmpty());
    EXPECT_TRUE(Trace().contains(" .....CATID_FDT_DTM"));
}

TEST_F(DeviceCatalogue, ProfibusEntriesCarryTheirGsdAndKeepTheirCategoriesWhenTheHartOneGoes)
{
    const QString profibus = DescribeProfibus();
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(profibus, "TrivexPA", " GSD_FILE:TRVX.gsd")));
    EXPECT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatHart, kCatDpv0, kCatDpv1}));
    const xml::XmlNode entry = Entries()[1];
    EXPECT_EQ(entry.Attribute("deviceTypeInformation"), "#Profibus_DP\nVendor_Name = \"Korvel\"\n");
    EXPECT_EQ(entry.FirstChildElement("fdt:DTK_DDFiles").Attribute("gsdFile"), profibus + "TRVX.gsd");
    EXPECT_EQ(entry.SelectSingleNode("fdt:BusCategories/fdt:BusCategory").Attribute("busCategory"), kCatDpv1);

    ASSERT_TRUE(Deployment::ProcessCommandLine(UnregisterLine(m_hartDir, "Trivex")));
    EXPECT_EQ(Entries().size(), 1);
    EXPECT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatDpv0, kCatDpv1}));

    // A PROFIBUS device type without its GSD file is not registered.
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(profibus, "TrivexPA")));
    EXPECT_TRUE(Trace().contains("A PROFIBUS DPV1 device type needs its GSD file"));
    EXPECT_FALSE(QFile::exists(CataloguePath()));
}

TEST_F(DeviceCatalogue, EntriesWhoseFilesAreGoneDisappearAtAnyUnregistration)
{
    const QString second = DescribeSecondHart();
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(second, "Other")));
    ASSERT_TRUE(QFile::remove(second + "Other.tdx"));
    ASSERT_TRUE(Deployment::UnregisterDtm(QString()));
    const xml::XmlNodeList entries = Entries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].Attribute("deviceTypeId"), "137");
}

TEST_F(DeviceCatalogue, AnUnusableCatalogueKeepsItsRegistrationsAndCategories)
{
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    const QString broken = ReadText(CataloguePath()).replace("</FDT>", "");
    WriteText(CataloguePath(), broken);

    EXPECT_FALSE(Deployment::ProcessCommandLine(UnregisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("Invalid XML file :DEVICECATALOGUE.XML"));
    EXPECT_TRUE(Trace().contains("the component categories are kept"));
    EXPECT_EQ(ReadText(CataloguePath()), broken);
    EXPECT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatHart}));

    // Nor does a registration touch it.
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("Device catalogue corrupt"));
    EXPECT_EQ(ReadText(CataloguePath()), broken);

    // Well-formed, but without its device types.
    WriteText(CataloguePath(), "<FDT><DtmInfo/></FDT>");
    EXPECT_FALSE(Deployment::UnregisterDtm(QString()));
    EXPECT_TRUE(Trace().contains("Device catalogue failure: Element DtmDeviceTypes not found!"));
    EXPECT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatHart}));

    // An empty list of device types before the one that holds the entry: the
    // registration and the unregistration refuse it and say why, and the
    // file stays as it was.
    ASSERT_TRUE(QFile::remove(CataloguePath()));
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    const QString twoLists = ReadText(CataloguePath()).replace("<DtmDeviceTypes>", "<DtmDeviceTypes/><DtmDeviceTypes>");
    ASSERT_TRUE(twoLists.contains("<DtmDeviceTypes/><DtmDeviceTypes>"));
    WriteText(CataloguePath(), twoLists);
    const QString why = "it holds 2 elements DtmDeviceTypes where one is allowed";
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Deployment::Failures().join('\n').contains("Device catalogue corrupt: " + CataloguePath() + ": " + why))
        << Deployment::Failures().join('\n').toStdString();
    EXPECT_FALSE(Deployment::ProcessCommandLine(UnregisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Deployment::Failures().join('\n').contains("Device catalogue unusable: " + CataloguePath() + ": " + why))
        << Deployment::Failures().join('\n').toStdString();
    EXPECT_EQ(ReadText(CataloguePath()), twoLists);
    EXPECT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatHart}));
}

TEST_F(DeviceCatalogue, CategoriesAreRegisteredOnlyForACatalogueThatWasValidatedAndWritten)
{
    // A catalogue that the schema refuses once the entry is in: nothing is written.
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    ASSERT_TRUE(Deployment::UnregisterDtm(m_hartDir + "Trivex.fdt"));
    const QString invalid = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                            "<FDT xmlns=\"x-schema:DTMInformationSchema.xml\" xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\">"
                            "<DtmInfo><FDTVersion major=\"one\" minor=\"2\"/><DtmDeviceTypes/></DtmInfo></FDT>";
    WriteText(CataloguePath(), invalid);
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("Invalid XML file :Registration data"));
    EXPECT_EQ(ReadText(CataloguePath()), invalid);
    EXPECT_TRUE(Categories().isEmpty());

    // A folder in the catalogue's place is named and kept: no categories either.
    ASSERT_TRUE(QFile::remove(CataloguePath()));
    ASSERT_TRUE(QDir().mkpath(CataloguePath()));
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("Device catalogue corrupt: " + CataloguePath() + ": Unable to open the file "
                                 + CataloguePath() + ": is a folder"));
    EXPECT_TRUE(QFileInfo(CataloguePath()).isDir());
    EXPECT_TRUE(Categories().isEmpty());
}

TEST_F(DeviceCatalogue, CategoryManagerFailuresAreReportedAndTheRegistrationEntersNothing)
{
    UseRefusingCategoryManager();
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("DTM_Register_Category"));
    EXPECT_TRUE(Trace().contains("ErrSource...:Test.CategoryManager"));
    EXPECT_FALSE(QFile::exists(CataloguePath()));

    automation::ClassRegistry::instance().Unregister(crosscheck::kCategoryManagerProgId);
    EXPECT_FALSE(Deployment::ProcessCommandLine(UnregisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("Unable to to load Category manager"));
    EXPECT_FALSE(QFile::exists(CataloguePath()));
}

TEST_F(DeviceCatalogue, AFailedCrossCheckKeepsItsReportAndRegistersNothing)
{
    QString fdt = ReadText(m_hartDir + "Trivex.fdt");
    fdt.replace("object=\"pbDescriptor\"", "object=\"pbDescriptorX\"");
    WriteText(m_hartDir + "Trivex.fdt", fdt);

    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("Cross check failed see CROSSCHECKERRORS.TXT for details."));
    EXPECT_EQ(ReadText(m_report + "/CROSSCHECKERRORS.TXT"),
              "FDT parameter >>descriptor<<: object >>pbDescriptorX<< not found in the TDX file\n"
              "1 inconsistency found.\n");
    EXPECT_FALSE(QFile::exists(CataloguePath()));
    EXPECT_TRUE(Categories().isEmpty());
}

TEST_F(DeviceCatalogue, DescriptionFilesThatDoNotLoadOrCheckStopTheRegistration)
{
    std::shared_ptr<applet::TdxFileParser> tdx;
    WriteText(m_hartDir + "Broken.tdx", "<TdxDescription");
    EXPECT_FALSE(Deployment::CrossCheckFiles(tdx, m_hartDir + "Broken.tdx", m_hartDir + "Trivex.fdt"));
    EXPECT_TRUE(Trace().contains("Invalid TDX file: "));

    WriteText(m_hartDir + "Broken.fdt", "<FdtDescription><Parameters>");
    EXPECT_FALSE(Deployment::CrossCheckFiles(tdx, m_hartDir + "Trivex.tdx", m_hartDir + "Broken.fdt"));
    EXPECT_TRUE(Trace().contains("Fdt file: " + m_hartDir + "Broken.fdt"));

    EXPECT_FALSE(Deployment::CrossCheckFiles(tdx, QString(), m_hartDir + "Trivex.fdt"));

    automation::ClassRegistry::instance().Unregister(crosscheck::kConsistencyCheckerProgId);
    EXPECT_FALSE(Deployment::CrossCheckFiles(tdx, m_hartDir + "Trivex.tdx", m_hartDir + "Trivex.fdt"));
    EXPECT_TRUE(Trace().contains("ErrSource...:ClassRegistry Unable to load Cross checker!"));
    EXPECT_FALSE(QFile::exists(m_report + "/CROSSCHECKERRORS.TXT"));
}

TEST_F(DeviceCatalogue, DeviceFactsComeFromTheHeaderKeysWithStandInsForMissingOnes)
{
    struct HeaderOnly : applet::TdxFileParser {
        std::map<QString, QString> keys;
        void Load(int32_t, const QString&, int32_t, QString&, int32_t& status) override { status = 0; }
        void fncReadKey(const QString& key, QString& value, int32_t& failed) override
        {
            const auto it = keys.find(key);
            failed = it == keys.end() ? 1 : 0;
            value = it == keys.end() ? QString() : it->second;
        }
    } parser;
    parser.keys = {{"VendorId", "0x1A"}, {"DeviceId", "0Xff"}, {"InterfaceParent", "com_dpv1"}, {"SWRelease", "3"}};
    Deployment::DeviceInfo info;
    EXPECT_EQ(Deployment::ReadDeviceInfo(parser, info), 1);
    EXPECT_EQ(info.manufacturerId, "26");
    EXPECT_EQ(info.deviceTypeId, "255");
    EXPECT_EQ(info.busCategory, kCatDpv1);
    EXPECT_EQ(info.name, " -/- ");
    EXPECT_EQ(info.vendor, " -/- ");
    EXPECT_EQ(info.descriptor, " -/- ");
    EXPECT_EQ(info.version, "SW: 3");

    parser.keys = {{"DevDescLong", "d"}, {"Nickname", "n"}, {"Vendor", "v"}, {"VendorId", "63"},
                   {"InterfaceParent", "COM_FF"}, {"DeviceId", "1"}, {"HWRelease", "2"}, {"SWRelease", "3"}};
    EXPECT_EQ(Deployment::ReadDeviceInfo(parser, info), 1);
    EXPECT_EQ(info.busCategory, "");
    EXPECT_EQ(info.manufacturerId, "99");
    EXPECT_EQ(info.version, "SW: 3, HW: 2");
    parser.keys["InterfaceParent"] = "COM_HART";
    EXPECT_EQ(Deployment::ReadDeviceInfo(parser, info), 0);
    EXPECT_EQ(info.busCategory, kCatHart);

    // A registration stops at incomplete facts.
    WriteText(m_hartDir + "Trivex.tdx",
              ReadText(m_hartDir + "Trivex.tdx").replace("<Key name=\"Vendor\" value=\"Korvel Automation\"/>", ""));
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Trace().contains("Insufficient TDX file contents"));
    EXPECT_FALSE(QFile::exists(CataloguePath()));
}

TEST_F(DeviceCatalogue, TheQueryOfAnIdentityNamesItsNonEmptyValues)
{
    EXPECT_EQ(Deployment::BuildDeviceTypeQuery(" 99", "165 ", "flow"),
              "//DtmDeviceTypes/fdt:DtmDeviceType[@manufacturerId=\"99\" and @deviceTypeId=\"165\" and "
              "@classificationId=\"flow\"]");
    EXPECT_EQ(Deployment::BuildDeviceTypeQuery("99", "", "flow"),
              "//DtmDeviceTypes/fdt:DtmDeviceType[@manufacturerId=\"99\" and @classificationId=\"flow\"]");
}
