// The applet host's dataset files: a saved file gives every kept value back,
// a file of another device type, a malformed, schema-invalid or oversized
// file and one whose values do not fit their items are refused with a
// message and change nothing, and a file that cannot be written fails with a
// message and leaves the file name as it was. A German user chooses and is
// told in German.
#include "AppletTestSupport.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/DatasetFile.h"
#include "platform/applet/clsAppletHost.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include <QDir>

using namespace applet;
using namespace applettest;

namespace {

QByteArray Description()
{
    QByteArray text = tdxtest::DeviceDescription("Range device", R"(  <Enumerations>
    <Enumeration name="Units" text="Pressure units">
      <Entry value="7" text="bar"/>
      <Entry value="8" text="mbar"/>
    </Enumeration>
  </Enumerations>
  <Objects>
    <Object name="&amp;&amp;private&amp;&amp;Dirty" type="boolean" scope="applet"/>
)" + tdxtest::kAppletHostObjects + R"(    <Object name="Tag" type="packedAscii" size="6"/>
    <Object name="Label" type="text" size="32"/>
    <Object name="Unit" type="enumerated" size="8" enumeration="Units" default="7"/>
    <Object name="Upper" type="float" default="50" min="-100" max="100"/>
    <Object name="Current" type="float" default="3.6" min="3.6" max="3.8"/>
    <Object name="Counter" type="unsigned" size="16" max="1000"/>
    <Object name="Offset" type="int" size="16"/>
    <Object name="Raw" type="octets" size="4"/>
    <Object name="Date" type="hartDate"/>
    <Object name="Flag" type="boolean"/>
    <Object name="Working" type="text" scope="applet"/>
  </Objects>
)");
    text.replace(R"(<Key name="DeviceId" value="0xA5"/>)", R"(<Key name="DeviceId" value="0xA5"/>
    <Key name="InterfaceParent" value="COM_HART"/>
    <Key name="SWRelease" value="7"/>
    <Key name="HWRelease" value="2"/>)");
    return text;
}

// A file of our own format around the given values, for the device type given.
QByteArray DatasetText(const QByteArray& values, const QByteArray& deviceId = "0xA5",
                       const QByteArray& interfaceName = "COM_HART")
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<TrivexDataset xmlns="urn:trivex:dataset:1" version="1">
  <DeviceType interface=")"
           + interfaceName + R"(" vendorId="0x3F" deviceId=")" + deviceId + R"("/>
  <Description softwareRevision="7"/>
)" + values + "</TrivexDataset>\n";
}

const QByteArray kFittingValues = R"(  <Value name="Upper" type="float">12.5</Value>
  <Value name="Counter" type="unsigned">3</Value>
)";

class DatasetFiles : public ::testing::Test {
protected:
    DatasetFiles()
    {
        dialogService.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
        host = std::shared_ptr<clsAppletHost>(new clsAppletHost);
        int32_t code = -1;
        host->fncInit(WriteFile(dir, "range.tdx", Description()), QString(), QString(), code);
        EXPECT_EQ(code, 0);
        host->GetItemManager(manager);
    }
    ~DatasetFiles() override
    {
        std::shared_ptr<AppletHost> ref = host;
        int32_t result = 0;
        host->DestroyApplet(ref, result);
        Pump();
    }

