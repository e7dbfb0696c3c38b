// The applet host starts the always-started view, which creates and registers
// its components in their fixed order; Destroy takes every one down again,
// also past a component that fails.
#include "CorvaneTestSupport.h"
#include "corvane/frame/ComponentTable.h"
#include "corvane/frame/clsConnEventHandler.h"
#include "corvane/frame/clsCurrSeqMgr.h"
#include "corvane/frame/clsMenuMgr.h"
#include "corvane/frame/frmRecordItemHandler.h"

namespace {

using namespace corvanetest;

// The fixed order of all fourteen components; the frame creates those built so far in this order.
const QStringList kComponentOrder = {"clsMenuMgr",         "clsRecordMgr",        "clsCurrSeqMgr",
                                     "clsUploadDownloadMgr", "clsConnEventHandler", "clsHandleDataBurn",
                                     "clsUserCurve",       "clsDatasetValidation", "clsTtrbObjectMgr",
                                     "clsPbObjectMgr",     "clsMvCalculation",    "clsFactoryReset",
                                     "clsHTMLReportFactory", "clsAiObjectMgr"};

QStringList BuiltComponentsInOrder()
{
    QStringList built;
    for (const auto& entry : corvane::ComponentTable())
        built.append(entry.key);
    QStringList ordered;
    for (const QString& key : kComponentOrder)
        if (built.contains(key))
            ordered.append(key);
    EXPECT_EQ(built, ordered) << "the component table is out of order or holds an unknown key";
    for (const char* key : {"clsConnEventHandler", "clsTtrbObjectMgr", "clsAiObjectMgr"})
        EXPECT_TRUE(built.contains(QLatin1String(key))) << key;
    return ordered;
}

QStringList Keys(const clsCompCol& components)
{
    QStringList keys;
    for (int i = 1; i <= components.Count(); ++i)
        keys.append(components.KeyAt(i));
    return keys;
}

TEST(FrameStartStop, TheHostStartsTheViewWithoutTracesAndTheComponentsRegisterInOrder)
{
    const QString tdx = loopbacktest::StagedTrivexDescription();
    if (!QFileInfo::exists(tdx))
        GTEST_FAIL() << "no staged Trivex description";
    HomeFolder home;
    applet::RegisterClasses();
    corvane::RegisterClasses();
    ErrorTraces traces;
    auto host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
    int32_t code = -1;
    host->fncInit(tdx, QString(), QString(), code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(traces.lines.isEmpty()) << traces.lines.join(QLatin1Char('\n')).toStdString();

    std::shared_ptr<applet::clsAppletItemManager> manager;
    host->GetItemManager(manager);
    std::shared_ptr<clsStartAlwaysView> view;
    for (const auto& registered : manager->RegisteredViews())
        if (auto frame = std::dynamic_pointer_cast<clsStartAlwaysView>(registered))
            view = frame;
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->Started());
    EXPECT_EQ(Keys(view->Components()), BuiltComponentsInOrder());
    auto menus = std::dynamic_pointer_cast<clsMenuMgr>(view->Components().Item(QStringLiteral("clsMenuMgr")));
    auto sequences = std::dynamic_pointer_cast<clsCurrSeqMgr>(view->Components().Item(QStringLiteral("clsCurrSeqMgr")));
    auto connection =
        std::dynamic_pointer_cast<clsConnEventHandler>(view->Components().Item(QStringLiteral("clsConnEventHandler")));
    ASSERT_TRUE(menus && sequences && connection);
    EXPECT_TRUE(menus->Registered() && sequences->Registered() && connection->Registered());
    ASSERT_TRUE(view->HostForm());
    EXPECT_TRUE(view->HostForm()->Registered());
    EXPECT_FALSE(view->HostForm()->isVisible());
    EXPECT_GT(sequences->Sequences().Count(), 1); // every sequence of the description is watched

    std::shared_ptr<applet::AppletHost> keep = host;
    host->DestroyApplet(keep, code);
    Settle();
    EXPECT_FALSE(view->Started());
    EXPECT_FALSE(menus->Registered() || sequences->Registered() || connection->Registered());
    EXPECT_FALSE(view->HostForm());
    EXPECT_TRUE(traces.lines.isEmpty()) << traces.lines.join(QLatin1Char('\n')).toStdString();
}

// Logs its calls; its UnRegister fails.
class FailingComponent : public IStartAlwaysComp {
public:
    void Register(const std::shared_ptr<IViewEx>&) override { registered = true; }
    void UnRegister() override { throw automation::ComError(automation::E_FAIL_, QStringLiteral("cannot let go")); }
    bool registered = false;
};

TEST(FrameStartStop, DestroyTakesEverythingDownPastAComponentThatFails)
{
    HomeFolder home;
    CorvaneApplet applet;
    PIO_REQUIRE_APPLET(applet);
    auto view = std::make_shared<clsStartAlwaysView>();
    auto failing = std::make_shared<FailingComponent>();
    EXPECT_EQ(view->Components().Count(), 0);
    view->Components().Add(failing, QStringLiteral("failing"));
    int32_t result = -1;
    applet.manager->RegisterView(view, result);
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(failing->registered);
    EXPECT_EQ(Keys(view->Components()), QStringList{"failing"} + BuiltComponentsInOrder());

    auto menus = std::dynamic_pointer_cast<clsMenuMgr>(view->Components().Item(QStringLiteral("clsMenuMgr")));
    ErrorTraces traces;
    view->Destroy(result);
    EXPECT_NE(result, 0);
    EXPECT_TRUE(traces.Contains(QStringLiteral("component failing failed: cannot let go")));
    EXPECT_FALSE(menus->Registered());
    EXPECT_FALSE(view->HostForm());
    EXPECT_FALSE(applet.manager->IsRegistered(view.get()));
    EXPECT_FALSE(view->Started());
}

TEST(FrameStartStop, TheEndOfAnUploadClearsTheCurrentSequenceOnlyWhileTheViewIsStarted)
{
    HomeFolder home;
    CorvaneApplet applet;
    PIO_REQUIRE_APPLET(applet);
    const std::shared_ptr<clsStartAlwaysView> view = applet.View();
    ASSERT_TRUE(view);
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Upload"));
    view->m_UploadDownloadMgr_UploadCompleted();
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QString());

    int32_t result = -1;
    view->Destroy(result);
    EXPECT_EQ(result, 0);
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Upload"));
    view->m_UploadDownloadMgr_UploadCompleted();
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QStringLiteral("Upload"));
}

TEST(FrameStartStop, ViewCallbacksChangeNothingAndTheHostFormRefusesItsCloseCommand)
{
    clsStartAlwaysView view;
    int32_t result = -1;
    view.Show(result);
    EXPECT_EQ(result, 0);
    view.NotifyChanged(1, false, 0, 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(view.Started());
    EXPECT_EQ(view.Components().Count(), 0);
    view.m_UploadDownloadMgr_UploadCompleted(); // before start: reaches no receiver

    frmRecordItemHandler form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Trivex StartAlways"));
    EXPECT_THROW(form.Load(), automation::ComError); // no view to register with
    form.show();
    EXPECT_FALSE(form.close());
    form.Unload();
    EXPECT_FALSE(form.isVisible());
}

} // namespace
