// Functions invoked through the DTM object as a frame does, on the Trivex
// description with more menu entries: the database functions report after
// their deferred operation, the export writes the file the user chose, and
// a form or view reports its closing as OnApplicationClosed, on the host
// double and on the toolkit's own applet host with a form class of the test.
#include "ApplicationManagerTestSupport.h"
#include "platform/xml/XmlDocument.h"

namespace {

using namespace appmgrtest;
using dtmtest::kTag;

// The description of the tests registered as the Trivex device type.
QString RegisterExtendedDescription(const QString& folder)
{
    const QString tdx = ExtendedDescription(folder, kExtraMenu, kExtraForms);
    dtmtest::RegisterTrivexType(dtmtest::kTrivexTypeId, dtmtest::kHartBus, QString(), tdx);
    return tdx;
}

class FunctionInvoke : public dtmtest::DtmTest {
protected:
    FunctionInvoke()
    {
        counting = dtmtest::FakeAppletHost::Make<CountingHost>(RegisterExtendedDescription(descriptionDir.path()));
        UseHost(counting);
        traces.clear();
    }
    void Settle()
    {
        for (int i = 0; i < 20; ++i) {
            clock.Advance(100);
            while (loop::PendingPostedCalls() > 0)
                loop::RunPostedCalls();
        }
    }
    // The dataset lock is left and the frame has unlocked.
    void ExpectUnlocked()
    {
        Settle();
        EXPECT_EQ(Dtm()->LockCounter(), 0);
        EXPECT_FALSE(Container()->DataSetLockedByDtm());
    }

    QTemporaryDir descriptionDir;
    std::shared_ptr<CountingHost> counting;
};

TEST_F(FunctionInvoke, DatabaseFunctionsReportAfterTheirDeferredOperation)
{
    ConfiguredInstance();
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("save-1"), Call(kSaveDbId)));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    EXPECT_TRUE(Container()->DataSetLockedByDtm());
    // Not inside the frame's call.
    EXPECT_FALSE(counting->calls.contains("SaveToDatabase"));
    EXPECT_EQ(frame->Events().Count("OnInvokedFunctionFinished"), 0);
    // While it waits, a second call of the function is refused and takes no lock.
    EXPECT_FALSE(Dtm()->InvokeFunctionRequest(QStringLiteral("save-2"), Call(kSaveDbId)));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    clock.Advance(100);
    EXPECT_EQ(counting->calls.count("SaveToDatabase"), 1);
    EXPECT_EQ(frame->Events().Texts("OnInvokedFunctionFinished"),
              QStringList{"OnInvokedFunctionFinished(save-1, True)"});
    ExpectUnlocked();

    // A failing applet operation is an unsuccessful function.
    counting->loadResult = static_cast<int32_t>(0x80004005u);
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("load-1"), Call(kLoadDbId)));
    Settle();
    EXPECT_TRUE(counting->calls.contains("LoadFromDatabase"));
    EXPECT_EQ(frame->Events().Texts("OnInvokedFunctionFinished").last(), "OnInvokedFunctionFinished(load-1, False)");
    ExpectUnlocked();
    EXPECT_FALSE(traces.contains("Runtime error"));
}

TEST_F(FunctionInvoke, TheExportWritesTheFileTheUserChose)
{
    ConfiguredInstance();
    // What is exported is the dataset as it is now, also what changed after
    // the frame last saved the instance.
    ASSERT_TRUE(frame->SaveInstance(kTag)) << frame->LastError().toStdString();
    ASSERT_TRUE(Dtm()->DataManager()->XML_FdtVariable_Write(QStringLiteral("probe"), QStringLiteral("after the save")));
    const QList<Offered> offered = Entries(Dtm()->GetFunctions(State()));
    const Offered* exportFunction = Find(offered, kExtendedExportId);
    ASSERT_TRUE(exportFunction);
    EXPECT_EQ(exportFunction->name, "&&Menu_State&&Export");
    EXPECT_FALSE(exportFunction->hasGui);

    const QString chosen = dir.filePath(QStringLiteral("data"));
    dialogService.AnswerSaveFile(chosen);
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("exp-1"), Call(kExtendedExportId)));
    // Reported inside the call, with the result of saving the applet's data first.
    EXPECT_EQ(frame->Events().Texts("OnInvokedFunctionFinished").join(", ").toStdString(),
              "OnInvokedFunctionFinished(exp-1, True)");
    EXPECT_TRUE(counting->calls.contains("SaveToDatabase"));
    ASSERT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_EQ(dialogService.Requests()[0].kind, dialogs::DialogKind::FileSave);
    EXPECT_EQ(dialogService.Requests()[0].title, "Export Data To...");

    xml::XmlDocument file;
    ASSERT_TRUE(file.Load(chosen + QStringLiteral(".xml"))) << file.ParseError().reason.toStdString();
    const xml::XmlNode root = file.DocumentElement();
    EXPECT_EQ(root.Name(), "DTMExportSchema");
    const xml::XmlNode parameters = root.FirstChildElement(QStringLiteral("DTMParameter"));
    ASSERT_TRUE(parameters);
    // The parameter document as text, not as elements.
    EXPECT_TRUE(parameters.ChildElements().isEmpty());
    xml::XmlDocument dataset;
    ASSERT_TRUE(dataset.LoadXml(parameters.Text())) << dataset.ParseError().reason.toStdString();
    EXPECT_EQ(dataset.DocumentElement().LocalName(), "FDT");
    EXPECT_TRUE(parameters.Text().contains(QStringLiteral("after the save")));
    ExpectUnlocked();
}

