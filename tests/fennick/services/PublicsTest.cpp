#include "fennick/fdt/frmBusy.h"
#include "fennick/services/Language.h"
#include "fennick/services/Publics.h"
#include "tests/common/TraceCapture.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QScreen>
#include "tests/fennick/services/QStringPrinter.h"
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

class PublicsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Publics::SetProgramFolder(QString());
        Language::SetLocaleIdSource(nullptr);
        auto& registry = automation::ClassRegistry::instance();
        registry.Unregister("Test.FdtFileParser");
        registry.Unregister("Test.TdxFileParser");
        Publics::ShowBusy(0);
    }
};

struct FakeFdtParser : automation::ComObject, applet::FdtFileParser {
    std::optional<automation::ComError> raise;
    QString errorText;
    QString loadedPath;
    void Load(const QString& path, QString& text) override
    {
        loadedPath = path;
        text = errorText;
        if (raise)
            throw *raise;
    }
};

struct FakeTdxParser : automation::ComObject, applet::TdxFileParser {
    std::optional<automation::ComError> raise;
    bool raiseStd = false;
    int32_t status = 0;
    QString errorText;
    int32_t kind = 0, language = 0;
    QString path;
    void Load(int32_t k, const QString& p, int32_t lang, QString& text, int32_t& st) override
    {
        kind = k;
        path = p;
        language = lang;
        text = errorText;
        st = status;
        if (raise)
            throw *raise;
        if (raiseStd)
            throw std::runtime_error("out of memory");
    }
};

template <class Fake>
std::shared_ptr<Fake> registerFake(const QString& progId, const QString& classId)
{
    auto fake = std::make_shared<Fake>();
    automation::ClassRegistry::instance().Register(progId, classId, [fake] { return fake; });
    return fake;
}

int busyWindowCount()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<frmBusy*>(widget) != nullptr;
    return count;
}

} // namespace

TEST_F(PublicsTest, InstallRootIsCutBeforeTheMarkerKeepingTheFoldersCase)
{
    struct Case {
        const char* folder;
        const char* root;
    };
    for (const Case& c : {Case{"/tools/fdt 1.2", "/tools/"}, Case{"/opt/Vendor/FDT 1.2/bin", "/opt/Vendor/"},
                          Case{"/FDT 1.2", "/"}, Case{"/a/Fdt 1.2/Fdt 1.2/bin", "/a/"}}) {
        TraceCapture trace;
        Publics::SetProgramFolder(c.folder);
        EXPECT_EQ(Publics::GetInstallRoot(), c.root) << c.folder;
        EXPECT_TRUE(trace.lines().isEmpty());
    }
    Publics::SetProgramFolder("/opt/Vendor/fdt 1.2/bin");
    EXPECT_EQ(Publics::GetTdxDescriptionDir(), "/opt/Vendor/TDXDESC/");
}

TEST_F(PublicsTest, AFolderWithoutTheMarkerHasNoRootAndNoDescriptionDir)
{
    TraceCapture trace;
    Publics::SetProgramFolder("/FDT12");
    EXPECT_EQ(Publics::GetInstallRoot(), "");
    EXPECT_EQ(trace.messages(), QStringList{"Wrong installation path for Fennick!"});
    trace.clear();
    EXPECT_EQ(Publics::GetTdxDescriptionDir(), "");
    EXPECT_EQ(trace.messages(),
              (QStringList{"Wrong installation path for Fennick!", "Unable to navigate towards ..\\TDXDESC !"}));
}

TEST_F(PublicsTest, TheStagedProgramFindsTheStagedDescriptionTree)
{
    EXPECT_EQ(Publics::ProgramFolder(), QCoreApplication::applicationDirPath());
    const QString dir = Publics::GetTdxDescriptionDir();
    EXPECT_TRUE(dir.endsWith("/stage/TDXDESC/")) << dir.toStdString();
    EXPECT_TRUE(QDir(dir).exists());
}

TEST_F(PublicsTest, FdtParserThatCannotBeCreatedIsTracedAndCleared)
{
    TraceCapture trace;
    auto parser = std::shared_ptr<applet::FdtFileParser>(std::make_shared<FakeFdtParser>());
    EXPECT_EQ(Publics::LoadFdtFileParser(parser, "/x/a.fdt"), 0);
    EXPECT_EQ(parser, nullptr);
    EXPECT_TRUE(trace.contains("Number......:429/ 0x1AD"));
    EXPECT_EQ(trace.messages().last(), "FDT file parser not loaded!");
}

