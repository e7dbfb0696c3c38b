// The file views on the Trivex description: load, save and save-as run the
// applet host's operation with their marker in "currentSequence" and clear it
// however the operation ends; a dataset saved to a file comes back whole; a
// file the host refuses changes no item; a failed save or a load that raises
// is traced and told to the user.
#include "CommandViewSupport.h"
#include "corvane/frame/clsLoadFromFile.h"
#include "corvane/frame/clsSaveAsToFile.h"
#include "corvane/frame/clsSaveToFile.h"
#include "platform/applet/AppletResults.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tests/platform/applet/AppletTestSupport.h"
#include <QFile>

namespace {

using namespace commandtest;

const QString kFileName = QStringLiteral("&&private_PM&&FileName");

// A dialog service whose file-open choice fails as a broken file system would.
class FailingOpenDialogs : public dialogs::ScriptedDialogService {
public:
    QString ChooseOpenFile(const dialogs::FileDialogRequest&) override
    {
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("the file system is gone"),
                                   QStringLiteral("FileDialog"));
    }
};

class FileViews : public ::testing::Test {
protected:
    FileViews()
    {
        dialogService.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
        if (!Ready())
            return;
        Settle(); // what the start of the applet set off
        markers.Watch(kCurrentSequence, QStringLiteral("marker"));
        Settle(); // the registration's first notification
        markers.changes.clear();
    }

    bool Ready() const { return applet.Ready() && applet.View(); }
    int32_t Start(const QString& progId) { return StartView(applet, progId); }
    int32_t SaveAs(const QString& path)
    {
        dialogService.AnswerSaveFile(path);
        return Start(clsSaveAsToFile::kProgId);
    }
    // refused: the host is expected to refuse the file with a message.
    int32_t Load(const QString& path, bool refused = false)
    {
        dialogService.AnswerOpenFile(path);
        if (refused)
            dialogService.AnswerMessage(dialogs::DialogResult::Ok);
        return Start(clsLoadFromFile::kProgId);
    }
    QString LastMessage() const
    {
        for (auto it = dialogService.Requests().rbegin(); it != dialogService.Requests().rend(); ++it)
            if (it->kind == dialogs::DialogKind::Message)
                return it->text;
        return QString();
    }
    // The marker stood while the operation ran and is gone again (a load's
    // refresh announces the standing marker once more).
    void ExpectMarker(const char* marker)
    {
        markers.changes.removeIf([&, last = QString()](const QString& change) mutable {
            const bool repeated = change == last;
            last = change;
            return repeated;
        });
        EXPECT_EQ(markers.changes.join(QLatin1Char(' ')).toStdString(), std::string("marker=") + marker + " marker=");
        EXPECT_EQ(applet.Text(kCurrentSequence).toStdString(), "");
        markers.changes.clear();
    }

    HomeFolder home;
    CorvaneApplet applet;
    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService installed{dialogService};
    ItemLog markers{applet.manager};
    QTemporaryDir dir;
};

#define FILE_REQUIRE_APPLET()                                                                                         \
    if (!Ready())                                                                                                     \
    GTEST_FAIL() << "no staged Trivex description"

TEST_F(FileViews, ASavedDatasetComesBackWhole)
{
    FILE_REQUIRE_APPLET();
    const QStringList defaults = Snapshot(*applet.manager, true);
    ChangeEveryKeptValue(applet, 1);
    markers.changes.clear();
    // A load lets the components that follow every change of their items
    // (revision masks, tag alignment, derived values) bring a dataset in line
    // with its own values; one of those is what a save keeps.
    const QString first = dir.filePath(QStringLiteral("first.tds"));
    ASSERT_EQ(SaveAs(first), 0);
    ExpectMarker("WriteFile");
    ASSERT_EQ(Load(first), 0);
    ExpectMarker("ReadFile");
    const QStringList saved = Snapshot(*applet.manager, true);
    ASSERT_GT(QString::fromStdString(Differences(defaults, saved)).count(QLatin1Char('\n')), 300)
        << "most kept values differ from the description's defaults";

    const QString file = dir.filePath(QStringLiteral("dataset.tds"));
    ASSERT_EQ(SaveAs(file), 0);
    ExpectMarker("WriteFile");
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(applet.Text(kFileName), file);

    ChangeEveryKeptValue(applet, 2);
    markers.changes.clear();
    ASSERT_NE(Differences(saved, Snapshot(*applet.manager, true)), "");
    ASSERT_EQ(Load(file), 0);
    ExpectMarker("ReadFile");
    EXPECT_EQ(Differences(saved, Snapshot(*applet.manager, true)), "");
    EXPECT_EQ(applet.Text(kFileName), file);
    EXPECT_TRUE(dialogService.Errors().isEmpty());
    EXPECT_EQ(LastMessage(), QString());
}

