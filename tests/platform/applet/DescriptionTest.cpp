#include "AppletTestSupport.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/clsFdtFileParser.h"
#include "platform/applet/clsTdxFileParser.h"
#include <QFile>
#include <QTemporaryDir>

using namespace applet;
using namespace applettest;

namespace {

const QString kDescriptions = QStringLiteral(TRIVEX_SOURCE_DIR "/descriptions/TDXDESC/");
const QString kTrivexTdx = kDescriptions + QStringLiteral("COM_HART/_0063/_0_0089/Trivex.tdx");
const QString kTrivexFdt = kDescriptions + QStringLiteral("COM_HART/_0063/_0_0089/Trivex.fdt");

std::shared_ptr<clsTdxFileParser> LoadTdx(const QString& path, int32_t kind, QString& error, int32_t& status)
{
    auto parser = std::make_shared<clsTdxFileParser>();
    parser->Load(kind, path, 1, error, status);
    return parser;
}

// A description with one object and one record, whose record body is varied.
QByteArray WithRecord(const QByteArray& objects, const QByteArray& layout)
{
    return R"(<?xml version="1.0"?>
<TdxDescription xmlns="urn:trivex:tdx-description:1" kind="device">
  <Header><Key name="DevDescLong" value="x"/></Header>
  <Objects>
)" + objects + R"(
  </Objects>
  <Records>
    <Record name="R" command="1" kind="read">
      <Response>
)" + layout + R"(
      </Response>
    </Record>
  </Records>
</TdxDescription>
)";
}

TEST(DescriptionTest, TheTrivexDescriptionLoadsAndAnswersTheParserOperations)
{
    QString error;
    int32_t status = -1;
    auto parser = LoadTdx(kTrivexTdx, kTdxKindDevice, error, status);
    ASSERT_EQ(status, 0) << error.toStdString();

    QString value;
    int32_t failed = -1;
    for (const char* key : {"DevDescLong", "Nickname", "Vendor", "VendorId", "InterfaceParent", "DeviceId", "HWRelease",
                            "SWRelease"}) {
        parser->fncReadKey(QString::fromLatin1(key), value, failed);
        EXPECT_EQ(failed, 0) << key;
    }
    parser->fncReadKey("InterfaceParent", value, failed);
    EXPECT_EQ(value, "COM_HART");
    parser->fncReadKey("AppletAccess", value, failed);
    EXPECT_NE(failed, 0) << "the device description names no communication server";

    int32_t count = 0;
    int32_t same = 0;
    parser->fncNumberOfEntries("SEQUENCE", count, failed);
    parser->fncNumberOfEntries("Sequence", same, failed);
    EXPECT_EQ(failed, 0);
    EXPECT_GE(count, 3);
    EXPECT_EQ(count, same);

    // Walk the sequences the way the sequence watch does.
    QStringList names;
    int32_t handle = 0;
    parser->fncGetFirstEntryHandle("sequence", handle, failed);
    for (int i = 0; i < count && failed == 0; ++i) {
        QString name;
        int32_t nameError = 0;
        parser->fncGetEntryName(handle, name, nameError);
        names << name;
        parser->fncGetNextEntryHandle(handle, failed);
    }
    EXPECT_EQ(failed, kParserNoMoreEntries);
    EXPECT_TRUE(names.contains("upload") && names.contains("download") && names.contains("GetDeviceInfo"));

    parser->fncGetEntryHandle("sequence", "upload", handle, failed);
    QString text;
    QStringList records;
    int32_t recordCount = 0;
    parser->fncGetSequenceRecords(handle, text, failed, records, recordCount);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(recordCount, records.size());
    EXPECT_EQ(records.front(), "Read_000");

    parser->fncGetEntryHandle("OBJECT", "PTRBSCALEIN0", handle, failed);
    ASSERT_EQ(failed, 0);
    int32_t type = -1;
    int32_t size = 0;
    QVariant defaultValue;
    QString enumeration;
    parser->fncGetObjectInfo(handle, text, type, size, defaultValue, enumeration, failed);
    EXPECT_EQ(type, 4) << "float";
    parser->fncGetEntryHandle("object", "ptrbLinType", handle, failed);
    parser->fncGetObjectInfo(handle, text, type, size, defaultValue, enumeration, failed);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(size, 8);
    parser->fncGetEntryHandle("enumeration", enumeration, handle, failed);
    QList<TdxEnumEntry> entries;
    parser->fncGetEnumEntries(handle, text, entries, failed);
    ASSERT_EQ(entries.size(), 8) << "the eight linearisation types, in the order of their enable mask";
    EXPECT_EQ(entries[2].value, 160);
    parser->fncGetObjectInfo(handle, text, type, size, defaultValue, enumeration, failed);
    EXPECT_EQ(failed, kParserBadHandle) << "an enumeration is no object";

    parser->fncGetFirstEntryHandle("menu", handle, failed);
    QString name, label, help, command;
    int32_t number = 0;
    parser->fncGetMenuEntry(handle, name, label, help, command, number, failed);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(command, "CONNECT");
    parser->fncNumberOfEntries("widget", count, failed);
    EXPECT_EQ(failed, kParserUnknownKind);

    auto manager = std::make_shared<clsAppletItemManager>(parser->GetDescription(), parser, std::weak_ptr<AppletHost>());
    QString mask;
    manager->GetStringValue(manager->HandleOf("&&ObjectLimit&&ptrbLinType"), mask, failed);
    EXPECT_EQ(mask, "1, 1, 1, 1, 1, 1, 1, 1");
}

