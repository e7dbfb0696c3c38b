#include "fennick/services/Mainprogram.h"
#include "fennick/services/TestCommandLine.h"
#include "tests/fennick/services/RegistrationTestSupport.h"

using namespace registration_test;

namespace {

QString Value(const QString& key, const QString& line)
{
    return Deployment::GetCommandLineParameter(key, line);
}

} // namespace

TEST(CommandLineParameter, KeysMatchWithoutCaseOnlyAfterABlankAndKeepTheValuesCase)
{
    TraceCapture trace;
    EXPECT_EQ(Value("FUNC:", "func:registerDtm dscr_dir:/Opt/Desc/"), "registerDtm");
    EXPECT_EQ(Value("DSCR_DIR:", "func:registerDtm dscr_dir:/Opt/Desc/"), "/Opt/Desc/");
    EXPECT_EQ(Value("FUNC:", "XFUNC:A FUNC:B"), "B");
    EXPECT_EQ(Value("FUNC:", "FUNC:first func:second"), "first");
    EXPECT_TRUE(trace.lines().isEmpty());

    EXPECT_EQ(Value("FUNC:", "XFUNC:A"), "");
    EXPECT_EQ(trace.messages(), QStringList{"Command line parameter not found:  FUNC:"});
    // A blank right after the key gives the empty value.
    EXPECT_EQ(Value("FUNC:", "FUNC: REGISTERDTM"), "");
}

TEST(CommandLineParameter, QuotedValuesKeepTheirBlanksAndEndAtAQuoteBeforeABlank)
{
    TraceCapture trace;
    EXPECT_EQ(Value("DSCR_DIR:", "dscr_dir:\"/my files/desc/\" fdt_file:x.fdt"), "/my files/desc/");
    EXPECT_EQ(Value("DSCR_DIR:", "fdt_file:x.fdt dscr_dir:\"/my files/\""), "/my files/");
    EXPECT_EQ(Value("DSCR_DIR:", "dscr_dir:\"/a fdt_file:\"x y\" z"), "/a fdt_file:\"x y");
    EXPECT_TRUE(trace.lines().isEmpty());

    const QString unclosed = "func:registerdtm dscr_dir:\"/my files/ fdt_file:x.fdt";
    EXPECT_EQ(Value("DSCR_DIR:", unclosed), "");
    EXPECT_EQ(trace.messages(), QStringList{"Invalid commandline parameter  DSCR_DIR: Missing closing quote!"});
    // The other keys are still taken.
    EXPECT_EQ(Value("FUNC:", unclosed), "registerdtm");
    EXPECT_EQ(Value("FDT_FILE:", unclosed), "x.fdt");
}

TEST(CommandLineParameter, ClassificationNumbersBecomeNames)
{
    TraceCapture trace;
    const std::vector<std::pair<QString, QString>> names{
        {"1", "flow"}, {"3", "pressure"}, {" 10 ", "speedDrive"}, {"16", "electrochemicalAnalyser"},
        {"17", "dtmSpecific"}, {"0", "dtmSpecific"}, {"-3", "dtmSpecific"}};
    for (auto [text, name] : names) {
        EXPECT_TRUE(Deployment::GetClassificationName(text));
        EXPECT_EQ(text, name);
    }
    // What is no number at all (an absent key included) registers as a type of its own kind.
    for (QString text : {QString(), QString("flow"), QString("3.5"), QString("99999999999")}) {
        const QString before = text;
        EXPECT_FALSE(Deployment::GetClassificationName(text)) << before.toStdString();
        EXPECT_EQ(text, "dtmSpecific");
    }
    EXPECT_TRUE(trace.contains("Invalid classification: \"flow\" is no whole number, registered as dtmSpecific"));
}

using CommandLine = RegistrationTest;