TEST_F(PublicsTest, FdtParserLoadsOrReportsTheFilesError)
{
    auto fake = registerFake<FakeFdtParser>("Test.FdtFileParser", applet::kFdtFileParserClassId);
    std::shared_ptr<applet::FdtFileParser> parser;
    {
        TraceCapture trace;
        EXPECT_EQ(Publics::LoadFdtFileParser(parser, "/x/a.fdt"), -1);
        EXPECT_EQ(parser.get(), static_cast<applet::FdtFileParser*>(fake.get()));
        EXPECT_EQ(fake->loadedPath, "/x/a.fdt");
        EXPECT_TRUE(trace.lines().isEmpty());
    }
    {
        TraceCapture trace;
        fake->raise = automation::ComError(automation::vbObjectError + 0x201, "Load failed", "Parser");
        fake->errorText = "Line 3: unknown tag";
        EXPECT_EQ(Publics::LoadFdtFileParser(parser, "/x/a.fdt"), 0);
        EXPECT_EQ(parser, nullptr);
        EXPECT_EQ(trace.messages(),
                  (QStringList{"Fdt file: /x/a.fdt", "Error code: 0x80040201, Line 3: unknown tag"}));
    }
    {
        TraceCapture trace;
        fake->errorText.clear();
        EXPECT_EQ(Publics::LoadFdtFileParser(parser, "/x/a.fdt"), 0);
        EXPECT_EQ(parser, nullptr);
        EXPECT_EQ(trace.messages(), (QStringList{"Runtime error", "Number......:-2147220991/ 0x80040201",
                                                 "Description.:Load failed", "ErrSource...:Parser",
                                                 "FDT file parser failure"}));
    }
}

TEST_F(PublicsTest, TdxParserFailuresAreTracedAndALoadedParserIsKept)
{
    std::shared_ptr<applet::TdxFileParser> parser;
    {
        TraceCapture trace;
        EXPECT_EQ(Publics::LoadTdxFileParser(parser, "/d/dev.tdx", applet::kTdxKindDevice), 0);
        EXPECT_EQ(parser, nullptr);
        EXPECT_EQ(trace.messages().last(), "ErrSource...:ClassRegistry Unable to load TDX file parser!");
    }
    auto fake = registerFake<FakeTdxParser>("Test.TdxFileParser", applet::kTdxFileParserClassId);
    {
        TraceCapture trace;
        fake->raise = automation::ComError(automation::E_FAIL_, "broken", "Tdx");
        EXPECT_EQ(Publics::LoadTdxFileParser(parser, "/d/dev.tdx", applet::kTdxKindDevice), 0);
        EXPECT_NE(parser, nullptr);
        EXPECT_EQ(trace.messages().last(), "ErrSource...:Tdx TDX file parser fault!");
    }
    {
        TraceCapture trace;
        fake->raise.reset();
        fake->raiseStd = true;
        EXPECT_EQ(Publics::LoadTdxFileParser(parser, "/d/dev.tdx", applet::kTdxKindDevice), 0);
        EXPECT_TRUE(trace.contains("Description.:out of memory"));
        EXPECT_EQ(trace.messages().last(), "ErrSource...:Fennick TDX file parser fault!");
    }
    {
        TraceCapture trace;
        fake->raiseStd = false;
        fake->status = 3;
        fake->errorText = "checksum mismatch";
        EXPECT_EQ(Publics::LoadTdxFileParser(parser, "/d/dev.tdx", applet::kTdxKindDevice), 0);
        EXPECT_NE(parser, nullptr);
        EXPECT_EQ(trace.messages(), QStringList{"Invalid TDX file: checksum mismatch"});
    }
}

TEST_F(PublicsTest, TdxParserLoadsInTheUsersLanguage)
{
    auto fake = registerFake<FakeTdxParser>("Test.TdxFileParser", applet::kTdxFileParserClassId);
    struct Case {
        uint32_t lcid;
        int32_t language;
    };
    for (const Case& c : {Case{1031, 49}, Case{2055, 49}, Case{1033, 1}, Case{6156, 1}, Case{1036, 33},
                          Case{11274, 34}}) {
        Language::SetLocaleIdSource([c] { return c.lcid; });
        std::shared_ptr<applet::TdxFileParser> parser;
        EXPECT_EQ(Publics::LoadTdxFileParser(parser, "/d/proto.tdx", applet::kTdxKindProtocol), -1);
        EXPECT_EQ(fake->language, c.language) << c.lcid;
        EXPECT_EQ(fake->kind, applet::kTdxKindProtocol);
        EXPECT_EQ(fake->path, "/d/proto.tdx");
        EXPECT_NE(parser, nullptr);
    }
}

