// The sequence monitor: the list of sequences read from the description, the
// table filling as sequences run, the state and transfer tables, and the
// parser failures that end the list early.
#include "fennick/communication/clsSequenceWatch.h"
#include "fennick/fdt/frmSequenceWatch.h"
#include "fennick/fdt/global.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/Description.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/TraceCapture.h"
#include "tests/fennick/dataset/ModularDeviceSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace {

// A description parser that lists the sequences it is given and fails where
// told to.
class ListParser : public applet::TdxFileParser {
public:
    void Load(int32_t, const QString&, int32_t, QString&, int32_t& status) override { status = 0; }
    void fncNumberOfEntries(const QString& kind, int32_t& count, int32_t& error) override
    {
        error = kind == QLatin1String("SEQUENCE") ? numberError : 1;
        count = error == 0 ? static_cast<int32_t>(names.size()) + extraCount : 0;
    }
    void fncGetFirstEntryHandle(const QString&, int32_t& handle, int32_t& error) override
    {
        error = firstError;
        handle = 1;
    }
    void fncGetNextEntryHandle(int32_t& handle, int32_t& error) override
    {
        ++nextCalls;
        const auto failure = nextErrors.find(handle);
        error = failure != nextErrors.end() ? failure->second : 0;
        if (error == 0)
            ++handle;
    }
    void fncGetEntryName(int32_t handle, QString& name, int32_t& error) override
    {
        const auto failure = nameErrors.find(handle);
        error = failure != nameErrors.end() ? failure->second : 0;
        name = error == 0 && handle >= 1 && handle <= names.size() ? names.at(handle - 1) : QString();
    }

    QStringList names;
    int32_t extraCount = 0;
    int32_t numberError = 0;
    int32_t firstError = 0;
    std::map<int32_t, int32_t> nextErrors; // handle -> error of the step after it
    std::map<int32_t, int32_t> nameErrors; // handle -> error of its name
    int nextCalls = 0;
};

// An applet host that only hands out its item manager.
using modulartest::ManagerHost;

class SequenceWatchTest : public ::testing::Test {
protected:
    ~SequenceWatchTest() override
    {
        if (watch)
            watch->StopSequenceWatch();
        global::AppletHost().reset();
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
    }

    // A description with the sequences and the transfer item of the given type.
    void Describe(const QStringList& sequences, applet::ItemType transferType = applet::ItemType::Unsigned)
    {
        auto description = std::make_shared<applet::Description>();
        applet::DescObject transfer;
        transfer.name = QStringLiteral("XXXTransferCompletedXXX");
        transfer.type = transferType;
        transfer.size = transferType == applet::ItemType::Unsigned ? 8 : 0;
        transfer.scope = applet::ObjectScope::Applet;
        description->objects.append(transfer);
        for (const QString& name : sequences) {
            applet::DescSequence sequence;
            sequence.name = name;
            description->sequences.append(sequence);
        }
        description->Index();
        parser->names = sequences;
        host->manager = std::make_shared<applet::clsAppletItemManager>(description, parser, std::weak_ptr<applet::AppletHost>());
        global::AppletHost() = host;
    }
    void Start()
    {
        watch = std::make_shared<clsSequenceWatch>();
        watch->StartSequenceWatch();
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls(); // the registrations' refreshes
    }
    int32_t Handle(const QString& name) const { return host->manager->HandleOf(name); }
    // A change as the host makes it.
    void HostWrites(const QString& name, qint64 value)
    {
        ASSERT_TRUE(host->manager->Write(Handle(name), QVariant::fromValue<quint64>(static_cast<quint64>(value)),
                                         applet::WriteOrigin::Host))
            << name.toStdString();
    }
    frmSequenceWatch* Window() const { return watch->WatchWindow(); }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
    TraceCapture traces;
    std::shared_ptr<ListParser> parser = std::make_shared<ListParser>();
    std::shared_ptr<ManagerHost> host = std::make_shared<ManagerHost>();
    std::shared_ptr<clsSequenceWatch> watch;
};

const QString kState = QStringLiteral("&&Sequence_State&&");
const QString kProgress = QStringLiteral("&&Sequence_Progress&&");

} // namespace