TEST_F(CommandLine, ARegistrationLineFindsItsFilesUnderTheirRealNames)
{
    // Keys and the file names in another case than on disk.
    QString line = "func:RegisterDtm dscr_dir:" + m_hartDir
                   + " tdx_file:TRIVEX.TDX fdt_file:trivex.FDT dtminfo_date:2024-05-15 fdtclassificationid:3";
    const QString asGiven = line;
    Deployment::ParsedCommandLine parsed;
    EXPECT_TRUE(Deployment::ParseCommandLine(line, parsed));
    EXPECT_EQ(line, asGiven);
    EXPECT_EQ(parsed.function, "RegisterDtm");
    EXPECT_EQ(parsed.descriptionDir, m_hartDir);
    EXPECT_EQ(parsed.tdxFile, m_hartDir + "Trivex.tdx");
    EXPECT_EQ(parsed.fdtFile, m_hartDir + "Trivex.fdt");
    EXPECT_EQ(parsed.gsdFile, "");
    EXPECT_EQ(parsed.classification, "pressure");
    EXPECT_EQ(parsed.date, "2024-05-15");
    EXPECT_TRUE(Trace().contains("TDX file .....: " + m_hartDir + "Trivex.tdx"));
}

TEST_F(CommandLine, MissingFilesFailTheParseAndABadClassificationDoesNot)
{
    Deployment::ParsedCommandLine parsed;
    QString line;
    EXPECT_FALSE(Deployment::ParseCommandLine(line, parsed));
    EXPECT_TRUE(Trace().contains("Command line empty!"));

    line = RegisterLine(m_hartDir, "Trivex", " GSD_FILE:NONE.GSD");
    EXPECT_FALSE(Deployment::ParseCommandLine(line, parsed));
    EXPECT_TRUE(Trace().contains("GSD file not found: " + m_hartDir + "NONE.GSD"));
    EXPECT_EQ(parsed.tdxFile, m_hartDir + "Trivex.tdx");
    EXPECT_EQ(parsed.gsdFile, "");

    // Without TDX_FILE the path is the directory, which is no file.
    line = "FUNC:REGISTERDTM DSCR_DIR:" + m_hartDir + " FDT_FILE:Trivex.fdt FDTCLASSIFICATIONID:1";
    EXPECT_FALSE(Deployment::ParseCommandLine(line, parsed));
    EXPECT_TRUE(Trace().contains("TDX file not found: " + m_hartDir));
    EXPECT_EQ(parsed.tdxFile, "");

    line = "FUNC:REGISTERDTM DSCR_DIR:" + m_hartDir + " TDX_FILE:Trivex.tdx FDT_FILE:Trivex.fdt FDTCLASSIFICATIONID:x";
    EXPECT_TRUE(Deployment::ParseCommandLine(line, parsed));
    EXPECT_EQ(parsed.classification, "dtmSpecific");

    line = "FUNC:REGISTERDTM DSCR_DIR:" + m_hartDir + " TDX_FILE:Trivex.tdx FDT_FILE:Gone.fdt FDTCLASSIFICATIONID:1";
    EXPECT_FALSE(Deployment::ParseCommandLine(line, parsed));
    EXPECT_TRUE(Trace().contains("FDT file not found: " + m_hartDir + "Gone.fdt"));

    // Any function but the registration reads no more than the FDT file.
    line = "FUNC:UNREGISTERDTM DSCR_DIR:" + m_hartDir + " TDX_FILE:Trivex.tdx FDT_FILE:Trivex.fdt";
    EXPECT_FALSE(Deployment::ParseCommandLine(line, parsed));
    EXPECT_EQ(parsed.fdtFile, m_hartDir + "Trivex.fdt");
    EXPECT_EQ(parsed.tdxFile, "");
}

TEST_F(CommandLine, AnythingButARegistrationEndsInTheUnregistrationStep)
{
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    ASSERT_EQ(Categories(), Sorted({kCatDtm, kCatDevice, kCatHart}));

    // A blank between the key and the function leaves no function at all.
    EXPECT_FALSE(Deployment::ProcessCommandLine("FUNC: REGISTERDTM DSCR_DIR:" + m_hartDir
                                                + " TDX_FILE:Trivex.tdx FDT_FILE:Trivex.fdt"));
    EXPECT_FALSE(QFile::exists(CataloguePath()));
    EXPECT_TRUE(Categories().isEmpty());
    EXPECT_TRUE(Trace().contains("Unknown function \"\": the FDT file's device types are unregistered"));

    // The empty command line unregisters with an empty FDT path: nothing to do
    // without a catalogue but to withdraw the categories.
    EXPECT_FALSE(Deployment::ProcessCommandLine(QString()));
    EXPECT_TRUE(Trace().contains("Command line empty!"));
    EXPECT_TRUE(Trace().contains("Un-Registering categories Complete....."));
}