TEST_F(FileViews, ALoadOfAFileTheHostRefusesChangesNoItem)
{
    FILE_REQUIRE_APPLET();
    const QString good = dir.filePath(QStringLiteral("good.tds"));
    ASSERT_EQ(SaveAs(good), 0);
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    ASSERT_TRUE(text.contains(R"(deviceId="0x89")"));
    ASSERT_TRUE(text.contains(R"(<Value name="highAlarmCurr" type="float">)"));

    struct BadFile {
        const char* kind;
        QByteArray text;
    };
    QByteArray outOfRange = text;
    const qsizetype at = outOfRange.indexOf(R"(<Value name="highAlarmCurr" type="float">)");
    outOfRange.insert(outOfRange.indexOf('>', at) + 1, "30");
    const BadFile files[] = {
        {"another Trivex variant", QByteArray(text).replace(R"(deviceId="0x89")", R"(deviceId="0x8A")")},
        {"malformed XML", text.left(text.size() / 2)},
        {"schema-invalid", QByteArray(text).replace("<Description ", "<Bogus/><Description ")},
        {"a value outside its range", outOfRange},
    };
    ChangeEveryKeptValue(applet, 1);
    markers.changes.clear();
    const QStringList before = Snapshot(*applet.manager, false);
    for (const BadFile& bad : files) {
        SCOPED_TRACE(bad.kind);
        const QString path = applettest::WriteFile(dir, QStringLiteral("bad.tds"), bad.text);
        ErrorTraces traces;
        EXPECT_EQ(Load(path, true), 0) << "the view does its work and closes";
        ExpectMarker("ReadFile");
        EXPECT_EQ(Differences(before, Snapshot(*applet.manager, false)), "");
        EXPECT_TRUE(LastMessage().contains(QStringLiteral("not loaded"))) << LastMessage().toStdString();
        EXPECT_TRUE(traces.Contains(path));
    }
    EXPECT_EQ(dialogService.PendingAnswers(), 0);
    EXPECT_TRUE(dialogService.Errors().isEmpty());
}

TEST_F(FileViews, SaveKeepsTheDatasetInTheInstanceStoreAndToldWhenItFails)
{
    FILE_REQUIRE_APPLET();
    auto store = std::make_shared<applettest::StoreDouble>();
    int32_t code = -1;
    applet.host->fncSetDBInstance(store, code);
    ASSERT_EQ(code, 0);
    ChangeEveryKeptValue(applet, 1);
    markers.changes.clear();

    ASSERT_EQ(Start(clsSaveToFile::kProgId), 0);
    ExpectMarker("WriteFile");
    EXPECT_EQ(applet.Number(QStringLiteral("&&private&&Dirty")), 0);
    QStringList stored;
    for (auto it = store->values.cbegin(); it != store->values.cend(); ++it)
        stored << it.key();
    EXPECT_EQ(stored.size(), Snapshot(*applet.manager, true).size()) << "every kept value, and no file is asked for";
    EXPECT_EQ(store->values.value(QStringLiteral("highAlarmCurr")), applet.Text(QStringLiteral("highAlarmCurr")));
    EXPECT_EQ(applet.Text(kFileName), QString());

    // A store that fails: traced always, told while a form is open.
    store->writeResult = automation::E_FAIL_;
    for (bool formOpen : {false, true}) {
        SCOPED_TRACE(formOpen);
        applet.PutNumber(QStringLiteral("&&private_FDT&&ActiveForms"), formOpen ? 1 : 0);
        if (formOpen)
            dialogService.AnswerMessage(dialogs::DialogResult::Ok);
        ErrorTraces traces;
        EXPECT_EQ(Start(clsSaveToFile::kProgId), 0);
        ExpectMarker("WriteFile");
        EXPECT_TRUE(traces.Contains(QStringLiteral("clsSaveToFile: SaveToDatabase failed")));
        EXPECT_EQ(applet.Number(QStringLiteral("&&private&&Dirty")), 1) << "a failed save is no saved dataset";
        EXPECT_EQ(LastMessage().startsWith(QStringLiteral("The dataset could not be saved.")), formOpen)
            << LastMessage().toStdString();
    }
    EXPECT_EQ(dialogService.PendingAnswers(), 0);
    EXPECT_TRUE(dialogService.Errors().isEmpty());
}

TEST_F(FileViews, AnOperationThatRaisesLeavesNoMarkerAndIsToldInTheUsersLanguage)
{
    FILE_REQUIRE_APPLET();
    FailingOpenDialogs failing;
    failing.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    dialogs::ScopedDialogService scope(failing);
    applet.PutNumber(QStringLiteral("&&private_FDT&&ActiveForms"), 1);
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    failing.AnswerMessage(dialogs::DialogResult::Ok);
    ErrorTraces traces;
    EXPECT_EQ(Start(clsLoadFromFile::kProgId), automation::E_FAIL_);
    ExpectMarker("ReadFile");
    EXPECT_TRUE(traces.Contains(QStringLiteral("clsLoadFromFile: the file system is gone")));
    ASSERT_EQ(failing.Requests().size(), 1u);
    EXPECT_EQ(failing.Requests()[0].text,
              QStringLiteral("Der Datensatz konnte nicht geladen werden.\n\nthe file system is gone"));
    EXPECT_EQ(failing.Requests()[0].icon, dialogs::MessageIcon::Warning);
}

TEST_F(FileViews, ACancelledChoiceTellsNothingAndClearsTheMarker)
{
    FILE_REQUIRE_APPLET();
    const QStringList before = Snapshot(*applet.manager, false);
    EXPECT_EQ(Load(QString()), 0);
    ExpectMarker("ReadFile");
    EXPECT_EQ(SaveAs(QString()), 0);
    ExpectMarker("WriteFile");
    EXPECT_EQ(Differences(before, Snapshot(*applet.manager, false)), "");
    EXPECT_EQ(LastMessage(), QString());
    EXPECT_TRUE(dialogService.Errors().isEmpty());
}

} // namespace