TEST_F(SequenceWatchTest, EverySequenceGetsARowAndItsStateShowsWithItsColour)
{
    Describe({QStringLiteral("Upload"), QStringLiteral("Download")});
    Start();
    ASSERT_NE(Window(), nullptr);
    EXPECT_TRUE(Window()->isVisible());
    EXPECT_EQ(watch->SequenceNames(), (QStringList{"Upload", "Download"}));
    ASSERT_EQ(Window()->Rows(), 3);
    EXPECT_EQ(Window()->CellText(0, 0), "Name");
    EXPECT_EQ(Window()->CellText(0, 1), "Status");
    EXPECT_EQ(Window()->CellText(0, 2), "Progress");
    EXPECT_EQ(Window()->CellText(1, 0), "Upload");
    EXPECT_EQ(Window()->CellText(2, 0), "Download");

    const QColor info = Window()->palette().color(QPalette::ToolTipBase);
    HostWrites(kState + QStringLiteral("Download"), 32);
    EXPECT_EQ(Window()->CellText(2, 1), "WRITE ACTIVE");
    EXPECT_EQ(Window()->CellBackground(2, 1), info);
    EXPECT_EQ(Window()->CellBackground(2, 2), info);
    EXPECT_TRUE(traces.contains(QStringLiteral("Sequence <<Download>> Status is WRITE ACTIVE")));
    HostWrites(kProgress + QStringLiteral("Download"), 40);
    EXPECT_EQ(Window()->CellText(2, 2), "40");
    // A state outside the table empties the cell and keeps the colour.
    HostWrites(kState + QStringLiteral("Download"), 3);
    EXPECT_EQ(Window()->CellText(2, 1), QString());
    EXPECT_EQ(Window()->CellBackground(2, 1), info);
    HostWrites(kState + QStringLiteral("Download"), 0);
    EXPECT_EQ(Window()->CellText(2, 1), "READY");
    EXPECT_EQ(Window()->CellBackground(2, 1), Window()->TableBackground());
    // The other row is untouched.
    EXPECT_EQ(Window()->CellText(1, 1), QString());
}

TEST_F(SequenceWatchTest, TheStateTablesAreComplete)
{
    const std::pair<int32_t, const char*> states[] = {
        {0, "READY"}, {1, "WRITE REQUEST"}, {2, "READ REQUEST"}, {4, "WRITE STOP CYC"}, {8, "READ STOP CYC"},
        {16, "ADJUST STOP CYC"}, {32, "WRITE ACTIVE"}, {64, "READ ACTIVE"}, {128, "ADJUST ACTIVE"},
        {256, "DYNA STOP CYC"}, {512, "DYNA REQUEST"}, {1024, "DYNA ACTIVE"}, {2048, "READ SUSPEND"},
        {4096, "WRITE SUSPEND"}, {8192, "DYNA SUSPEND"}};
    for (const auto& [value, text] : states) {
        EXPECT_STREQ(clsSequenceWatch::SequenceStateText(value).text, text);
        EXPECT_EQ(clsSequenceWatch::SequenceStateText(value).colour,
                  value == 0 ? clsSequenceWatch::Colour::TableBackground : clsSequenceWatch::Colour::InfoBackground);
    }
    EXPECT_STREQ(clsSequenceWatch::SequenceStateText(3).text, "");
    EXPECT_EQ(clsSequenceWatch::SequenceStateText(3).colour, clsSequenceWatch::Colour::Unchanged);
    EXPECT_STREQ(clsSequenceWatch::TransferStateText(0).text, "PENDING");
    EXPECT_STREQ(clsSequenceWatch::TransferStateText(1).text, "READY");
    EXPECT_STREQ(clsSequenceWatch::TransferStateText(2).text, "ABORTED");
    EXPECT_STREQ(clsSequenceWatch::TransferStateText(-1).text, "invalid");
    EXPECT_EQ(clsSequenceWatch::TransferStateText(7).colour, clsSequenceWatch::Colour::Unchanged);
}