TEST_F(PublicsTest, OneBusyWindowIsShownAndRemoved)
{
    TraceCapture trace;
    Publics::ShowBusy(0);
    EXPECT_EQ(Publics::BusyForm(), nullptr);

    Publics::ShowBusy(-1);
    frmBusy* form = Publics::BusyForm();
    ASSERT_NE(form, nullptr);
    Publics::ShowBusy(-1);
    EXPECT_EQ(Publics::BusyForm(), form);
    EXPECT_EQ(busyWindowCount(), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->IsTopMost());
    EXPECT_EQ(form->parentWidget(), nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->pos(), QPoint(int(screen.width() * 0.3), int(screen.height() * 0.3)));

    form->SetTopMost(false);
    EXPECT_FALSE(form->IsTopMost());
    EXPECT_TRUE(form->isVisible());
    form->SetTopMost(true);

    // Any value but -1 removes it.
    Publics::ShowBusy(1);
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    EXPECT_EQ(busyWindowCount(), 0);
    EXPECT_TRUE(trace.lines().isEmpty());
}

TEST(PublicsText, TrailingSlashIsAddedAfterTrimmingBlanks)
{
    QString path = "/dir  ";
    Publics::AddTrailingBackslash(path);
    EXPECT_EQ(path, "/dir/");
    Publics::AddTrailingBackslash(path);
    EXPECT_EQ(path, "/dir/");
    path = "/dir/ ";
    Publics::AddTrailingBackslash(path);
    EXPECT_EQ(path, "/dir/ ");
}

TEST(PublicsText, RemoveNullCharsHandlesTextsOfAnyLength)
{
    QString text, expected;
    for (int i = 0; i < 40000; ++i) {
        const QChar c = (i % 4 == 0) ? QChar(u'\0') : QChar(u'a' + i % 26);
        text += c;
        if (!c.isNull())
            expected += c;
    }
    Publics::RemoveNullChars(text);
    EXPECT_EQ(text.size(), 30000);
    EXPECT_EQ(text, expected);
}

TEST(PublicsText, CutTextRemovesTheFirstOccurrenceOnly)
{
    QString text = "abcXYdefXY";
    Publics::CutText(text, "XY");
    EXPECT_EQ(text, "abcdefXY");
    for (const char* part : {"Z", "xy", ""}) {
        text = "abcXYdefXY";
        Publics::CutText(text, part);
        EXPECT_EQ(text, "abcXYdefXY") << part;
    }
    text.clear();
    Publics::CutText(text, "XY");
    EXPECT_EQ(text, "");
    EXPECT_EQ(Publics::EncloseInBraces("1F0A"), "{1F0A}");
}

namespace {
struct FakeItem {
    int unregistered = 0;
    void UnregisterView() { ++unregistered; }
};
struct CountedCollection {
    int n = 0;
    int Count() const { return n; }
};
} // namespace

TEST(PublicsItems, ReleaseDataItemUnregistersOnceAndClears)
{
    FakeItem item;
    FakeItem* ref = &item;
    Publics::ReleaseDataItem(ref);
    Publics::ReleaseDataItem(ref);
    EXPECT_EQ(ref, nullptr);
    EXPECT_EQ(item.unregistered, 1);

    auto shared = std::make_shared<FakeItem>();
    std::weak_ptr<FakeItem> watch = shared;
    Publics::ReleaseDataItem(shared);
    EXPECT_EQ(shared, nullptr);
    EXPECT_TRUE(watch.expired());
}

TEST(PublicsItems, HasItemsNeedsACollectionWithAnItem)
{
    std::shared_ptr<std::vector<int>> none;
    EXPECT_FALSE(Publics::HasItems(none));
    auto list = std::make_shared<std::vector<int>>();
    EXPECT_FALSE(Publics::HasItems(list));
    list->push_back(1);
    EXPECT_TRUE(Publics::HasItems(list));
    CountedCollection counted;
    EXPECT_FALSE(Publics::HasItems(&counted));
    counted.n = 2;
    EXPECT_TRUE(Publics::HasItems(&counted));
    const CountedCollection* missing = nullptr;
    EXPECT_FALSE(Publics::HasItems(missing));
}