TEST(DescriptionTest, ProtocolDescriptionsNameTheirServer)
{
    for (const char* file : {"COM_HART/_0016/_0_0000/HARTFDT12.tdx", "COM_DPV1/_0016/_0_0000/PB_FDT12.tdx"}) {
        QString error;
        int32_t status = -1;
        auto parser = LoadTdx(kDescriptions + QString::fromLatin1(file), kTdxKindProtocol, error, status);
        ASSERT_EQ(status, 0) << error.toStdString();
        QString progId;
        int32_t failed = -1;
        parser->fncReadKey("AppletAccess", progId, failed);
        EXPECT_EQ(failed, 0);
        EXPECT_TRUE(progId.startsWith("PioComm.")) << file;

        LoadTdx(kDescriptions + QString::fromLatin1(file), kTdxKindDevice, error, status);
        EXPECT_NE(status, 0) << "a protocol description is no device description";
    }
}

TEST(DescriptionTest, ADescriptionChangedOnDiskIsReadAgainAndARefusedOneIsNeverKept)
{
    // Descriptions are kept for the process; a file rewritten at once with
    // as many bytes must still be read again.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("changing.tdx"));
    const QByteArray fine = R"(<Object name="A" type="unsigned" size="8"/>)";
    const auto write = [&](const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    const auto nickname = [&](const QByteArray& name) {
        return WithRecord(fine, "").replace(R"(value="x")", R"(value=")" + name + R"(")");
    };
    const auto loaded = [&](QString& value) {
        QString error;
        int32_t status = -1;
        const auto parser = LoadTdx(path, kTdxKindDevice, error, status);
        int32_t failed = -1;
        if (status == 0)
            parser->fncReadKey(QStringLiteral("DevDescLong"), value, failed);
        return status;
    };
    QString value;
    write(nickname("first"));
    ASSERT_EQ(loaded(value), 0);
    EXPECT_EQ(value, "first");
    write(nickname("other"));
    ASSERT_EQ(loaded(value), 0);
    EXPECT_EQ(value, "other");
    write(WithRecord(R"(<Object name="A" type="number"/>)", ""));
    EXPECT_NE(loaded(value), 0);
    EXPECT_NE(loaded(value), 0) << "a refused file is refused again";
    write(nickname("again"));
    ASSERT_EQ(loaded(value), 0);
    EXPECT_EQ(value, "again");
}

TEST(DescriptionTest, RefusedFilesNameTheFileTheLineAndTheReason)
{
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QByteArray text;
        int line;
        const char* reason;
    };
    const QByteArray fine = R"(<Object name="A" type="unsigned" size="8"/>)";
    const std::vector<Case> cases{
        {"not well-formed", "<?xml version=\"1.0\"?>\n<TdxDescription kind=\"device\">\n<Header>", 3, ""},
        {"schema", WithRecord(R"(<Object name="A" type="number"/>)", ""), 5, "type"},
        {"unknown item", WithRecord(fine, R"(<Field item="B" encoding="uint8"/>)"), 10, "unknown object 'B'"},
        {"too narrow", WithRecord(fine, R"(<Field item="A" encoding="uint16"/>)"), 10, "8 bits"},
        {"bit field", WithRecord(fine, R"(<Field item="A" encoding="uint8" shift="6" mask="7"/>)"), 10, "Bit field"},
        {"twice", WithRecord(fine + "\n" + fine, ""), 6, "defined twice"},
        {"marker", WithRecord(R"(<Object name="&amp;&amp;Menu_State&amp;&amp;X" type="unsigned"/>)", ""), 5, "marker"},
        {"variable length", WithRecord(R"(<Object name="A" type="octets" size="2"/>)", R"(<Field item="A" encoding="octets"/>)"),
         10, "bytes"},
        {"default", WithRecord(R"(<Object name="A" type="unsigned" size="8" default="300"/>)", ""), 5, "default"},
        {"negative offset", WithRecord(fine, R"(<Field item="A" encoding="uint8" offset="-1"/>)"), 10, "offset"},
        {"huge octets", WithRecord(R"(<Object name="A" type="octets" size="2000000000"/>)", ""), 5, "size"},
        {"huge packed", WithRecord(R"(<Object name="A" type="packedAscii" size="2100000000"/>)", ""), 5, "size"},
        {"huge text", WithRecord(R"(<Object name="A" type="text" size="2000000000"/>)", ""), 5, "size"},
        {"long BCD", WithRecord(R"(<Object name="A" type="unsigned" size="32"/>)", R"(<Field item="A" encoding="bcd" bytes="9"/>)"),
         10, "BCD"},
        {"beyond the frame", WithRecord(R"(<Object name="A" type="octets" size="4"/>)",
                                        R"(<Field item="A" encoding="octets" bytes="4" offset="250"/>)"),
         10, "253"},
        {"octets cut", WithRecord(R"(<Object name="A" type="octets" size="6"/>)", R"(<Field item="A" encoding="octets" bytes="4"/>)"),
         10, "6 bytes"},
        {"marker in a record name", WithRecord(fine, "").replace(R"(name="R")", R"(name="R&amp;&amp;Record_State&amp;&amp;")"),
         8, "marker"},
        {"range upside down", WithRecord(R"(<Object name="A" type="float" min="5" max="1"/>)", ""), 5, "above max"},
        {"default out of range", WithRecord(R"(<Object name="A" type="float" default="9" min="0" max="5"/>)", ""), 5,
         "outside its range"},
        {"range of a text", WithRecord(R"(<Object name="A" type="text" size="4" min="0"/>)", ""), 5, "only numbers"},
        {"packed as octets", WithRecord(R"(<Object name="A" type="packedAscii" size="6"/>)",
                                        R"(<Field item="A" encoding="octets" bytes="3"/>)"),
         10, "6 bytes"},
    };
    for (const Case& c : cases) {
        const QString path = WriteFile(dir, QStringLiteral("case.tdx"), c.text);
        QString error;
        int32_t status = 0;
        auto parser = LoadTdx(path, kTdxKindDevice, error, status);
        EXPECT_EQ(status, kParserInvalidFile) << c.what;
        EXPECT_TRUE(error.startsWith(path + QStringLiteral("(%1)").arg(c.line))) << c.what << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.reason))) << c.what << ": " << error.toStdString();
        EXPECT_EQ(parser->GetDescription(), nullptr);
        int32_t count = 0;
        int32_t failed = 0;
        parser->fncNumberOfEntries("object", count, failed);
        EXPECT_EQ(failed, kParserNotLoaded);
    }
    QString error;
    int32_t status = 0;
    LoadTdx(dir.filePath("missing.tdx"), kTdxKindDevice, error, status);
    EXPECT_NE(status, 0);
    EXPECT_TRUE(error.contains("not found"));
}

