#pragma once
// The DTM driven through the reference frame on a manual clock: an applet host
// double with the private items the DTM uses, a fixture that creates and walks
// the DTM, and trace helpers.
#include "fennick/dataset/clsDataBag.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/fdt/FennickClasses.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/Description.h"
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/frame/ReferenceFrame.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/TraceCapture.h"
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace dtmtest {

inline const QString kTag = QStringLiteral("DTM_1");
inline const QString kDeviceType = QStringLiteral("<FDT><DtmDeviceType/></FDT>");

// An applet host whose item manager holds the applet's private items; connect
// and disconnect write the connection item as an applet does.
class FakeAppletHost : public automation::ComObject,
                       public applet::AppletHost,
                       public std::enable_shared_from_this<FakeAppletHost> {
public:
    static std::shared_ptr<FakeAppletHost> Make()
    {
        auto host = std::make_shared<FakeAppletHost>();
        auto description = std::make_shared<applet::Description>();
        for (const char* name : {"&&private&&connect", "&&private&&Userlevel", "&&private&&OEMservice"}) {
            applet::DescObject object;
            object.name = QString::fromUtf8(name);
            object.type = applet::ItemType::Unsigned;
            object.size = 8;
            object.scope = applet::ObjectScope::Applet;
            description->objects.append(object);
        }
        description->Index();
        host->manager = std::make_shared<applet::clsAppletItemManager>(description, nullptr, host);
        return host;
    }

    int32_t Handle(const QString& name) const { return manager->HandleOf(name); }
    double Value(const QString& name) const
    {
        double value = -1;
        int32_t failed = 0;
        manager->fncGetUIntValue(Handle(name), value, failed);
        return value;
    }
    // A write as the applet makes it: every registered view hears of it.
    void Write(const QString& name, double value)
    {
        int32_t failed = 0;
        manager->fncPutUintValue(Handle(name), value, failed);
        EXPECT_EQ(failed, 0) << name.toStdString();
    }

    void fncInit(const QString&, const QString&, const QString&, int32_t& code) override { code = 0; }
    void GetItemManager(std::shared_ptr<applet::clsAppletItemManager>& m) override { m = manager; }
    void Connect(int32_t, int32_t& result) override
    {
        calls << QStringLiteral("Connect");
        result = connectResult;
        for (double state : connectSteps)
            Write(QStringLiteral("&&private&&connect"), state);
    }
    void Disconnect(int32_t, int32_t& result) override
    {
        calls << QStringLiteral("Disconnect");
        result = disconnectResult;
        for (double state : disconnectSteps)
            Write(QStringLiteral("&&private&&connect"), state);
    }
    void LoadFromDatabase(int32_t, int32_t& result) override { result = 0; }
    void SaveToDatabase(int32_t, int32_t& result) override { result = 0; }
    void StartView(const QString&, int32_t& result) override { result = 0; }
    void DestroyApplet(std::shared_ptr<applet::AppletHost>& host, int32_t& result) override
    {
        calls << QStringLiteral("DestroyApplet");
        for (const auto& view : manager->RegisteredViews()) {
            int32_t r = 0;
            view->Destroy(r);
            manager->UnregisterView(view.get(), r);
        }
        host.reset();
        result = 0;
    }
    void fncSetCServer(const std::shared_ptr<applet::CServerRequestClass>& server, int32_t& code) override
    {
        calls << (server ? QStringLiteral("fncSetCServer(server)") : QStringLiteral("fncSetCServer(none)"));
        code = 1;
    }
    void fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>&, int32_t& code) override { code = 0; }
    void StartSequence(const QString&, int32_t& result) override { result = 0; }
    void ForceSequence(const QString&, int32_t& result) override { result = 0; }
    void StartSingleView(const QString&, int32_t& result) override { result = 0; }
    void fncCloseForm(const QString&, int32_t& result) override { result = 0; }
    void StartAdjust(const QString&, int32_t& result) override { result = 0; }
    void LoadDataset(int32_t& result) override { result = 0; }
    void SaveDatasetAs(int32_t& result) override { result = 0; }
    void LoadFromDevice(int32_t, int32_t& result) override { result = 0; }

    std::shared_ptr<applet::clsAppletItemManager> manager;
    QStringList calls;
    int32_t connectResult = 0;
    int32_t disconnectResult = 0;
    std::vector<double> connectSteps{1, 2};
    std::vector<double> disconnectSteps{3, 0};
};