TEST_F(FunctionInvoke, AFormReportsItsClosingAndLeavesTheLock)
{
    ConfiguredInstance();
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("trend-1"), Call(kTrendId)));
    Settle();
    EXPECT_TRUE(counting->calls.contains("StartSingleView frmTrend"));
    EXPECT_EQ(frame->Events().Count("OnInvokedFunctionFinished"), 0);
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    // Started as an application (id above 12) it is the same function, busy.
    EXPECT_FALSE(Dtm()->StartApplication(QStringLiteral("trend-2"), Call(kTrendId), QString()));

    ASSERT_TRUE(Dtm()->ExitApplication(QStringLiteral("trend-1")));
    EXPECT_TRUE(counting->calls.contains("fncCloseForm frmTrend"));
    EXPECT_EQ(frame->Events().Count("OnApplicationClosed"), 0);
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    counting->CloseMessage(QStringLiteral("FRMTREND"));
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"), QStringList{"OnApplicationClosed(trend-1)"});
    ExpectUnlocked();

    // A form that does not open ends its run at once.
    counting->startResult = 1;
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("trend-3"), Call(kTrendId), QString()));
    Settle();
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed").last(), "OnApplicationClosed(trend-3)");
    ExpectUnlocked();
    EXPECT_TRUE(Dtm()->ApplicationManager()->AllGuiFunctionsIdle());
}

// --- On the toolkit's own applet host ---------------------------------------------------

// The form of the test: it opens when the host starts it and closes when the
// host ends it or the user closes it.
class TrendForm : public automation::ComObject, public applet::View {
public:
    struct Counts {
        int created = 0;
        int shown = 0;
        int destroyed = 0;
        std::weak_ptr<TrendForm> last;
    };
    static Counts& counts()
    {
        static Counts c;
        return c;
    }

    void SetAppletItemManagRef(int32_t, const std::shared_ptr<applet::clsAppletItemManager>& m,
                               int32_t& result) override
    {
        manager = m;
        result = 0;
    }
    void Show(int32_t& result) override
    {
        ++counts().shown;
        result = 0;
    }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override
    {
        ++counts().destroyed;
        manager.reset();
        result = 0;
    }
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }
    // The user closes the window.
    void Close()
    {
        const auto m = manager;
        manager.reset();
        int32_t result = 0;
        if (m)
            m->UnregisterView(this, result);
    }

    std::shared_ptr<applet::clsAppletItemManager> manager;
};

class FunctionInvokeAppletHost : public dtmtest::DtmTest {
protected:
    FunctionInvokeAppletHost()
    {
        RegisterExtendedDescription(descriptionDir.path());
        applet::RegisterClasses(); // the toolkit's applet host
        TrendForm::counts() = TrendForm::Counts();
        automation::ClassRegistry::instance().Register(QStringLiteral("TestViews.Trend"), QString(), [] {
            auto form = std::make_shared<TrendForm>();
            ++TrendForm::counts().created;
            TrendForm::counts().last = form;
            return form;
        });
        traces.clear();
    }
    ~FunctionInvokeAppletHost() override { automation::ClassRegistry::instance().Unregister("TestViews.Trend"); }
    void Settle()
    {
        for (int i = 0; i < 20; ++i) {
            clock.Advance(100);
            while (loop::PendingPostedCalls() > 0)
                loop::RunPostedCalls();
        }
    }
    double ActiveForms() const
    {
        std::shared_ptr<applet::clsAppletItemManager> manager;
        global::AppletHost()->GetItemManager(manager);
        return itemaccess::Number(*manager, QStringLiteral("&&private_FDT&&ActiveForms"));
    }

    QTemporaryDir descriptionDir;
};

TEST_F(FunctionInvokeAppletHost, TheFormOfTheMenuOpensAndItsClosingReachesTheFrame)
{
    ConfiguredInstance();
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("trend-1"), Call(kTrendId)));
    EXPECT_EQ(TrendForm::counts().created, 0); // not inside the frame's call
    Settle();
    EXPECT_EQ(TrendForm::counts().created, 1);
    EXPECT_EQ(TrendForm::counts().shown, 1);
    EXPECT_EQ(ActiveForms(), 1);

    // Exited by the frame: the host ends the form and announces it.
    ASSERT_TRUE(Dtm()->ExitApplication(QStringLiteral("trend-1")));
    EXPECT_EQ(TrendForm::counts().destroyed, 1);
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    Settle();
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"), QStringList{"OnApplicationClosed(trend-1)"});
    EXPECT_EQ(ActiveForms(), 0);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());

    // Closed by the user.
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("trend-2"), Call(kTrendId)));
    Settle();
    const auto form = TrendForm::counts().last.lock();
    ASSERT_TRUE(form);
    form->Close();
    Settle();
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed").last(), "OnApplicationClosed(trend-2)");
    EXPECT_EQ(Dtm()->LockCounter(), 0);
}

TEST_F(FunctionInvokeAppletHost, AnApplicationWhoseFormIsNotBuiltEndsCleanly)
{
    // MdiMain's class is not part of this system yet.
    ConfiguredInstance(QStringLiteral("planningEngineer"));
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("cfg-1"), Call(4, QStringLiteral("engineering")), QString()));
    EXPECT_TRUE(Dtm()->ApplicationManager()->OfflineApplicationActive());
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    Settle();
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"), QStringList{"OnApplicationClosed(cfg-1)"});
    EXPECT_FALSE(Dtm()->ApplicationManager()->OfflineApplicationActive());
    EXPECT_TRUE(Dtm()->ApplicationManager()->Application(4).invokeId.isEmpty());
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
}

} // namespace