    void Put(const char* name, const QString& text)
    {
        int32_t failed = 0;
        manager->fncPutString(manager->HandleOf(QLatin1String(name)), text, failed);
        ASSERT_EQ(failed, 0) << name;
    }
    QString Text(const char* name) const
    {
        const AppletItem* item = manager->Item(manager->HandleOf(QLatin1String(name)));
        return ItemValue::ToText(item->Type(), item->Value());
    }
    // Every item's value (or the kept ones only), to tell that nothing changed.
    QStringList Snapshot(bool keptOnly = false) const
    {
        QStringList values;
        for (int32_t handle = 1; handle <= manager->ItemCount(); ++handle) {
            const AppletItem* item = manager->Item(handle);
            if (keptOnly && !item->IsPersistent())
                continue;
            values << item->Name() + QLatin1Char('=') + ItemValue::ToText(item->Type(), item->Value());
        }
        return values;
    }
    void SetEveryValue()
    {
        Put("Tag", QStringLiteral("FT 7"));
        Put("Label", QStringLiteral("  <north> & \"south\"  "));
        Put("Unit", QStringLiteral("8"));
        Put("Upper", QStringLiteral("-99.75"));
        Put("Current", QStringLiteral("3.6"));
        Put("Counter", QStringLiteral("1000"));
        Put("Offset", QStringLiteral("-12"));
        Put("Raw", QStringLiteral("0A 1B 00 FF"));
        Put("Date", QStringLiteral("2023-12-24"));
        Put("Flag", QStringLiteral("1"));
    }
    // The user chooses path; refused: the host is expected to tell of a refused file.
    int32_t Save(const QString& path, bool refused = false) { return Run(true, path, refused); }
    int32_t Load(const QString& path, bool refused = false) { return Run(false, path, refused); }
    int32_t Run(bool save, const QString& path, bool refused)
    {
        save ? dialogService.AnswerSaveFile(path) : dialogService.AnswerOpenFile(path);
        if (refused)
            dialogService.AnswerMessage(dialogs::DialogResult::Ok);
        int32_t result = -1;
        save ? host->SaveDatasetAs(result) : host->LoadDataset(result);
        return result;
    }
    // The text of the last message box.
    QString LastMessage() const
    {
        for (auto it = dialogService.Requests().rbegin(); it != dialogService.Requests().rend(); ++it)
            if (it->kind == dialogs::DialogKind::Message)
                return it->text;
        return QString();
    }

    QTemporaryDir dir;
    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService scope{dialogService};
    std::shared_ptr<clsAppletHost> host;
    std::shared_ptr<clsAppletItemManager> manager;
};

TEST_F(DatasetFiles, ASavedFileGivesBackEveryKeptValue)
{
    SetEveryValue();
    const QStringList saved = Snapshot(true);
    const QString file = dir.filePath(QStringLiteral("set.tds"));
    ASSERT_EQ(Save(file), 0);
    EXPECT_EQ(Text("&&private_PM&&FileName"), file);

    DatasetFile::Contents contents;
    QString error;
    ASSERT_TRUE(DatasetFile::Read(file, contents, error)) << error.toStdString();
    EXPECT_EQ(contents.deviceType.interfaceName, QStringLiteral("COM_HART"));
    EXPECT_EQ(contents.deviceType.vendorId, QStringLiteral("0x3F"));
    EXPECT_EQ(contents.deviceType.deviceId, QStringLiteral("0xA5"));
    EXPECT_EQ(contents.softwareRevision, QStringLiteral("7"));
    EXPECT_EQ(contents.hardwareRevision, QStringLiteral("2"));
    QStringList names;
    for (const DatasetFile::Value& value : contents.values)
        names << value.name;
    EXPECT_EQ(names, QStringList({"Tag", "Label", "Unit", "Upper", "Current", "Counter", "Offset", "Raw", "Date",
                                  "Flag"}))
        << "the kept values only, not the applet's working items";

    Put("Tag", QStringLiteral("X"));
    Put("Label", QString());
    Put("Unit", QStringLiteral("7"));
    Put("Upper", QStringLiteral("1"));
    Put("Current", QStringLiteral("3.8"));
    Put("Counter", QStringLiteral("0"));
    Put("Offset", QStringLiteral("0"));
    Put("Raw", QStringLiteral("00 00 00 00"));
    Put("Flag", QStringLiteral("0"));
    Put("&&private_PM&&FileName", QString());
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(Snapshot(true), saved);
    EXPECT_EQ(Text("&&private_PM&&FileName"), file);
    EXPECT_EQ(Text("&&private&&Dirty"), QStringLiteral("1")) << "not yet in the instance-data store";
    EXPECT_TRUE(dialogService.Errors().isEmpty());
    EXPECT_EQ(LastMessage(), QString()) << "nothing to tell";

    // The next dialog opens where the last file is.
    ASSERT_EQ(Save(dir.filePath(QStringLiteral("copy.tds"))), 0);
    EXPECT_EQ(dialogService.Requests().back().folder, QFileInfo(file).absolutePath());
    EXPECT_EQ(dialogService.Requests().back().defaultName, QStringLiteral("set.tds"));

    // A name typed without an extension gets the dataset's.
    ASSERT_EQ(Save(dir.filePath(QStringLiteral("plain"))), 0);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("plain.tds"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("plain"))));
}

