#pragma once
// Application functions on a DTM driven through the reference frame: the DTM
// keeps its own applet host double, while the functions work on the toolkit's
// real applet host over a small description of their own (menu entries of
// every type, a form, sequences), with a scripted communication server and
// instance-data store. A recorder stands in for the application manager.
#include "DtmTestSupport.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsApplicationFunction.h"
#include "fennick/fdt/clsIEventFinished.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/clsAppletHost.h"
#include "tests/common/TdxTestDescription.h"
#include "tests/platform/applet/AppletTestSupport.h"
#include <QFile>

namespace appfunctest {

inline const QString kFormProgId = QStringLiteral("AppFuncTest.FormView");
inline const QString kViewProgId = QStringLiteral("AppFuncTest.GenericView");
inline const QString kMessageItem = QStringLiteral("&&private&&Message");
inline const QString kEngineeringContextItem = QStringLiteral("&&private_FDT&&EngineeringContext");
using dtmtest::kConnectItem;

// One menu entry per function type, the form they open and the sequences they run.
inline QByteArray FunctionDescription()
{
    return tdxtest::DeviceDescription("Function test device", R"(  <Forms>
    <Form name="frmTrend" progId="AppFuncTest.FormView"/>
  </Forms>
  <Objects>
    <Object name="&amp;&amp;private&amp;&amp;connect" type="unsigned" size="8" scope="applet"/>
    <Object name="&amp;&amp;private&amp;&amp;Dirty" type="boolean" scope="applet"/>
    <Object name="&amp;&amp;private&amp;&amp;Message" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_FDT&amp;&amp;ActiveForms" type="unsigned" size="16" scope="applet"/>
    <Object name="&amp;&amp;private_FDT&amp;&amp;EngineeringContext" type="unsigned" size="32" scope="applet"/>
)" + tdxtest::kAppletHostObjects + R"(    <Object name="Tag" type="packedAscii" size="6" text="Tag"/>
  </Objects>
  <Menu>
    <Entry name="Connect" label="&amp;Connect" help="Connects the device" command="CONNECT" number="1"/>
    <Entry name="Disconnect" label="&amp;Disconnect" help="Disconnects the device" command="DISCONNECT" number="2"/>
    <Entry name="CloseTrend" label="Close trend" command="FNCCLOSEFORM frmTrend" number="3"/>
    <Entry name="ForceTag" label="Force tag" command="FNCFORCESEQUENCE ReadTagOnly" number="4"/>
    <Entry name="Trend" label="&amp;Trend" help="Opens the trend" command="fncStartForm frmTrend" number="5"/>
    <Entry name="Generic" label="Generic" command="STARTVIEW AppFuncTest.GenericView" number="6"/>
    <Entry name="Load" label="Load" command="LOADFROMDATABASE" number="7"/>
    <Entry name="Upload" label="Upload" command="LOADFROMDEVICE" number="8"/>
    <Entry name="Save" label="Save" command="SAVETODATABASE" number="9"/>
    <Entry name="Download" label="Download" command="SAVETODEVICE" number="10"/>
    <Entry name="ReadTag" label="Read tag" command="STARTSEQUENCE ReadTagOnly" number="11"/>
    <Entry name="Missing" label="Missing" command="STARTSEQUENCE NoSuchSequence" number="12"/>
    <Entry name="NoForm" label="No form" command="FNCSTARTFORM frmNowhere" number="13"/>
  </Menu>
  <Records>
)" + tdxtest::kReadTagRecord + tdxtest::kWriteTagRecord + R"(  </Records>
  <Sequences>
)" + tdxtest::kTagTransferSequences + R"(    <Sequence name="ReadTagOnly" kind="read">
      <Step record="ReadTag"/>
    </Sequence>
  </Sequences>
)");
}

// Stands in for the application manager: records each completion and, as the
// manager does, gives back the dataset lock of the run.
class FinishedRecorder : public clsIEventFinished {
public:
    void OnApplicationClosed(const QString& invokeId, int32_t functionId) override
    {
        calls << QStringLiteral("closed(%1,%2)").arg(invokeId).arg(functionId);
        if (releaseLock)
            EWAR::DecrementEWAR(QStringLiteral("test OnApplicationClosed"));
    }
    void OnInvokedFunctionFinished(const QString& invokeId, int16_t success) override
    {
        calls << QStringLiteral("finished(%1,%2)").arg(invokeId).arg(success);
        if (releaseLock)
            EWAR::DecrementEWAR(QStringLiteral("test OnInvokedFunctionFinished"));
    }

    QStringList calls;
    bool releaseLock = true;
};

class ApplicationFunctionTest : public dtmtest::DtmTest {
protected:
    // The DTM instance the functions belong to.
    virtual void StartInstance() { ConfiguredInstance(QStringLiteral("maintenance")); }