TEST(DescriptionTest, AHugeDescriptionFileIsRefusedBeforeItIsRead)
{
    // The shipped descriptions grown to 300 MB by a hole at their end: read,
    // such a file would take gigabytes before the parser refused it.
    QTemporaryDir dir;
    const auto huge = [&](const QString& shipped, const QString& name) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(QFile::copy(shipped, path));
        QFile file(path);
        EXPECT_TRUE(file.resize(300LL * 1024 * 1024));
        return path;
    };
    const QString tdx = huge(kTrivexTdx, QStringLiteral("huge.tdx"));
    QString error;
    int32_t status = 0;
    const auto parser = LoadTdx(tdx, kTdxKindDevice, error, status);
    EXPECT_EQ(status, kParserInvalidFile);
    EXPECT_EQ(parser->GetDescription(), nullptr);
    EXPECT_EQ(error, tdx + QStringLiteral(": the file has 314572800 bytes, more than the 16777216 a description may have"));

    const QString fdt = huge(kTrivexFdt, QStringLiteral("huge.fdt"));
    clsFdtFileParser refused;
    EXPECT_THROW(refused.Load(fdt, error), automation::ComError);
    EXPECT_TRUE(error.startsWith(fdt + QStringLiteral(": the file has 314572800 bytes"))) << error.toStdString();
}

