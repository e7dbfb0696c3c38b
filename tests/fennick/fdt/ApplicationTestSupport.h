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
#include "tests/platform/applet/AppletTestSupport.h"
#include <QFile>

namespace appfunctest {

inline const QString kFormProgId = QStringLiteral("AppFuncTest.FormView");
inline const QString kViewProgId = QStringLiteral("AppFuncTest.GenericView");
inline const QString kMessageItem = QStringLiteral("&&private&&Message");
inline const QString kEngineeringContextItem = QStringLiteral("&&private_FDT&&EngineeringContext");
inline const QString kConnectItem = QStringLiteral("&&private&&connect");

// One menu entry per function type, the form they open and the sequences they run.
inline QByteArray FunctionDescription()
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<TdxDescription xmlns="urn:trivex:tdx-description:1" kind="device">
  <Header>
    <Key name="DevDescLong" value="Function test device"/>
    <Key name="VendorId" value="0x3F"/>
    <Key name="DeviceId" value="0xA5"/>
  </Header>
  <Forms>
    <Form name="frmTrend" progId="AppFuncTest.FormView"/>
  </Forms>
  <Objects>
    <Object name="&amp;&amp;private&amp;&amp;connect" type="unsigned" size="8" scope="applet"/>
    <Object name="&amp;&amp;private&amp;&amp;Dirty" type="boolean" scope="applet"/>
    <Object name="&amp;&amp;private&amp;&amp;Message" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_FDT&amp;&amp;ActiveForms" type="unsigned" size="16" scope="applet"/>
    <Object name="&amp;&amp;private_FDT&amp;&amp;EngineeringContext" type="unsigned" size="32" scope="applet"/>
    <Object name="&amp;&amp;private_PM&amp;&amp;TDXPath" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_PM&amp;&amp;FileName" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_PM&amp;&amp;Address" type="text" scope="applet" default="0"/>
    <Object name="&amp;&amp;private&amp;&amp;countrycode" type="unsigned" size="16" scope="applet" default="1"/>
    <Object name="currentSequence" type="text" scope="applet"/>
    <Object name="Tag" type="packedAscii" size="6" text="Tag"/>
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
    <Record name="ReadTag" command="13" kind="read">
      <Response>
        <Field item="Tag" encoding="packedAscii" bytes="6"/>
      </Response>
    </Record>
    <Record name="WriteTag" command="18" kind="write">
      <Request>
        <Field item="Tag" encoding="packedAscii" bytes="6"/>
      </Request>
    </Record>
  </Records>
  <Sequences>
    <Sequence name="Upload" kind="read">
      <Step record="ReadTag"/>
    </Sequence>
    <Sequence name="Download" kind="write">
      <Step record="WriteTag"/>
    </Sequence>
    <Sequence name="ReadTagOnly" kind="read">
      <Step record="ReadTag"/>
    </Sequence>
  </Sequences>
</TdxDescription>
)";
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
    double Number(const QString& name) const
    {
        double value = -1;
        int32_t failed = 0;
        manager->fncGetUIntValue(Handle(name), value, failed);
        return failed == 0 ? value : -1;
    }
    void SetNumber(const QString& name, double value)
    {
        int32_t failed = 0;
        manager->fncPutUintValue(Handle(name), value, failed);
        ASSERT_EQ(failed, 0) << name.toStdString();
    }
    QString Text(const QString& name) const
    {
        QString text;
        int32_t failed = 0;
        manager->GetStringValue(Handle(name), text, failed);
        return text;
    }
    void SetText(const QString& name, const QString& text)
    {
        int32_t failed = 0;
        manager->PutStringValue(Handle(name), text, failed);
        ASSERT_EQ(failed, 0) << name.toStdString();
    }
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
