// The GSD file parser on the shipped file, on the syntax it accepts and on
// files it must refuse.
#include "platform/gsd/GsdParser.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using gsd::GsdKeyword;
using gsd::GsdParser;

std::vector<int64_t> Numbers(std::initializer_list<int64_t> values)
{
    return std::vector<int64_t>(values);
}

QString ShippedText()
{
    QFile file(QStringLiteral(TRIVEX_GSD_FILE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromLatin1(file.readAll());
}

TEST(GsdParser, ShippedFileGivesItsKeywordsAndModules)
{
    GsdParser parser;
    int32_t failed = -1;
    parser.Load(QStringLiteral(TRIVEX_GSD_FILE), failed);
    ASSERT_EQ(failed, 0) << parser.ErrorText().toStdString();
    EXPECT_TRUE(parser.IsLoaded());
    EXPECT_TRUE(parser.ErrorText().isEmpty());

    // Names without regard to case; hex and decimal numbers; lists continued over lines.
    const auto ident = parser.Keyword(QStringLiteral("IDENT_NUMBER"));
    ASSERT_TRUE(ident);
    bool ok = false;
    EXPECT_EQ(ident->NumericValue(&ok), 0xA6);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ident->Name(), QStringLiteral("Ident_Number"));
    EXPECT_EQ(parser.Keyword(QStringLiteral("user_prm_data_len"))->NumericValue(), 3);
    const auto data = parser.Keyword(QStringLiteral("User_Prm_Data"));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->Values(), Numbers({0x80, 0x00, 0x08}));
    data->NumericValue(&ok);
    EXPECT_FALSE(ok) << "a list of three is no single number";

    // Texts lose their quotes; tokens stay as written and are no numbers.
    EXPECT_EQ(parser.Keyword(QStringLiteral("Vendor_Name"))->Text(), QStringLiteral("Korvel Automation"));
    EXPECT_EQ(parser.Keyword(QStringLiteral("Vendor_Name"))->ValueKind(), GsdKeyword::Kind::Text);
    const auto family = parser.Keyword(QStringLiteral("Slave_Family"));
    EXPECT_EQ(family->Text(), QStringLiteral("12@TdF@Trivex"));
    EXPECT_FALSE(family->IsNumeric());
    EXPECT_TRUE(family->Values().empty());
    EXPECT_EQ(parser.Keyword(QStringLiteral("MaxTsdr_1.5M"))->NumericValue(), 150);
    EXPECT_EQ(parser.Keyword(QStringLiteral("Unit_Diag_Bit( 17 )"))->Text(), QStringLiteral("Electronics failure"));
    EXPECT_EQ(parser.Keyword(QStringLiteral("Protocol_Ident"))->NumericValue(), 0) << "a comment follows the value";

    // Text and parameter-definition blocks are passed over; module keywords stay in their module.
    EXPECT_FALSE(parser.Keyword(QStringLiteral("Text(0)")));
    EXPECT_FALSE(parser.Keyword(QStringLiteral("Prm_Text_Ref")));
    EXPECT_FALSE(parser.Keyword(QStringLiteral("Ext_Module_Prm_Data_Len")));
    EXPECT_FALSE(parser.Keyword(QStringLiteral("Missing_Keyword")));

    const auto& modules = parser.Modules();
    ASSERT_EQ(modules.size(), 3u);
    EXPECT_EQ(modules[0].name, QStringLiteral("Empty"));
    EXPECT_EQ(modules[0].configuration, (std::vector<uint8_t>{0x00}));
    EXPECT_EQ(modules[0].reference, 1);
    EXPECT_EQ(modules[1].name, QStringLiteral("Trivex transmitter"));
    EXPECT_EQ(modules[1].configuration, (std::vector<uint8_t>{0x94, 0x94, 0x94, 0x94, 0xA4}));
    EXPECT_EQ(modules[1].reference, 2);
    ASSERT_TRUE(modules[1].Keyword(QStringLiteral("ext_module_prm_data_len")));
    EXPECT_EQ(modules[1].Keyword(QStringLiteral("Ext_Module_Prm_Data_Len"))->NumericValue(), 1);
    EXPECT_EQ(modules[1].Keyword(QStringLiteral("Ext_User_Prm_Data_Const(0)"))->Values(), Numbers({0}));
    EXPECT_EQ(modules[2].Keyword(QStringLiteral("Info_Text"))->Text(), QStringLiteral("Flow with status"));
    EXPECT_FALSE(modules[2].Keyword(QStringLiteral("Ext_Module_Prm_Data_Len")));
}