    void SetUp() override
    {
        StartInstance();
        auto& registry = automation::ClassRegistry::instance();
        for (const QString& progId : {kFormProgId, kViewProgId})
            registry.Register(progId, QString(), [this] {
                auto view = std::make_shared<applettest::RecordingView>();
                views.push_back(view);
                return view;
            });
        const QString path = dir.filePath(QStringLiteral("functions.tdx"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(FunctionDescription());
        file.close();
        appletHost = std::make_shared<applet::clsAppletHost>();
        int32_t code = -1;
        appletHost->fncSetDBInstance(store, code);
        ASSERT_EQ(code, 0);
        appletHost->fncInit(path, QString(), QString(), code);
        ASSERT_EQ(code, 0);
        appletHost->GetItemManager(manager);
        appletHost->fncSetCServer(server, code);
        ASSERT_EQ(code, applet::kServerAccepted);
        server->script[13] = {applettest::ScriptedServer::Answer{0, 0, QByteArray(6, '\x20')}};
        server->script[18] = {applettest::ScriptedServer::Answer{0, 0, QByteArray(6, '\x20')}};
        // The functions find the toolkit here.
        global::AppletHost() = appletHost;
        Settle();
        frame->Events().Clear();
        traces.clear();
    }
    void TearDown() override
    {
        for (const auto& function : functions)
            function->ReleaseFunction();
        functions.clear();
        Settle();
        std::shared_ptr<applet::AppletHost> ref = appletHost;
        int32_t result = 0;
        appletHost->DestroyApplet(ref, result);
        appletHost.reset();
        views.clear();
        global::AppletHost() = host;
        Publics::ShowBusy(0);
        for (const QString& progId : {kFormProgId, kViewProgId})
            automation::ClassRegistry::instance().Unregister(progId);
        Settle();
    }

    // Posted calls, the deferred-operation timer and the frame's replies.
    void Settle() { clock.Advance(100); }

    int32_t MenuHandle(const QString& entry) const
    {
        std::shared_ptr<applet::TdxFileParser> parser;
        manager->GetDataDictionary(parser);
        int32_t handle = 0;
        int32_t error = -1;
        parser->fncGetEntryHandle(QStringLiteral("MENU"), entry, handle, error);
        EXPECT_EQ(error, 0) << entry.toStdString();
        return handle;
    }
    // A menu function built as the manager builds it, with the id it gives.
    std::shared_ptr<clsApplicationFunction> Menu(const QString& entry, const QString& functionId = QStringLiteral("13"))
    {
        auto function = clsApplicationFunction::Create();
        EXPECT_EQ(function->InitFromMenuEntry(MenuHandle(entry), 1), 0) << entry.toStdString();
        function->SetFunctionId(functionId);
        functions.push_back(function);
        return function;
    }
    std::shared_ptr<clsApplicationFunction> Export()
    {
        auto function = clsApplicationFunction::Create();
        EXPECT_EQ(function->InitFromMenuEntry(99, clsApplicationFunction::kExportMenuId), 0);
        function->SetFunctionId(QStringLiteral("13"));
        functions.push_back(function);
        return function;
    }
    std::shared_ptr<clsApplicationFunction> Application(const QString& form, const QString& functionId)
    {
        auto function = clsApplicationFunction::Create();
        EXPECT_EQ(function->InitStartForm(form), 0);
        function->SetFunctionId(functionId);
        functions.push_back(function);
        return function;
    }

    int32_t Handle(const QString& name) const { return manager->HandleOf(name); }
    double Number(const QString& name) const { return itemaccess::Number(*manager, name); }
    void SetNumber(const QString& name, double value) { itemaccess::PutNumber(*manager, name, value); }
    QString Text(const QString& name) const { return itemaccess::Text(*manager, name); }
    void SetText(const QString& name, const QString& text) { itemaccess::PutText(*manager, name, text); }
    // The applet connected, as the connect function leaves it.
    void ConnectApplet()
    {
        int32_t result = -1;
        appletHost->Connect(0, result);
        ASSERT_EQ(result, 0);
        Settle();
        ASSERT_EQ(Number(kConnectItem), 2);
    }
    void SetStatus(int32_t status)
    {
        Dtm()->SetDtmStatus(status);
        Settle();
        frame->Events().Clear();
    }
    // The frame's events without the lock round trip of a run.
    QStringList FrameEvents() const { return frame->Events().Texts(); }

    std::shared_ptr<applettest::StoreDouble> store = std::make_shared<applettest::StoreDouble>();
    std::shared_ptr<applettest::ScriptedServer> server = std::make_shared<applettest::ScriptedServer>();
    std::shared_ptr<applet::clsAppletHost> appletHost;
    std::shared_ptr<applet::clsAppletItemManager> manager;
    std::vector<std::shared_ptr<applettest::RecordingView>> views;
    std::vector<std::shared_ptr<clsApplicationFunction>> functions;
    std::shared_ptr<FinishedRecorder> recorder = std::make_shared<FinishedRecorder>();
};

} // namespace appfunctest