TEST_F(DatasetFiles, SavingReplacesAnOldFileAndLeavesNoTemporaryFile)
{
    const QString file = WriteFile(dir, QStringLiteral("old.tds"), "old content");
    Put("Upper", QStringLiteral("42"));
    ASSERT_EQ(Save(file), 0);
    DatasetFile::Contents contents;
    QString error;
    ASSERT_TRUE(DatasetFile::Read(file, contents, error)) << error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"old.tds", "range.tdx"}));
}

TEST_F(DatasetFiles, LoadRefusesEveryFileThatDoesNotFitAndChangesNothing)
{
    struct BadFile {
        const char* kind;
        QByteArray text;
        const char* reason; // part of the message
    };
    const BadFile files[] = {
        {"another device type", DatasetText(kFittingValues, "0xA6"), "device type COM_HART 0x3F/0xA6"},
        {"another bus", DatasetText(kFittingValues, "0xA5", "COM_DPV1"), "device type COM_DPV1"},
        {"malformed XML", DatasetText(kFittingValues).replace("</TrivexDataset>", "</Dataset>"), "well-formed"},
        {"not XML at all", QByteArray("\x00\x01 binary", 9), "well-formed"},
        {"another document", R"(<PropertyBag xmlns="urn:trivex:property-bag:1" version="1"/>)", "not a dataset file"},
        {"an unknown element", DatasetText(kFittingValues + "  <Extra/>\n"), "schema"},
        {"a value without a type",
         DatasetText(R"(  <Value name="Upper">1</Value>
)"),
         "schema"},
        {"a value given twice", DatasetText(kFittingValues + kFittingValues), "schema"},
        {"a value given twice in other capitals",
         DatasetText(kFittingValues + R"(  <Value name="UPPER" type="float">2</Value>
)"),
         "given twice"},
        {"no device type", R"(<TrivexDataset xmlns="urn:trivex:dataset:1" version="1"/>)", "schema"},
        {"a document type with entities",
         R"(<?xml version="1.0"?><!DOCTYPE TrivexDataset [<!ENTITY a "aaaaaaaaaa">]>)" + DatasetText(kFittingValues).mid(39),
         "document type"},
        {"a value above its range",
         DatasetText(R"(  <Value name="Counter" type="unsigned">3</Value>
  <Value name="Upper" type="float">100.5</Value>
)"),
         "outside its range"},
        {"a value below its range",
         DatasetText(R"(  <Value name="Current" type="float">3.5</Value>
)"),
         "outside its range"},
        {"a whole number above its range",
         DatasetText(R"(  <Value name="Counter" type="unsigned">1001</Value>
)"),
         "outside its range"},
        {"a value too large for its item",
         DatasetText(R"(  <Value name="Offset" type="int">40000</Value>
)"),
         "does not fit"},
        {"a value that is no number",
         DatasetText(R"(  <Value name="Upper" type="float">twelve</Value>
)"),
         "does not fit"},
        {"a value of another type",
         DatasetText(R"(  <Value name="Upper" type="text">12</Value>
)"),
         "stored as text"},
        {"a file too large", DatasetText(QByteArray(DatasetFile::kMaxFileSize, ' ')), "more than"},
    };
    SetEveryValue();
    Put("&&private&&Dirty", QStringLiteral("0"));
    const QStringList before = Snapshot();
    for (const BadFile& bad : files) {
        SCOPED_TRACE(bad.kind);
        const QString path = WriteFile(dir, QStringLiteral("bad.tds"), bad.text);
        TraceSilencer traces;
        EXPECT_EQ(Load(path, true), kResultFileError);
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(LastMessage().contains(QStringLiteral("not loaded"))) << LastMessage().toStdString();
        EXPECT_TRUE(LastMessage().contains(QLatin1String(bad.reason))) << LastMessage().toStdString();
        EXPECT_TRUE(LastMessage().contains(path));
        EXPECT_FALSE(traces.errors.isEmpty());
    }
    EXPECT_EQ(dialogService.PendingAnswers(), 0);
    EXPECT_TRUE(dialogService.Errors().isEmpty());

    // A missing file is told as well.
    TraceSilencer traces;
    EXPECT_EQ(Load(dir.filePath(QStringLiteral("missing.tds")), true), kResultFileError);
    EXPECT_TRUE(LastMessage().contains(QStringLiteral("cannot be opened")));
}

