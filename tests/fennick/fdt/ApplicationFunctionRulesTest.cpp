// Application functions as they are built and offered: command keywords of
// menu entries, the menu-state item, the access state by DTM status, user
// level and phase, the start rules of FDT applications, and the "Function"
// element of the function list.
#include "ApplicationTestSupport.h"
#include "platform/applet/TdxFileParser.h"
#include <map>
#include <set>

namespace {

using namespace appfunctest;
using dtmtest::FakeAppletHost;

// Menu entries exactly as a description could spell them.
class MenuDictionary : public applet::TdxFileParser {
public:
    struct Entry {
        QString name, label, help, command;
        int32_t number = 0;
    };
    void Load(int32_t, const QString&, int32_t, QString&, int32_t& status) override { status = 0; }
    void fncGetMenuEntry(int32_t handle, QString& name, QString& label, QString& help, QString& command,
                         int32_t& number, int32_t& failed) override
    {
        const auto it = entries.find(handle);
        if (it == entries.end()) {
            failed = applet::kParserBadHandle;
            return;
        }
        name = it->second.name;
        label = it->second.label;
        help = it->second.help;
        command = it->second.command;
        number = it->second.number;
        failed = 0;
    }
    std::map<int32_t, Entry> entries;
};

class MenuEntryParsing : public ApplicationFunctionTest {
protected:
    // The functions read this dictionary's entries; the items are the Trivex description's.
    std::shared_ptr<clsApplicationFunction> FromEntry(const MenuDictionary::Entry& entry, int32_t* result = nullptr)
    {
        dictionary->entries[1] = entry;
        global::AppletHost() = menuHost;
        auto function = clsApplicationFunction::Create();
        const int32_t r = function->InitFromMenuEntry(1, 7);
        if (result)
            *result = r;
        else
            EXPECT_EQ(r, 0);
        global::AppletHost() = appletHost;
        functions.push_back(function);
        return function;
    }