TEST(DescriptionTest, TheFdtFileListsApplicationsAndParameters)
{
    clsFdtFileParser parser;
    QString error;
    parser.Load(kTrivexFdt, error);
    EXPECT_TRUE(error.isEmpty());
    int32_t count = 0;
    parser.fncGetNumberOfApplications(0, count);
    EXPECT_EQ(count, 2);
    QString text, form;
    int32_t flags = 0;
    int32_t failed = -1;
    parser.fncGetApplication(1, text, form, flags, failed);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(form, "MdiMain");
    EXPECT_EQ(flags, 40);
    parser.fncGetApplication(2, text, form, flags, failed);
    EXPECT_EQ(failed, kParserBadIndex);

    parser.fncGetNumberOfEntries(kFdtEntryAppletItem, count);
    EXPECT_GT(count, 0);
    QString name;
    FdtAppletItemRecord record;
    parser.fncGetAppletItemEntry(0, name, record, failed);
    EXPECT_EQ(name, "tag");
    EXPECT_EQ(record.objectName, "_tagHart");
    parser.fncGetNumberOfEntries(kFdtEntryChannel, count);
    EXPECT_EQ(count, 5) << "the four process values and the loop current";
    QVariant entries;
    parser.fncGetChannelEntry(4, name, entries, failed);
    EXPECT_EQ(name, "LoopCurrent");
    EXPECT_EQ(entries.toStringList(), (QStringList{"loopCurrentValue", "loopCurrentSubstituteType"}));
    parser.fncGetNumberOfEntries(kFdtEntryModule, count);
    EXPECT_EQ(count, 1);

    // Every object the FDT file binds exists in the device description.
    QString tdxError;
    int32_t status = 0;
    auto tdx = LoadTdx(kTrivexTdx, kTdxKindDevice, tdxError, status);
    parser.fncGetNumberOfEntries(kFdtEntryAppletItem, count);
    for (int32_t i = 0; i < count; ++i) {
        parser.fncGetAppletItemEntry(i, name, record, failed);
        int32_t handle = 0;
        tdx->fncGetEntryHandle("object", record.objectName, handle, failed);
        EXPECT_EQ(failed, 0) << record.objectName.toStdString();
    }

    QTemporaryDir dir;
    // Fixed values must be what their variant type says.
    const char* badFixed[] = {
        R"(valueType="3" value="abc")", R"(valueType="17" value="300")", R"(valueType="2" value="-40000")",
        R"(valueType="16" value="128")", R"(valueType="19" value="-1")", R"(valueType="11" value="maybe")",
        R"(valueType="8" value="x" length="-1")",
    };
    for (const char* attributes : badFixed) {
        const QString path = WriteFile(dir, "fixed.fdt",
                                       QByteArray("<FdtDescription xmlns=\"urn:trivex:fdt-description:1\">\n<Parameters>\n"
                                                  "<FixedItem name=\"F\" typeCode=\"1\" ")
                                           + attributes + "/>\n</Parameters>\n</FdtDescription>");
        clsFdtFileParser fixed;
        EXPECT_THROW(fixed.Load(path, error), automation::ComError) << attributes;
        EXPECT_TRUE(error.startsWith(path + "(3)")) << attributes << ": " << error.toStdString();
    }
    const QString good = WriteFile(dir, "good.fdt",
                                   "<FdtDescription xmlns=\"urn:trivex:fdt-description:1\"><Parameters>"
                                   "<FixedItem name=\"F\" typeCode=\"1\" valueType=\"2\" value=\" -40 \"/>"
                                   "<FixedItem name=\"G\" typeCode=\"1\" valueType=\"11\" value=\"-1\"/>"
                                   "</Parameters></FdtDescription>");
    clsFdtFileParser fixed;
    fixed.Load(good, error);
    FdtFixedItemRecord fixedRecord;
    fixed.fncGetFixedItemEntry(0, name, fixedRecord, failed);
    EXPECT_EQ(fixedRecord.value, QVariant(-40));
    fixed.fncGetFixedItemEntry(1, name, fixedRecord, failed);
    EXPECT_EQ(fixedRecord.value, QVariant(true));

    const QString broken = WriteFile(dir, "broken.fdt",
                                     "<FdtDescription xmlns=\"urn:trivex:fdt-description:1\">\n<Applications>\n"
                                     "<Application text=\"x\" form=\"F\"/>\n</Applications>\n</FdtDescription>");
    clsFdtFileParser refused;
    EXPECT_THROW(refused.Load(broken, error), automation::ComError);
    EXPECT_TRUE(error.startsWith(broken + "(3)")) << error.toStdString();
    refused.fncGetNumberOfApplications(0, count);
    EXPECT_EQ(count, 0);
}

TEST(DescriptionTest, ParsersAndHostAreCreatedThroughTheClassRegistry)
{
    RegisterClasses();
    auto& registry = automation::ClassRegistry::instance();
    EXPECT_NE(registry.Create<TdxFileParser>(kTdxFileParserClassId), nullptr);
    EXPECT_NE(registry.Create<FdtFileParser>(kFdtFileParserClassId), nullptr);
    EXPECT_NE(registry.Create<AppletHost>(kAppletHostProgId), nullptr);
}

} // namespace