TEST(GsdParser, SyntaxDetails)
{
    GsdParser parser;
    ASSERT_TRUE(parser.LoadText(QStringLiteral("\r\n; leading comment\r\n#PROFIBUS_DP\r\n"
                                               "name = \"a;b\" ; the sign inside quotes stays\r\n"
                                               "list = 1, 0x0a ,0XFF,-2\r\n"
                                               "continued = 1, \\\r\n"
                                               "\\\r\n"
                                               "  2\r\n"
                                               "twice = 1\r\n"
                                               "TWICE = 2\r\n"
                                               "range = 16-17\r\n"
                                               "SlotDefinition\r\n"
                                               "Slot(1) = \"x\" 1 1-3\r\n"
                                               "EndSlotDefinition\r\n"
                                               "Module = \"m\" 0x10 ; one byte\r\n"
                                               "Data_Area_Beg\r\n"
                                               "Data_Area_End\r\n"
                                               "EndModule\r\n")))
        << parser.ErrorText().toStdString();
    EXPECT_EQ(parser.Keyword(QStringLiteral("name"))->Text(), QStringLiteral("a;b"));
    EXPECT_EQ(parser.Keyword(QStringLiteral("list"))->Values(), Numbers({1, 10, 255, -2}));
    EXPECT_EQ(parser.Keyword(QStringLiteral("continued"))->Values(), Numbers({1, 2}));
    EXPECT_EQ(parser.Keyword(QStringLiteral("continued"))->Line(), 6);
    EXPECT_EQ(parser.Keyword(QStringLiteral("twice"))->NumericValue(), 2) << "the later value wins";
    EXPECT_EQ(parser.Keyword(QStringLiteral("range"))->ValueKind(), GsdKeyword::Kind::Token);
    EXPECT_FALSE(parser.Keyword(QStringLiteral("Slot(1)")));
    ASSERT_EQ(parser.Modules().size(), 1u);
    EXPECT_EQ(parser.Modules()[0].reference, -1);
    EXPECT_TRUE(parser.Modules()[0].Keyword(QStringLiteral("DATA_AREA_BEG")));
    EXPECT_EQ(parser.Modules()[0].line, 15);
}

TEST(GsdParser, MalformedFilesAreRefusedWithWhereAndWhy)
{
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"Vendor_Name = \"x\"\n", "line 1: no \"#Profibus_DP\" header: this is no GSD file"},
        {"", "no \"#Profibus_DP\" header: this is no GSD file"},
        {"#Profibus_DP\nVendor_Name = \"Korvel\n", "line 2: unterminated string"},
        {"#Profibus_DP\nModule = \"m\" 0x10\nInfo_Text = \"x\"\n", "line 2: module \"m\" has no EndModule"},
        {"#Profibus_DP\nModule = \"a\" 0x10\nModule = \"b\" 0x20\nEndModule\n",
         "line 3: Module inside module \"a\" of line 2 (EndModule missing)"},
        {"#Profibus_DP\nUser_Prm_Data = 0x00,zz,0x01\n", "line 2: \"zz\" in the value of User_Prm_Data is no number"},
        {"#Profibus_DP\nUser_Prm_Data = 0x00,,0x01\n", "line 2: \"\" in the value of User_Prm_Data is no number"},
        {"#Profibus_DP\nUser_Prm_Data_Len = three\n", "line 2: \"three\" in the value of User_Prm_Data_Len is no number"},
        {"#Profibus_DP\nUser_Prm_Data_Len = \"3\"\n", "line 2: keyword User_Prm_Data_Len needs a number, not a text"},
        {"#Profibus_DP\nIdent_Number = 0x\n", "line 2: \"0x\" in the value of Ident_Number is no number"},
        {"#Profibus_DP\nMax_Module = 99999999999999999999\n",
         "line 2: \"99999999999999999999\" in the value of Max_Module is no number"},
        {"#Profibus_DP\nModule = \"m\" 0x100\nEndModule\n", "line 2: 256 in the configuration of module \"m\" is no byte"},
        {"#Profibus_DP\nModule = \"m\"\nEndModule\n", "line 2: module \"m\" has no configuration bytes"},
        {"#Profibus_DP\nModule = m 0x10\nEndModule\n", "line 2: Module needs a quoted name"},
        {"#Profibus_DP\nEndModule\n", "line 2: EndModule without the block it closes"},
        {"#Profibus_DP\nUser_Prm_Data = 0x00, \\", "line 2: the file ends inside a continued line"},
        {"#Profibus_DP\nUser_Prm_Data = 0x00, \\\n", "line 2: \"\" in the value of User_Prm_Data is no number"},
        {"#Profibus_DP\nPrmText = 1\nText(0) = \"Off\"\n", "line 2: block PRMTEXT has no ENDPRMTEXT"},
        {"#Profibus_DP\nthis is no keyword\n", "line 2: \"this is no keyword\" is no keyword assignment"},
        {"#Profibus_DP\nVendor Name = \"x\"\n", "line 2: \"Vendor Name\" is no keyword name"},
        {"#Profibus_DP\nVendor_Name =\n", "line 2: keyword Vendor_Name has no value"},
        {"#Profibus_DP\nVendor_Name = \"x\" y\n", "line 2: text after the quoted value of Vendor_Name"},
        {"#Profibus_DP\nModule = \"m\" 0x10\nnot a line\nEndModule\n",
         "line 3: \"not a line\" in module \"m\" is no keyword"},
    };
    for (const Case& c : cases) {
        GsdParser parser;
        ASSERT_TRUE(parser.LoadText(QStringLiteral("#Profibus_DP\nVendor_Name = \"before\"\n")));
        EXPECT_FALSE(parser.LoadText(QString::fromLatin1(c.text))) << c.text;
        EXPECT_EQ(parser.ErrorText(), QString::fromLatin1(c.error)) << c.text;
        EXPECT_FALSE(parser.IsLoaded());
        EXPECT_FALSE(parser.Keyword(QStringLiteral("Vendor_Name"))) << "a refused file leaves nothing";
        EXPECT_TRUE(parser.Modules().empty());
    }
}