TEST(MainprogramArguments, BlanksInsideOneArgumentAreQuotedAfterItsKey)
{
    using Mainprogram::JoinArguments;
    EXPECT_EQ(JoinArguments({"func:registerdtm", "dscr_dir:/my files/desc/", "fdt_file:x.fdt"}),
              "func:registerdtm dscr_dir:\"/my files/desc/\" fdt_file:x.fdt");
    EXPECT_EQ(JoinArguments({"dscr_dir:\"/my files/\""}), "dscr_dir:\"/my files/\"");
    // One argument holding a whole command line is taken as written.
    EXPECT_EQ(JoinArguments({"func:unregisterdtm fdt_file:x.fdt"}), "func:unregisterdtm fdt_file:x.fdt");
    EXPECT_EQ(JoinArguments({}), "");
}

TEST_F(CommandLine, TheProgramRegistersAndUnregistersAndAnswersWithItsExitCode)
{
    const QStringList registration{"func:registerdtm", "dscr_dir:" + m_hartDir, "tdx_file:Trivex.tdx",
                                   "fdt_file:Trivex.fdt", "dtminfo_date:2024-05-15", "fdtclassificationid:1"};
    EXPECT_EQ(Mainprogram::Main(registration), 0);
    EXPECT_EQ(Entries().size(), 1);
    // A stand-alone run shows its progress, not its error and information traces.
    EXPECT_TRUE(Trace().contains("Running..."));
    EXPECT_TRUE(Trace().contains("New device type"));
    EXPECT_FALSE(Trace().contains("Parse Commandline ... "));

    EXPECT_EQ(Mainprogram::Main({"func:registerdtm", "dscr_dir:" + m_hartDir, "tdx_file:Nothing.tdx",
                                 "fdt_file:Other.fdt", "fdtclassificationid:1"}),
              1);
    EXPECT_EQ(Entries().size(), 1);
    EXPECT_EQ(Mainprogram::Main({"--trace", "func:unregisterdtm", "dscr_dir:" + m_hartDir, "fdt_file:Trivex.fdt"}), 0);
    EXPECT_TRUE(Trace().contains("Parse Commandline ... "));
    EXPECT_FALSE(QFile::exists(CataloguePath()));
}

TEST(PreparedCommandLines, SixLinesForTheInstallationAboveTheProgram)
{
    const QStringList lines = TestCommandLine::PreparedCommandLines("/opt/Korvel/FDT 1.2/bin");
    ASSERT_EQ(lines.size(), TestCommandLine::kLineCount);
    EXPECT_EQ(lines[2], "fennick func:unregisterdtm");
    EXPECT_EQ(lines[3], " func:registerdtm dscr_dir:/opt/Korvel/TDXDESC/COM_HART/_0063/_0_0089/ tdx_file:Trivex.tdx"
                        " fdt_file:Trivex.fdt dtminfo_date:2024-05-15 dtminfo_version:1.00.00 fdtclassificationid:1");
    EXPECT_TRUE(lines[0].contains(" gsd_file:"));
    EXPECT_NE(lines[0], lines[1]);
    QString line1AsUnregistration = lines[1];
    line1AsUnregistration.replace(" func:registerdtm", " func:unregisterdtm");
    EXPECT_EQ(lines[4], line1AsUnregistration);
    EXPECT_TRUE(lines[5].startsWith(" func:unregisterdtm dscr_dir:/opt/Korvel/TDXDESC/COM_HART/"));
    EXPECT_TRUE(lines[5].contains(" gsd_file:"));

    const QStringList quoted = TestCommandLine::PreparedCommandLines("/my disk/FDT 1.2/bin");
    EXPECT_TRUE(quoted[3].contains(" dscr_dir:\"/my disk/TDXDESC/COM_HART/_0063/_0_0089/\" "));
}

TEST(PreparedCommandLines, TheHartLineFindsTheStagedDescription)
{
    TraceCapture trace;
    QString line = TestCommandLine::PreparedCommandLines(Publics::ProgramFolder())[3];
    Deployment::ParsedCommandLine parsed;
    EXPECT_TRUE(Deployment::ParseCommandLine(line, parsed)) << trace.messages().join('\n').toStdString();
    EXPECT_TRUE(parsed.tdxFile.endsWith("/TDXDESC/COM_HART/_0063/_0_0089/Trivex.tdx"));
}