// The message parts of trace lines without the "[tag]" in front.
inline QStringList Messages(const TraceCapture& traces)
{
    QStringList result;
    for (QString message : traces.messages()) {
        if (message.startsWith(QLatin1Char('[')))
            message = message.mid(message.indexOf(QLatin1Char(']')) + 1);
        result.append(message);
    }
    return result;
}

inline int CountMessage(const TraceCapture& traces, const QString& message)
{
    return static_cast<int>(Messages(traces).count(message));
}

class DtmTest : public ::testing::Test {
protected:
    DtmTest()
    {
        m_previousLoopHandler =
            loop::SetCallbackErrorHandler([](const QString& message) { ADD_FAILURE() << message.toStdString(); });
        dialogService.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
        // The DTM reads its trace switches when it is created.
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Trivex"),
                           Debugging::ProgramTitle());
        settings.setValue(QStringLiteral("TraceOptions/Errors"), QStringLiteral("1"));
        settings.setValue(QStringLiteral("TraceOptions/Info"), QStringLiteral("1"));
        fennick::RegisterClasses();
    }
    ~DtmTest() override
    {
        frame.reset();
        global::AppletHost().reset();
        global::FdtUserLevel() = 0;
        XMLHelper::ReleaseSchemaCache();
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
        loop::SetCallbackErrorHandler(m_previousLoopHandler);
    }

    std::shared_ptr<clsTkDispatcher> Dtm() const { return frame->Dtm<clsTkDispatcher>(kTag); }
    std::shared_ptr<frame::FrameContainer> Container() const { return frame->Container(kTag); }
    QStringList Events() const { return frame->Events().Texts(); }
    int32_t Status() const { return Dtm()->GetDtmStatus(); }

    // A new instance up to RUNNING (11), with the applet host in place.
    void NewInstance()
    {
        ASSERT_TRUE(frame->CreateDtm(kTag)) << frame->LastError().toStdString();
        global::AppletHost() = host;
        ASSERT_TRUE(frame->InitNewInstance(kTag, kDeviceType)) << frame->LastError().toStdString();
        ASSERT_EQ(Status(), DtmStatus::Running);
    }
    // A new instance up to CONFIGURED (1) for the user level, events delivered.
    void ConfiguredInstance(const QString& userLevel = QStringLiteral("maintenance"))
    {
        NewInstance();
        ASSERT_TRUE(frame->Configure(kTag, userLevel)) << frame->LastError().toStdString();
        ASSERT_EQ(Status(), DtmStatus::Configured);
        clock.Advance(100);
    }
    // Configured, with the connect object the linked communication brings.
    void CommunicationSetInstance()
    {
        ConfiguredInstance();
        Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
        ASSERT_TRUE(Dtm()->CreateConnectObject());
        clock.Advance(100);
    }

    loop::ManualClock clock;
    loop::ScopedTimerService clockScope{clock};
    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService dialogScope{dialogService};
    TraceCapture traces;
    QTemporaryDir dir;
    std::shared_ptr<FakeAppletHost> host = FakeAppletHost::Make();
    std::unique_ptr<frame::ReferenceFrame> frame = std::make_unique<frame::ReferenceFrame>(
        dir.filePath(QStringLiteral("project")), QStringLiteral(TRIVEX_SCHEMA_DIR));

private:
    loop::CallbackErrorHandler m_previousLoopHandler;
};

} // namespace dtmtest
