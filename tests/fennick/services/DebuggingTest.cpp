#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "tests/common/TraceCapture.h"
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace {
struct FakeDtm : Debugging::ISystemTagSource {
    QString tag;
    QString SystemTag() const override { return tag; }
};

QSettings traceSettings()
{
    return QSettings(Debugging::SettingsPath(), QSettings::IniFormat);
}
} // namespace

TEST(TraceLine, CarriesTitleLevelAndTheTagOnlyOnceADtmExists)
{
    TraceCapture trace;
    DataTypes::WriteTrace(3, "hello");
    FakeDtm dtm;
    Debugging::SetCurrentDtmObject(&dtm);
    DataTypes::WriteTrace(1, "no tag yet");
    dtm.tag = "TT-101";
    Debugging::TraceError("tagged");
    Debugging::SetCurrentDtmObject(nullptr);
    ASSERT_EQ(trace.lines().size(), 3);
    EXPECT_EQ(trace.lines()[0], "#TPT:  #A: Fennick  #L: 3  #M: hello");
    EXPECT_EQ(trace.lines()[1], "#TPT:  #A: Fennick  #L: 1  #M: []no tag yet");
    EXPECT_EQ(trace.lines()[2], "#TPT:  #A: Fennick  #L: 1  #M: [TT-101]tagged");
}

TEST(TraceLine, SwitchesGateEachEntryPointButNotWriteTrace)
{
    TraceCapture trace(false);
    Debugging::Switches() = {};
    Debugging::TraceError("e");
    Debugging::TraceInfo("i");
    Debugging::TraceDatabase("d");
    DataTypes::WriteTrace(2, "always");
    EXPECT_EQ(trace.messages(), QStringList{"always"});
    Debugging::Switches().InfoDB = -1;
    Debugging::TraceDatabase("d");
    EXPECT_EQ(trace.lines().last(), "#TPT:  #A: Fennick  #L: 4  #M: d");
    Debugging::Switches().Errors = -1;
    Debugging::TraceReadFailed("PV");
    EXPECT_EQ(trace.messages().last(), "Reading AppletItem >>PV<< failed!");
}

TEST(TraceSwitches, MissingOrInvalidValuesCountAsTheDefaultAndNothingIsWritten)
{
    {
        QSettings s = traceSettings();
        s.clear();
        s.setValue("TraceOptions/Info", "yes");
        s.setValue("TraceOptions/Errors", "1");
    }
    const QByteArray before = [] {
        QFile file(Debugging::SettingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ASSERT_FALSE(before.isEmpty());
    Debugging::ReadTraceOptions();
    EXPECT_EQ(Debugging::Switches().Info, 0);
    EXPECT_EQ(Debugging::Switches().Errors, -1);
    EXPECT_EQ(Debugging::Switches().InfoDB, 0);
    EXPECT_FALSE(Debugging::SequenceMonitorEnabled());
    {
        QFile file(Debugging::SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before) << "reading the switches writes nothing";
    }
    {
        QSettings s = traceSettings();
        EXPECT_EQ(s.value("TraceOptions/Info").toString(), "yes");
        EXPECT_FALSE(s.contains("TraceOptions/InfoDB"));
        s.setValue("TraceOptions/SequenceMoni", "1");
    }
    Debugging::ReadTraceOptions();
    EXPECT_TRUE(Debugging::SequenceMonitorEnabled());
    Debugging::SwitchTracesOff();
    EXPECT_EQ(Debugging::Switches().Errors, 0);
    EXPECT_TRUE(Debugging::SequenceMonitorEnabled()) << "the sequence monitor switch is kept";
    Debugging::Switches() = {};
}

TEST(HexDump, EightBytesPerLineWithoutTheLastSeparator)
{
    TraceCapture trace;
    Debugging::TraceHexDump(QByteArray(8, '\x0a'), "eight");
    ASSERT_EQ(trace.messages().size(), 2);
    EXPECT_EQ(trace.messages()[1].size(), 46);
    trace.clear();
    Debugging::TraceHexDump(QByteArray::fromHex("000102030405060708"), "nine");
    ASSERT_EQ(trace.messages().size(), 3);
    EXPECT_EQ(trace.messages()[1], "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, ");
    EXPECT_EQ(trace.messages()[2], "0x08");
    trace.clear();
    Debugging::TraceHexDump(QByteArray(), "none");
    EXPECT_EQ(trace.messages(), (QStringList{"none", " ... empty!"}));
}

TEST(ErrorReports, RuntimeErrorAndParserErrorLines)
{
    TraceCapture trace;
    Debugging::TraceRuntimeError(-2147467259, "Unspecified", "Src");
    EXPECT_EQ(trace.messages(), (QStringList{"Runtime error", "Number......:-2147467259/ 0x80004005",
                                             "Description.:Unspecified", "ErrSource...:Src"}));
    trace.clear();
    xml::XmlParseError err;
    err.errorCode = 0x4C;
    err.reason = "bad";
    err.srcText = QString(200, 'a');
    for (int i = 0; i < 200; ++i)
        err.srcText[i] = QChar('0' + i % 10);
    err.line = 3;
    err.linepos = 100;
    err.filepos = 250;
    Debugging::TraceXmlParseError("", err);
    QStringList m = trace.messages();
    ASSERT_EQ(m.size(), 7);
    EXPECT_EQ(m[0], "Parser error!");
    EXPECT_EQ(m[3], "Error code   : 0x4C");
    EXPECT_EQ(m[6], "Text part: " + err.srcText.mid(39, 120));
    trace.clear();
    err.linepos = 30;
    Debugging::TraceXmlParseError("dataset.xml", err);
    m = trace.messages();
    EXPECT_EQ(m[0], "Invalid XML file :dataset.xml");
    EXPECT_EQ(m[6], "Text part: " + err.srcText.left(120));
    trace.clear();
    err.linepos = 0;
    Debugging::TraceXmlParseError("x", err);
    EXPECT_EQ(trace.messages().size(), 6);
}

TEST(Conversions, HexTextsToDecimalAndBytes)
{
    TraceCapture trace;
    QString text = "0x1A2B";
    DataTypes::Convert_Long0xToXmlDec(text);
    EXPECT_EQ(text, "6699");
    text = "zz";
    DataTypes::Convert_Long0xToXmlDec(text);
    EXPECT_EQ(text, "zz");
    EXPECT_TRUE(trace.contains("Convert_Long0xToXmlDec: String/Long value invalid"));

    QString byte;
    EXPECT_TRUE(DataTypes::Convert_ByteOxToXML("10", byte));
    EXPECT_EQ(byte, "10");
    EXPECT_TRUE(DataTypes::Convert_ByteOxToXML("0xa", byte));
    EXPECT_EQ(byte, "0A");
    EXPECT_FALSE(DataTypes::Convert_ByteOxToXML("0x100", byte));
    EXPECT_TRUE(trace.contains("Convert_ByteOxToXML: String/Byte value exceeds limits"));
    EXPECT_FALSE(DataTypes::Convert_ByteOxToXML("", byte));
    EXPECT_TRUE(trace.contains("Convert_ByteOxToXML: String/Byte value invalid"));

    QStringList strings;
    EXPECT_TRUE(DataTypes::VariantArrayToStrings(QVariantList{1, "b", 2.5}, strings));
    EXPECT_EQ(strings, (QStringList{"1", "b", "2.5"}));
    EXPECT_FALSE(DataTypes::VariantArrayToStrings(QVariant(), strings));
    EXPECT_FALSE(DataTypes::VariantArrayToStrings(QVariant("text"), strings));
}