    std::shared_ptr<MenuDictionary> dictionary = std::make_shared<MenuDictionary>();
    std::shared_ptr<FakeAppletHost> menuHost = FakeAppletHost::Make(QString(), dictionary);
};

TEST_F(MenuEntryParsing, KeywordAndArgumentSplitAtTheFirstBlankAfterLeadingBlanks)
{
    auto trend = FromEntry({QStringLiteral(" Trend "), QStringLiteral("&Trend"), QStringLiteral(" Shows the trend "),
                            QStringLiteral("  fncStartForm frmTrend"), 3});
    EXPECT_EQ(trend->Type(), clsApplicationFunction::kStartForm);
    EXPECT_EQ(trend->CommandLine(), QStringLiteral("fncStartForm frmTrend")); // the keyword as written
    EXPECT_EQ(trend->Argument(), QStringLiteral("frmTrend"));
    EXPECT_TRUE(trend->HasGUI());
    EXPECT_EQ(trend->FunctionId(), QStringLiteral("7"));
    EXPECT_EQ(trend->Help(), QStringLiteral("Shows the trend"));
    EXPECT_EQ(trend->MenuStateItemName(), QStringLiteral("&&Menu_State&&Trend"));

    auto connect = FromEntry({QStringLiteral("Connect"), QStringLiteral("&Connect"), QString(), QStringLiteral("CONNECT"), 1});
    EXPECT_EQ(connect->Type(), clsApplicationFunction::kConnect);
    EXPECT_EQ(connect->Argument(), QString());
    EXPECT_EQ(connect->CommandLine(), QStringLiteral("CONNECT "));
    EXPECT_FALSE(connect->HasGUI());

    // The argument is everything after the first blank; keywords match in any case.
    auto view = FromEntry({QStringLiteral("View"), QStringLiteral("View"), QString(),
                           QStringLiteral("startView Merrow.clsGenericView  extra"), 4});
    EXPECT_EQ(view->Type(), clsApplicationFunction::kStartView);
    EXPECT_EQ(view->Argument(), QStringLiteral("Merrow.clsGenericView  extra"));
    auto save = FromEntry({QStringLiteral("Save"), QStringLiteral("Save"), QString(), QStringLiteral("savetodatabase"), 5});
    EXPECT_EQ(save->Type(), clsApplicationFunction::kSaveToDatabase);
    EXPECT_FALSE(save->HasGUI());
}

TEST_F(MenuEntryParsing, LabelLosesOnlyItsFirstAmpersand)
{
    const std::pair<const char*, const char*> labels[] = {
        {" &Connect ", "Connect"},
        {"&&Save", "&Save"},
        {"Set &slave address", "Set slave address"},
        {"Plain", "Plain"},
        {"A & B & C", "A  B & C"},
    };
    for (const auto& [label, expected] : labels) {
        auto function = FromEntry({QStringLiteral("Connect"), QString::fromUtf8(label), QString(), QStringLiteral("CONNECT"), 1});
        EXPECT_EQ(function->Label(), QString::fromUtf8(expected)) << label;
    }
}

TEST_F(MenuEntryParsing, UnknownKeywordsAndUnreadableEntriesAreDropped)
{
    int32_t result = 0;
    auto unknown = FromEntry({QStringLiteral("Bogus"), QStringLiteral("Bogus"), QString(),
                              QStringLiteral("FNCDOSOMETHING now"), 9},
                             &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(unknown->Type(), clsApplicationFunction::kUnknown);
    EXPECT_TRUE(traces.contains(QStringLiteral("Unknown/not supported menu function >>FNCDOSOMETHING<< in TDX file!")));
    // Dropped entries do not stay behind as views of the applet.
    EXPECT_FALSE(menuHost->manager->IsRegistered(unknown.get()));

    global::AppletHost() = menuHost;
    auto unreadable = clsApplicationFunction::Create();
    EXPECT_NE(unreadable->InitFromMenuEntry(42, 3), 0);
    global::AppletHost() = appletHost;
    EXPECT_FALSE(menuHost->manager->IsRegistered(unreadable.get()));

    // Types 5 and 12 have no keyword.
    auto five = FromEntry({QStringLiteral("X"), QStringLiteral("X"), QString(), QStringLiteral("5"), 1}, &result);
    EXPECT_EQ(result, 1);
}

TEST_F(ApplicationFunctionTest, TrivexMenuEntriesHaveTheirMenuStateItems)
{
    // The shipped description, as the DTM's applet runs it.
    global::AppletHost() = host;
    std::shared_ptr<applet::TdxFileParser> parser;
    host->manager->GetDataDictionary(parser);
    int32_t count = 0;
    int32_t handle = 0;
    int32_t error = 0;
    parser->fncNumberOfEntries(QStringLiteral("menu"), count, error);
    ASSERT_EQ(error, 0);
    parser->fncGetFirstEntryHandle(QStringLiteral("menu"), handle, error);
    std::map<QString, int32_t> states;
    for (int32_t i = 0; i < count; ++i) {
        auto function = clsApplicationFunction::Create();
        EXPECT_EQ(function->InitFromMenuEntry(handle, 1), 0);
        functions.push_back(function);
        EXPECT_GT(host->Handle(function->MenuStateItemName()), 0) << function->MenuStateItemName().toStdString();
        states[function->CommandLine()] = function->MenuState();
        parser->fncGetNextEntryHandle(handle, error);
    }
    global::AppletHost() = appletHost;
    EXPECT_EQ(count, 10);
    EXPECT_EQ(states[QStringLiteral("CONNECT ")], 3);
    EXPECT_EQ(states[QStringLiteral("DISCONNECT ")], 0);
    EXPECT_EQ(states[QStringLiteral("FNCSTARTFORM MdiMain")], 3);
    EXPECT_EQ(states[QStringLiteral("FNCFORCESEQUENCE SetPollingAddress")], 0);
    EXPECT_FALSE(traces.contains(QStringLiteral("Menu_State")));
}

TEST_F(ApplicationFunctionTest, ExportAndFdtApplicationsAreBuiltWithoutAMenuEntry)
{
    auto exporter = Export();
    EXPECT_EQ(exporter->Type(), clsApplicationFunction::kExport);
    EXPECT_EQ(exporter->Label(), QStringLiteral("Export"));
    EXPECT_EQ(exporter->Help(), QStringLiteral("Export"));
    EXPECT_EQ(exporter->CommandLine(), QStringLiteral("Export "));
    EXPECT_EQ(exporter->MenuStateItemName(), QStringLiteral("&&Menu_State&&Export"));
    EXPECT_EQ(exporter->MenuState(), 3);
    EXPECT_FALSE(exporter->HasGUI());
    // The applet has no menu-state item for it, and none is asked for.
    EXPECT_FALSE(traces.contains(QStringLiteral("&&Menu_State&&Export")));

    auto application = Application(QStringLiteral("frmTrend"), QStringLiteral("1"));
    EXPECT_EQ(application->Type(), clsApplicationFunction::kStartForm);
    EXPECT_EQ(application->CommandLine(), QStringLiteral("FNCSTARTFORM FRMTREND"));
    EXPECT_TRUE(application->HasGUI());
    EXPECT_EQ(application->MenuStateItemName(), QString());
    EXPECT_EQ(application->MenuState(), 0);

    // Released functions are reset.
    application->ReleaseFunction();
    EXPECT_EQ(application->Type(), -1);
    EXPECT_EQ(application->FunctionId(), QStringLiteral("-1"));
    EXPECT_EQ(application->CommandLine(), QStringLiteral(" "));
    EXPECT_FALSE(manager->IsRegistered(application.get()));
    EXPECT_TRUE(traces.contains(QStringLiteral("clsApplicationFunction destroyed")));
}

TEST_F(ApplicationFunctionTest, MenuStateFollowsTheAppletAndChangesReachTheFrame)
{
    auto connect = Menu(QStringLiteral("Connect"));
    EXPECT_EQ(connect->MenuState(), 3);
    SetNumber(QStringLiteral("&&Menu_State&&Connect"), 7);
    EXPECT_EQ(connect->MenuState(), 7);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnFunctionChanged")), 1);
    SetNumber(QStringLiteral("&&Menu_State&&Connect"), 7); // no change, no notification
    SetNumber(QStringLiteral("&&Menu_State&&Connect"), 1);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnFunctionChanged")), 2);
    // A refresh is no change.
    manager->RefreshAll();
    Settle();
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnFunctionChanged")), 2);
}

// --- Access state ------------------------------------------------------------------

struct Expected {
    std::set<int32_t> levels;        // user levels that see the function
    bool hiddenInEngineering;
    std::set<int32_t> enabledIn;     // DTM statuses in which it is enabled
};

// What the menu offers for each function type, as the product defines it.
const std::map<QString, std::pair<int32_t, Expected>> kOffered = {
    {"Connect", {1, {{1, 2, 3}, true, {2}}}},
    {"Disconnect", {2, {{1, 2, 3}, true, {10}}}},
    {"CloseTrend", {3, {{1, 2, 3}, false, {1, 2, 10}}}},
    {"ForceTag", {4, {{1, 2, 3}, true, {10}}}},
    {"Trend", {6, {{1, 2, 3}, false, {1, 2, 10}}}},
    {"Generic", {7, {{1, 2, 3}, false, {1, 2, 10}}}},
    {"Load", {8, {{1, 2, 3}, false, {1, 2}}}},
    {"Upload", {9, {{2, 3}, true, {10}}}},
    {"Save", {10, {{1, 2, 3}, false, {1, 2}}}},
    {"Download", {11, {{2, 3}, true, {10}}}},
    {"ReadTag", {13, {{1, 2, 3}, true, {10}}}},
};

TEST_F(ApplicationFunctionTest, AccessStateOverStatusesUserLevelsAndPhases)
{
    std::vector<std::pair<std::shared_ptr<clsApplicationFunction>, Expected>> cases;
    for (const auto& [entry, typeAndExpected] : kOffered) {
        auto function = Menu(entry);
        ASSERT_EQ(function->Type(), typeAndExpected.first) << entry.toStdString();
        cases.emplace_back(function, typeAndExpected.second);
    }
    cases.emplace_back(Export(), Expected{{1, 2, 3}, true, {1, 2, 10}});
    for (const auto& [function, expected] : cases) {
        for (int32_t status = 0; status <= 12; ++status)
            for (int32_t level : {0, 1, 2, 3, 4, -1})
                for (int32_t phase = 0; phase <= 3; ++phase) {
                    bool hidden = false;
                    bool enabled = true;
                    bool running = true;
                    function->GetAccessState(status, level, phase, hidden, enabled, running);
                    const bool seen = expected.levels.count(level) > 0
                                      && !(expected.hiddenInEngineering && phase == 1);
                    const std::string where = function->CommandLine().toStdString() + " status "
                                              + std::to_string(status) + " level " + std::to_string(level)
                                              + " phase " + std::to_string(phase);
                    EXPECT_EQ(hidden, !seen) << where;
                    EXPECT_EQ(enabled, seen && expected.enabledIn.count(status) > 0) << where;
                    EXPECT_FALSE(running) << where;
                }
    }
}

TEST_F(ApplicationFunctionTest, AccessStateReadsTheMenuStateBits)
{
    auto force = Menu(QStringLiteral("ForceTag"));
    auto upload = Menu(QStringLiteral("Upload"));
    auto connect = Menu(QStringLiteral("Connect"));
    auto trend = Menu(QStringLiteral("Trend"));
    bool hidden = false;
    bool enabled = false;
    bool running = false;
    // Menu state 3, online, an operator outside engineering.
    upload->GetAccessState(DtmStatus::Online, 1, 2, hidden, enabled, running);
    EXPECT_TRUE(hidden);
    force->GetAccessState(DtmStatus::Online, 1, 2, hidden, enabled, running);
    EXPECT_FALSE(hidden);
    EXPECT_TRUE(enabled);

    // Engineering hides CONNECT whatever its menu state, not a form.
    SetNumber(QStringLiteral("&&Menu_State&&Connect"), 7);
    connect->GetAccessState(DtmStatus::CommunicationSet, 3, 1, hidden, enabled, running);
    EXPECT_TRUE(hidden);
    EXPECT_FALSE(running);
    trend->GetAccessState(DtmStatus::CommunicationSet, 3, 1, hidden, enabled, running);
    EXPECT_FALSE(hidden);

    // Visible but not enabled; checked shows as running.
    SetNumber(QStringLiteral("&&Menu_State&&ForceTag"), 5);
    force->GetAccessState(DtmStatus::Online, 2, 2, hidden, enabled, running);
    EXPECT_FALSE(hidden);
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(running);
    // Not visible: hidden, and neither enabled nor running.
    SetNumber(QStringLiteral("&&Menu_State&&ForceTag"), 6);
    force->GetAccessState(DtmStatus::Online, 2, 2, hidden, enabled, running);
    EXPECT_TRUE(hidden);
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(running);
}

TEST_F(ApplicationFunctionTest, ExecutionAllowedFollowsTheDtmAndTheLock)
{
    auto save = Menu(QStringLiteral("Save"));
    auto download = Menu(QStringLiteral("Download"));
    global::FdtUserLevel() = 2;
    EXPECT_TRUE(save->Function_ExecutionAllowed(0));    // CONFIGURED
    EXPECT_FALSE(download->Function_ExecutionAllowed(0));
    SetStatus(DtmStatus::Online);
    EXPECT_FALSE(save->Function_ExecutionAllowed(0));
    EXPECT_TRUE(download->Function_ExecutionAllowed(2));
    EXPECT_FALSE(download->Function_ExecutionAllowed(1));
    global::FdtUserLevel() = 1;
    EXPECT_FALSE(download->Function_ExecutionAllowed(2));
    SetStatus(DtmStatus::GoingOnline);
    global::FdtUserLevel() = 3;
    EXPECT_FALSE(download->Function_ExecutionAllowed(2));
    EXPECT_FALSE(save->Function_ExecutionAllowed(2));

    // Another user holds the dataset: refused with the lock message.
    SetStatus(DtmStatus::Configured);
    ASSERT_TRUE(frame->LockByOtherUser(dtmtest::kTag, QStringLiteral("Anna")));
    frame->Events().Clear();
    EXPECT_FALSE(save->Function_ExecutionAllowed(0));
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 1);
    EXPECT_TRUE(FrameEvents().join(QLatin1Char('|')).contains(QStringLiteral("Anna")));
}

// --- Start of FDT applications ------------------------------------------------------

struct StartRule {
    std::set<int32_t> phases;
    std::set<int32_t> statuses;
    std::set<int32_t> levels;
};

const std::set<int32_t> kAll = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::set<int32_t> kOnline = {2, 5, 6, 10};

TEST_F(ApplicationFunctionTest, ApplicationStartAllowedByApplicationId)
{
    const std::map<int32_t, StartRule> rules = {
        {0, {{0, 1, 2, 3}, kAll, {0, 1, 2, 3}}},
        {1, {{0, 2, 3}, kOnline, {1, 2, 3}}},
        {4, {{0, 1}, {1}, {3}}},
        {5, {{0, 2, 3}, kOnline, {1, 2, 3}}},
        {6, {{0, 2}, kOnline, {1, 2, 3}}},
        {8, {{0, 2, 3}, kOnline, {1, 2, 3}}},
        {10, {{0, 2}, {1, 2}, {2, 3}}},
        {12, {{0, 2}, kOnline, {1, 2, 3}}},
    };
    // The rule depends on the application, not on the function asked.
    auto function = Menu(QStringLiteral("Connect"));
    for (int32_t status = 0; status <= 12; ++status) {
        Dtm()->SetDtmStatus(status);
        for (int32_t level = 0; level <= 3; ++level) {
            global::FdtUserLevel() = level;
            for (int32_t applicationId = 0; applicationId <= 13; ++applicationId)
                for (int32_t phase = 0; phase <= 3; ++phase) {
                    const auto rule = rules.find(applicationId);
                    const bool expected = rule != rules.end() && rule->second.phases.count(phase) > 0
                                          && rule->second.statuses.count(status) > 0
                                          && rule->second.levels.count(level) > 0;
                    EXPECT_EQ(function->Application_StartAllowed(applicationId, phase), expected)
                        << "application " << applicationId << " status " << status << " level " << level
                        << " phase " << phase;
                }
        }
    }
    SetStatus(DtmStatus::Configured);
    ASSERT_TRUE(frame->LockByOtherUser(dtmtest::kTag, QStringLiteral("Anna")));
    frame->Events().Clear();
    EXPECT_FALSE(function->Application_StartAllowed(0, 0));
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 1);
}