TEST_F(DatasetFiles, ValuesTheAppletDoesNotKeepAreSkippedAndTheOthersLoaded)
{
    const QString path = WriteFile(dir, QStringLiteral("newer.tds"), DatasetText(kFittingValues + R"(
  <Value name="ItemOfANewerRevision" type="float">1</Value>
  <Value name="Working" type="text">applet item</Value>
)"));
    Put("Working", QStringLiteral("mine"));
    EXPECT_EQ(Load(path), 0);
    EXPECT_EQ(Text("Upper"), QStringLiteral("12.5"));
    EXPECT_EQ(Text("Counter"), QStringLiteral("3"));
    EXPECT_EQ(Text("Working"), QStringLiteral("mine"));
}

TEST_F(DatasetFiles, AFileThatCannotBeWrittenFailsWithAMessageAndKeepsTheFileName)
{
    const QString good = dir.filePath(QStringLiteral("good.tds"));
    ASSERT_EQ(Save(good), 0);
    const QString notAFolder = WriteFile(dir, QStringLiteral("plain"), "a file, not a folder");
    const QString paths[] = {
        dir.filePath(QString(300, QLatin1Char('n')) + QStringLiteral(".tds")),   // a name too long
        dir.filePath(QStringLiteral("a/") + QString(5000, QLatin1Char('p'))),    // a path too long
        notAFolder + QStringLiteral("/set.tds"),                                  // a folder that cannot be
        dir.filePath(QStringLiteral("missing/set.tds")),
    };
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString& path : paths) {
        SCOPED_TRACE(path.left(80).toStdString());
        TraceSilencer traces;
        EXPECT_EQ(Save(path, true), kResultFileError);
        EXPECT_TRUE(LastMessage().contains(QStringLiteral("not saved"))) << LastMessage().toStdString();
        EXPECT_FALSE(traces.errors.isEmpty());
        EXPECT_EQ(Text("&&private_PM&&FileName"), good);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

    // A text a file cannot hold is named, and nothing is written.
    Put("Label", QStringLiteral("bell\x07"));
    TraceSilencer traces;
    EXPECT_EQ(Save(dir.filePath(QStringLiteral("bell.tds")), true), kResultFileError);
    EXPECT_TRUE(LastMessage().contains(QStringLiteral("Label"))) << LastMessage().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("bell.tds"))));
    EXPECT_TRUE(dialogService.Errors().isEmpty());
}

TEST_F(DatasetFiles, AGermanUserChoosesTheFilesAndIsToldInGerman)
{
    Put("&&private&&countrycode", QStringLiteral("49"));
    const QString good = dir.filePath(QStringLiteral("gut.tds"));
    ASSERT_EQ(Save(good), 0);
    ASSERT_EQ(Load(good), 0);
    TraceSilencer traces;
    EXPECT_EQ(Load(WriteFile(dir, QStringLiteral("kaputt.tds"), "<TrivexDataset"), true), kResultFileError);
    const auto& requests = dialogService.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].kind, dialogs::DialogKind::FileSave);
    EXPECT_EQ(requests[0].title, QStringLiteral("Datensatz speichern unter"));
    EXPECT_EQ(requests[0].filter, QStringLiteral("Trivex-Datensatz (*.tds);;Alle Dateien (*)"));
    EXPECT_EQ(requests[1].kind, dialogs::DialogKind::FileOpen);
    EXPECT_EQ(requests[1].title, QStringLiteral("Datensatz laden"));
    EXPECT_EQ(requests[1].filter, requests[0].filter);
    EXPECT_TRUE(LastMessage().startsWith(QStringLiteral("Der Datensatz wurde nicht aus der Datei geladen")))
        << LastMessage().toStdString();
    EXPECT_TRUE(dialogService.Errors().isEmpty());
}

TEST_F(DatasetFiles, ACancelledChoiceDoesNothingAndTellsNothing)
{
    const QStringList before = Snapshot();
    EXPECT_EQ(Load(QString()), kResultCancelled);
    EXPECT_EQ(Save(QString()), kResultCancelled);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(LastMessage(), QString());
    EXPECT_TRUE(dialogService.Errors().isEmpty());
}

} // namespace