TEST(GsdParser, FilesThatCannotBeReadFail)
{
    QTemporaryDir dir;
    GsdParser parser;
    int32_t failed = 0;
    parser.Load(dir.filePath(QStringLiteral("missing.gsd")), failed);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(parser.ErrorText(), QStringLiteral("GSD file not found: ") + dir.filePath(QStringLiteral("missing.gsd")));
    failed = 0;
    parser.Load(QString(), failed);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(parser.ErrorText(), QStringLiteral("no GSD file named"));
    failed = 0;
    parser.Load(dir.path(), failed);
    EXPECT_EQ(failed, 1) << "a folder";

    const auto write = [&](const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return dir.filePath(name);
    };
    QByteArray binary("#Profibus_DP\nName = 1\n");
    binary.append('\0');
    binary.append("\x01\xff\n");
    const QString binaryPath = write(QStringLiteral("binary.gsd"), binary);
    parser.Load(binaryPath, failed);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(parser.ErrorText(), binaryPath + QStringLiteral(": line 3: a NUL character: this is no GSD text file"));

    QByteArray large("#Profibus_DP\n");
    large.append(QByteArray(GsdParser::kMaxFileSize, ';'));
    parser.Load(write(QStringLiteral("large.gsd"), large), failed);
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(parser.ErrorText().startsWith(QStringLiteral("GSD file too large"))) << parser.ErrorText().toStdString();

    // A good load after a failed one, and a failed one drops what the good one read.
    parser.Load(QStringLiteral(TRIVEX_GSD_FILE), failed);
    EXPECT_EQ(failed, 0);
    parser.Load(write(QStringLiteral("bad.gsd"), "#Profibus_DP\nModule = \"m\" 0x10\n"), failed);
    EXPECT_EQ(failed, 1);
    EXPECT_FALSE(parser.Keyword(QStringLiteral("Vendor_Name")));
    EXPECT_TRUE(parser.Modules().empty());
}

// Every cut of the shipped file either loads or is refused with a reason.
TEST(GsdParser, EveryTruncationOfARealFileIsHandled)
{
    const QString text = ShippedText();
    ASSERT_FALSE(text.isEmpty());
    int refused = 0;
    for (qsizetype length = 0; length <= text.size(); ++length) {
        GsdParser parser;
        if (!parser.LoadText(text.left(length))) {
            ++refused;
            EXPECT_FALSE(parser.ErrorText().isEmpty()) << length;
        }
    }
    EXPECT_GT(refused, 0);
}

} // namespace
