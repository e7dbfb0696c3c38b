// A function call without an operation phase runs in no phase; that it came
// without one is written at its own trace level, whatever the switches say.
// Two online applications on one window: the communication stays while
// either runs, and the window's closing asks once whether to save.
#include "ApplicationManagerTestSupport.h"
#include "fennick/services/Debugging.h"
#include <QRegularExpression>

namespace {

using namespace appmgrtest;

class FunctionCallPhase : public ::testing::Test {
protected:
    ~FunctionCallPhase() override
    {
        if (manager)
            manager->DestroyApplications();
        dtmtest::ReleaseDtmGlobals();
    }
    void Build()
    {
        const auto menu = std::make_shared<MenuParser>(QList<MenuParser::Entry>{});
        host = dtmtest::FakeAppletHost::Make(QString(), menu);
        global::AppletHost() = host;
        manager = std::make_shared<clsApplicationManager>();
        ASSERT_TRUE(manager->RegisterFunctions(menu, std::make_shared<ApplicationParser>(
                                                         QList<ApplicationParser::Application>{})));
    }
    // The lines that name the missing phase attribute.
    QStringList PhaseLines() const
    {
        return traces.lines().filter(QStringLiteral("Missing XML - Attribute ops:operationPhase"));
    }

    TraceCapture traces{false};
    std::shared_ptr<dtmtest::FakeAppletHost> host;
    std::shared_ptr<clsApplicationManager> manager;
};

TEST_F(FunctionCallPhase, AMissingPhaseIsWrittenAtItsOwnLevelEvenWithTheSwitchesOff)
{
    Build();
    Debugging::Switches().Info = 0; // restored with the capture
    const auto withoutPhase = [](int32_t functionId) {
        QString call = Call(functionId);
        call.remove(QRegularExpression(QStringLiteral(" ops:operationPhase=\"[^\"]*\"")));
        EXPECT_FALSE(call.contains(QStringLiteral("operationPhase")));
        return call;
    };

    traces.clear();
    EXPECT_FALSE(manager->InvokeFunction(QStringLiteral("i1"), withoutPhase(99)));
    EXPECT_FALSE(manager->StartApplication(QStringLiteral("i2"), withoutPhase(5), QString()));
    const QStringList lines = PhaseLines();
    ASSERT_EQ(lines.size(), 2) << traces.lines().join(QLatin1Char('\n')).toStdString();
    for (const QString& line : lines)
        EXPECT_TRUE(line.contains(QStringLiteral("  #L: 2  #M: "))) << line.toStdString();

    // A call that names its phase writes nothing of the kind.
    traces.clear();
    EXPECT_FALSE(manager->InvokeFunction(QStringLiteral("i3"), Call(99)));
    EXPECT_TRUE(PhaseLines().isEmpty());
}

class TwoApplicationsOnOneWindow : public dtmtest::DtmTest {
protected:
    TwoApplicationsOnOneWindow() { UseHost(counting); }

    std::shared_ptr<clsApplicationManager> Manager() const { return Dtm()->ApplicationManager(); }
    void Settle()
    {
        for (int i = 0; i < 20; ++i) {
            clock.Advance(100);
            while (loop::PendingPostedCalls() > 0)
                loop::RunPostedCalls();
        }
    }

    std::shared_ptr<CountingHost> counting = dtmtest::FakeAppletHost::Make<CountingHost>();
};

TEST_F(TwoApplicationsOnOneWindow, TheCommunicationStaysUntilTheLastHasGoneAndTheSaveIsAskedOnce)
{
    CommunicationSetInstance();
    // fdtDiagnosis and fdtObserve both open the Trivex main window.
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("diag-1"), Call(5), QString()));
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("obs-1"), Call(8), QString()));
    Settle();
    const auto manager = Manager();
    EXPECT_TRUE(manager->OnlineApplicationActive());

    // The first one is asked to close; the other still needs the device.
    EXPECT_TRUE(Dtm()->ExitApplication(QStringLiteral("diag-1")));
    EXPECT_TRUE(manager->OnlineApplicationActive());
    frame->Events().Clear();
    EXPECT_FALSE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_EQ(frame->Events().Count("OnErrorMessage"), 2);
    EXPECT_TRUE(Dtm()->ExitApplication(QStringLiteral("obs-1")));
    EXPECT_FALSE(manager->OnlineApplicationActive());

    // The window closes: both applications end, after one question whose
    // answer stands.
    counting->MarkChanged(); // the save question is asked about changes
    dialogService.AnswerMessage(dialogs::DialogResult::Yes);
    counting->calls.clear();
    counting->CloseMessage(QStringLiteral("MdiMain"));
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"),
              (QStringList{"OnApplicationClosed(diag-1)", "OnApplicationClosed(obs-1)"}));
    EXPECT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_TRUE(counting->calls.contains("SaveToDatabase")) << counting->calls.join(", ").toStdString();
    EXPECT_FALSE(counting->calls.contains("LoadFromDatabase"));
    Settle();
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
    EXPECT_TRUE(Dtm()->PrepareToReleaseCommunication());
}

} // namespace