// --- The function list ----------------------------------------------------------------

TEST_F(ApplicationFunctionTest, FunctionElementCarriesTheDescriptionAndTheMenuState)
{
    xml::XmlDocument document;
    xml::XmlNode root = document.AppendChild(document.CreateElement(QStringLiteral("FDT")));
    root.SetAttribute(QStringLiteral("xmlns:fdt"), QStringLiteral("x-schema:FDTDataTypesSchema.xml"));
    auto exporter = Export();
    root.AppendChild(exporter->BuildFunctionXml(document));
    auto trend = Menu(QStringLiteral("Trend"), QStringLiteral("15"));
    SetNumber(QStringLiteral("&&Menu_State&&Trend"), 5);
    root.AppendChild(trend->BuildFunctionXml(document));
    EXPECT_EQ(root.Xml(),
              QStringLiteral("<FDT xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\">"
                             "<Function label=\"Export\" fdt:name=\"&amp;&amp;Menu_State&amp;&amp;Export\" "
                             "help=\"Export\" hasGUI=\"0\" functionId=\"13\">"
                             "<Status checked=\"0\" enabled=\"1\" hidden=\"0\" separator=\"0\" toggle=\"0\"/>"
                             "</Function>"
                             "<Function label=\"Trend\" fdt:name=\"&amp;&amp;Menu_State&amp;&amp;Trend\" "
                             "help=\"Opens the trend\" hasGUI=\"1\" functionId=\"15\">"
                             "<Status checked=\"1\" enabled=\"0\" hidden=\"0\" separator=\"0\" toggle=\"0\"/>"
                             "</Function></FDT>"));
}

} // namespace