TEST_F(SequenceWatchTest, TheTransferStateColoursTheFixedCells)
{
    Describe({QStringLiteral("Upload")});
    Start();
    ASSERT_NE(Window(), nullptr);
    HostWrites(QStringLiteral("XXXTransferCompletedXXX"), 2);
    EXPECT_EQ(Window()->FixedBackground(), QColor(255, 0, 0));
    EXPECT_TRUE(traces.contains(QStringLiteral("Transfer Status = ABORTED")));
    HostWrites(QStringLiteral("XXXTransferCompletedXXX"), 0);
    EXPECT_EQ(Window()->FixedBackground(), Window()->palette().color(QPalette::ToolTipBase));
    HostWrites(QStringLiteral("XXXTransferCompletedXXX"), 1);
    EXPECT_EQ(Window()->FixedBackground(), Window()->palette().color(QPalette::Button));
    HostWrites(QStringLiteral("XXXTransferCompletedXXX"), 9);
    EXPECT_EQ(Window()->FixedBackground(), Window()->palette().color(QPalette::Button));
    EXPECT_TRUE(traces.contains(QStringLiteral("Transfer Status = invalid")));
}

TEST_F(SequenceWatchTest, AnUnreadableTransferItemShowsInvalidAndKeepsTheColour)
{
    Describe({QStringLiteral("Upload")}, applet::ItemType::Text);
    Start();
    ASSERT_NE(Window(), nullptr);
    const QColor before = Window()->FixedBackground();
    int32_t failed = 0;
    host->manager->PutStringValue(Handle(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("x"), failed);
    EXPECT_TRUE(traces.contains(QStringLiteral("Transfer Status = invalid")));
    EXPECT_EQ(Window()->FixedBackground(), before);
}

TEST_F(SequenceWatchTest, ShadowAndRuleFreeChangesAreNotShownButRefreshBitAloneIs)
{
    Describe({QStringLiteral("Upload")});
    Start();
    ASSERT_NE(Window(), nullptr);
    const int32_t state = Handle(kState + QStringLiteral("Upload"));
    host->manager->Load(state, QVariant::fromValue<quint64>(64));
    int32_t result = -1;
    watch->NotifyChanged(state, false, applet::StateInfo::kShadowOnly, 0, result);
    EXPECT_EQ(result, 0);
    watch->NotifyChanged(state, false, applet::StateInfo::kNoRules, 0, result);
    EXPECT_EQ(Window()->CellText(1, 1), QString());
    watch->NotifyChanged(state, false, applet::StateInfo::kRefresh, 0, result);
    EXPECT_EQ(Window()->CellText(1, 1), "READ ACTIVE");
}

TEST_F(SequenceWatchTest, ADescriptionWithoutSequencesShowsNoWindow)
{
    Describe({});
    Start();
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(watch->SequenceCount(), 0);
}

TEST_F(SequenceWatchTest, ParserFailuresEndTheListWithTheNamesReadSoFar)
{
    Describe({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    // The name of B cannot be read: C takes its place.
    parser->nameErrors[2] = 0x55;
    // The step after C fails: D is never reached, and the step is not repeated.
    parser->nextErrors[3] = 0x8004;
    Start();
    EXPECT_EQ(watch->SequenceNames(), (QStringList{"A", "C"}));
    EXPECT_EQ(parser->nextCalls, 3);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(Window()->Rows(), 3);
    EXPECT_TRUE(traces.contains(QStringLiteral("fncGetEntryName error = 0x55, Handle =2")));
    EXPECT_TRUE(traces.contains(QStringLiteral("fncGetNextEntryHandle error = 0x8004")));
}

TEST_F(SequenceWatchTest, ACountThatOverstatesTheEntriesEndsAtTheLastEntry)
{
    Describe({QStringLiteral("A"), QStringLiteral("B")});
    parser->extraCount = 1000;
    parser->nextErrors[2] = 7; // the parser has no entry after B
    Start();
    EXPECT_EQ(watch->SequenceNames(), (QStringList{"A", "B"}));
    EXPECT_EQ(parser->nextCalls, 2);
}

TEST_F(SequenceWatchTest, FailuresBeforeTheFirstNameShowNoWindow)
{
    Describe({QStringLiteral("A")});
    parser->numberError = static_cast<int32_t>(0x80040001u);
    Start();
    EXPECT_EQ(Window(), nullptr);
    EXPECT_TRUE(traces.contains(QStringLiteral("fncNumberOfEntries error = 0x80040001")));
    watch->StopSequenceWatch();

    parser->numberError = 0;
    parser->firstError = 0x12;
    Start();
    EXPECT_EQ(Window(), nullptr);
    EXPECT_TRUE(traces.contains(QStringLiteral("fncGetFirstEntryHandle error = 0x12")));
    watch->StopSequenceWatch();

    // The only name unreadable: nothing to show.
    parser->firstError = 0;
    parser->nameErrors[1] = 3;
    Start();
    EXPECT_EQ(Window(), nullptr);
}

TEST_F(SequenceWatchTest, StopAndDestroyEndTheWatch)
{
    Describe({QStringLiteral("Upload")});
    Start();
    ASSERT_NE(Window(), nullptr);
    QPointer<frmSequenceWatch> window = Window();
    watch->StopSequenceWatch();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(host->manager->IsRegistered(watch.get()));
    int32_t result = -1;
    watch->NotifyChanged(1, false, 0, 0, result);
    EXPECT_EQ(result, 1);

    Start();
    window = Window();
    ASSERT_FALSE(window.isNull());
    watch->Destroy(result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(window.isNull());
    watch->Show(result);
    EXPECT_EQ(result, 1);
    watch->Hide(result);
    EXPECT_EQ(result, 1);
    host->manager->UnregisterView(watch.get(), result);
}

TEST_F(SequenceWatchTest, WithoutAnAppletHostNothingStarts)
{
    watch = std::make_shared<clsSequenceWatch>();
    watch->StartSequenceWatch();
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(traces.lines().size(), 1);
}

// The whole road: the toolkit's host runs sequences and the table follows.
TEST(SequenceWatchWithHost, TheTableFillsAsSequencesRun)
{
    loop::ManualClock clock;
    loop::ScopedTimerService clockScope(clock);
    TraceCapture traces;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("watch.tdx"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<TdxDescription xmlns="urn:trivex:tdx-description:1" kind="device">
  <Header><Key name="DevDescLong" value="Watch test"/></Header>
  <Objects>
    <Object name="XXXTransferCompletedXXX" type="unsigned" size="8" default="1" scope="applet"/>
  </Objects>
  <Sequences>
    <Sequence name="Identify" kind="read"/>
    <Sequence name="Store" kind="write"/>
  </Sequences>
</TdxDescription>
)");
    file.close();

    applet::RegisterClasses();
    auto host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
    int32_t code = -1;
    host->fncInit(path, QString(), QString(), code);
    ASSERT_EQ(code, 0);
    global::AppletHost() = host;
    auto watch = std::make_shared<clsSequenceWatch>();
    watch->StartSequenceWatch();
    clock.Advance(10);
    ASSERT_NE(watch->WatchWindow(), nullptr);
    frmSequenceWatch* window = watch->WatchWindow();
    EXPECT_EQ(window->CellText(1, 0), "Identify");
    EXPECT_EQ(window->CellText(2, 0), "Store");

    host->StartSequence(QStringLiteral("Store"), code);
    ASSERT_EQ(code, 0);
    clock.Advance(10);
    EXPECT_EQ(window->CellText(2, 1), "READY");
    EXPECT_EQ(window->CellText(2, 2), "100");
    EXPECT_EQ(window->CellText(1, 1), QString());
    const QStringList seen = traces.messages().filter(QStringLiteral("Sequence <<Store>>"));
    EXPECT_EQ(seen, (QStringList{"Sequence <<Store>> Status is WRITE REQUEST",
                                 "Sequence <<Store>> Status is WRITE ACTIVE", "Sequence <<Store>> Status is READY"}));

    host->StartSequence(QStringLiteral("Identify"), code);
    ASSERT_EQ(code, 0);
    clock.Advance(10);
    EXPECT_EQ(window->CellText(1, 1), "READY");
    EXPECT_TRUE(traces.contains(QStringLiteral("Sequence <<Identify>> Status is READ ACTIVE")));

    watch->StopSequenceWatch();
    EXPECT_EQ(watch->WatchWindow(), nullptr);
    host->DestroyApplet(global::AppletHost(), code);
    global::AppletHost().reset();
}
