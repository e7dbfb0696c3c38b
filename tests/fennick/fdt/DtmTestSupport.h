#pragma once
// The DTM driven through the reference frame on a manual clock: a device
// catalogue with the Trivex device type, an applet host double on the Trivex
// description (or the toolkit's own host), a fixture that creates and walks
// the DTM, and trace helpers.
#include "fennick/dataset/clsDataBag.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/fdt/FennickClasses.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/clsTdxFileParser.h"
#include "platform/crosscheck/CrosscheckClasses.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/frame/FrameClasses.h"
#include "platform/frame/ReferenceFrame.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/ItemAccess.h"
#include "tests/common/TraceCapture.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace dtmtest {

inline const QString kTag = QStringLiteral("DTM_1");
inline const QString kHartBus = QStringLiteral("036D1498-387B-11D4-86E1-00E0987270B9");
inline const QString kProfibusBus = QStringLiteral("036D1499-387B-11D4-86E1-00E0987270B9");
inline const QString kTrivexTypeId = QStringLiteral("137");
// The applet's connection item: 0 offline, 1 connecting, 2 online, 3 disconnecting.
inline const QString kConnectItem = QStringLiteral("&&private&&connect");
// A GSD file of no user parameter data.
inline const QByteArray kPlainGsd = "#Profibus_DP\nVendor_Name = \"Korvel\"\n";

// The staged description folder of the Trivex HART device type (ending in "/").
inline QString TrivexDescriptionDir()
{
    return Publics::GetTdxDescriptionDir() + QStringLiteral("COM_HART/_0063/_0_0089/");
}

// The device type as a frame hands it to InitNew: an FDT document holding
// the chosen fdt:DtmDeviceType of the DTM information.
inline QString DeviceTypeDocument(const QString& deviceTypeId = kTrivexTypeId, const QString& bus = kHartBus)
{
    return QStringLiteral("<FDT xmlns=\"x-schema:DTMInitSchema.xml\" xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\">"
                          "<fdt:DtmDeviceType manufacturerId=\"99\" deviceTypeId=\"%1\" classificationId=\"flow\">"
                          "<fdt:VersionInformation name=\"Trivex HART\" vendor=\"Korvel Automation\" version=\"22\" "
                          "date=\"2024-05-15\"/>"
                          "<fdt:BusCategories><fdt:BusCategory busCategory=\"%2\"/></fdt:BusCategories>"
                          "</fdt:DtmDeviceType></FDT>")
        .arg(deviceTypeId, bus);
}
inline const QString kDeviceType = DeviceTypeDocument();

// Enters a device type into the catalogue, as the registration would. A
// registration is whole or nothing, so the component categories need a store
// too: one beside the catalogue, which these tests do not look at.
inline void RegisterDeviceType(const QString& deviceTypeId, const QString& bus, const QString& tdxPath,
                               const QString& fdtPath, const QString& gsdPath = QString())
{
    crosscheck::RegisterClasses(QFileInfo(Deployment::CataloguePath()).absolutePath()
                                + QStringLiteral("/ComponentCategories.ini"));
    Deployment::DeviceInfo info;
    info.name = QStringLiteral("Trivex HART");
    info.vendor = QStringLiteral("Korvel Automation");
    info.version = QStringLiteral("22");
    info.descriptor = QStringLiteral("Trivex multivariable transmitter");
    info.busCategory = bus;
    info.manufacturerId = QStringLiteral("99");
    info.deviceTypeId = deviceTypeId;
    Deployment::RegisterDtm(info, QStringLiteral("flow"), QStringLiteral("2024-05-15"), tdxPath, fdtPath, gsdPath);
    ASSERT_TRUE(QFileInfo::exists(Deployment::CataloguePath()));
}

// Enters a device type of the Trivex description files (the staged Trivex
// description when no other is named) with the schemas loaded for the entry
// alone: call it before the frame creates the DTM, which loads its own.
inline void RegisterTrivexType(const QString& deviceTypeId, const QString& bus, const QString& gsdPath = QString(),
                               const QString& tdxPath = QString())
{
    XMLHelper::LoadSchemaCache(QStringLiteral(TRIVEX_SCHEMA_DIR));
    const QString tdx = tdxPath.isEmpty() ? TrivexDescriptionDir() + QStringLiteral("Trivex.tdx") : tdxPath;
    RegisterDeviceType(deviceTypeId, bus, tdx, TrivexDescriptionDir() + QStringLiteral("Trivex.fdt"), gsdPath);
    XMLHelper::ReleaseSchemaCache();
}

// A device catalogue in the folder that holds the Trivex HART device type.
inline void StartCatalogue(const QTemporaryDir& dir)
{
    QDir().mkpath(dir.filePath(QStringLiteral("catalogue")));
    Deployment::SetCatalogueFolder(dir.filePath(QStringLiteral("catalogue")));
    RegisterTrivexType(kTrivexTypeId, kHartBus);
}

// Lets go of what a DTM leaves in the process: the applet host it started
// (destroyed), the parsed FDT file, the last data bag, the catalogue folder
// and the user level.
inline void ReleaseDtmGlobals()
{
    if (global::AppletHost()) {
        int32_t result = 0;
        const auto destroying = global::AppletHost();
        destroying->DestroyApplet(global::AppletHost(), result);
    }
    global::AppletHost().reset();
    global::FdtFileParser().reset();
    global::LastDataBag().reset();
    Deployment::SetCatalogueFolder(QString());
    global::FdtUserLevel() = 0;
}

// An applet host on the Trivex description whose items nobody drives but the
// test; connect and disconnect write the connection item as an applet does.
class FakeAppletHost : public automation::ComObject,
                       public applet::AppletHost,
                       public std::enable_shared_from_this<FakeAppletHost> {
public:
    // A host (of this class or a subclass) on the items of the description
    // file (the Trivex description when none is named); the manager's data
    // dictionary is that file's parser unless another one is given.
    template <class Host = FakeAppletHost>
    static std::shared_ptr<Host> Make(const QString& tdxPath = QString(),
                                      std::shared_ptr<applet::TdxFileParser> dictionary = nullptr)
    {
        auto host = std::make_shared<Host>();
        auto parser = std::make_shared<applet::clsTdxFileParser>();
        QString error;
        int32_t status = -1;
        parser->Load(applet::kTdxKindDevice,
                     tdxPath.isEmpty() ? TrivexDescriptionDir() + QStringLiteral("Trivex.tdx") : tdxPath, 1, error,
                     status);
        EXPECT_EQ(status, 0) << error.toStdString();
        host->manager = std::make_shared<applet::clsAppletItemManager>(
            parser->GetDescription(), dictionary ? std::move(dictionary) : parser, host);
        return host;
    }

    int32_t Handle(const QString& name) const { return manager->HandleOf(name); }
    double Value(const QString& name) const { return itemaccess::Number(*manager, name); }
    QString Text(const QString& name) const { return itemaccess::Text(*manager, name); }
    // A write as the applet makes it: every registered view hears of it.
    void Write(const QString& name, double value) { itemaccess::PutNumber(*manager, name, value); }

    void fncInit(const QString&, const QString&, const QString& init, int32_t& code) override
    {
        ++initCount;
        initString = init;
        code = initCode;
    }
    void GetItemManager(std::shared_ptr<applet::clsAppletItemManager>& m) override { m = manager; }
    void Connect(int32_t, int32_t& result) override
    {
        calls << QStringLiteral("Connect");
        result = connectResult;
        for (double state : connectSteps)
            Write(kConnectItem, state);
    }
    void Disconnect(int32_t, int32_t& result) override
    {
        calls << QStringLiteral("Disconnect");
        result = disconnectResult;
        for (double state : disconnectSteps)
            Write(kConnectItem, state);
    }
    void LoadFromDatabase(int32_t, int32_t& result) override { result = 0; }
    void SaveToDatabase(int32_t, int32_t& result) override { result = 0; }
    void StartView(const QString&, int32_t& result) override { result = 0; }
    void DestroyApplet(std::shared_ptr<applet::AppletHost>& host, int32_t& result) override
    {
        calls << QStringLiteral("DestroyApplet");
        store.reset();
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
    void fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>& s, int32_t& code) override
    {
        store = s;
        code = storeCode;
    }
    void StartSequence(const QString&, int32_t& result) override { result = 0; }
    void ForceSequence(const QString&, int32_t& result) override { result = 0; }
    void StartSingleView(const QString&, int32_t& result) override { result = 0; }
    void fncCloseForm(const QString&, int32_t& result) override { result = 0; }
    void StartAdjust(const QString&, int32_t& result) override { result = 0; }
    void LoadDataset(int32_t& result) override { result = 0; }
    void SaveDatasetAs(int32_t& result) override { result = 0; }
    void LoadFromDevice(int32_t, int32_t& result) override { result = 0; }

    std::shared_ptr<applet::clsAppletItemManager> manager;
    std::shared_ptr<applet::IFbInstanceData> store;
    QStringList calls;
    int32_t initCode = 0;
    int initCount = 0;
    QString initString;
    int32_t storeCode = 0;
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
        QSettings settings(Debugging::SettingsPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("TraceOptions/Errors"), QStringLiteral("1"));
        settings.setValue(QStringLiteral("TraceOptions/Info"), QStringLiteral("1"));
        fennick::RegisterClasses();
        // What the frame offers the DTM to create: its channel collection.
        frame::RegisterClasses();
        UseHost(host);
        StartCatalogue(dir);
        traces.clear();
    }
    ~DtmTest() override
    {
        frame.reset();
        ReleaseDtmGlobals();
        applet::RegisterClasses();
        XMLHelper::ReleaseSchemaCache();
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
        loop::SetCallbackErrorHandler(m_previousLoopHandler);
    }

    // The DTM starts this applet host double (the test's own by default).
    void UseHost(const std::shared_ptr<FakeAppletHost>& started)
    {
        host = started;
        automation::ClassRegistry::instance().Register(
            applet::kAppletHostProgId, applet::kAppletHostClassId,
            [weak = std::weak_ptr<FakeAppletHost>(host)]() -> std::shared_ptr<automation::ComObject> {
                return weak.lock();
            });
    }

    std::shared_ptr<clsTkDispatcher> Dtm() const { return frame->Dtm<clsTkDispatcher>(kTag); }
    std::shared_ptr<frame::FrameContainer> Container() const { return frame->Container(kTag); }
    QStringList Events() const { return frame->Events().Texts(); }
    int32_t Status() const { return Dtm()->GetDtmStatus(); }

    // The parameters the frame was told of last: what the DTM handed over.
    QString ChangedParameters() const { return Dtm()->DataManager()->TakeChangedParameters(); }

    // A new instance up to RUNNING (11), with the applet host started.
    void NewInstance()
    {
        ASSERT_TRUE(frame->CreateDtm(kTag)) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->InitNewInstance(kTag, kDeviceType)) << frame->LastError().toStdString();
        ASSERT_EQ(Status(), DtmStatus::Running);
        // The applet announces its values on the next turn of the loop.
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
    }
    // A new instance up to CONFIGURED (1) for the user level, events delivered.
    void ConfiguredInstance(const QString& userLevel = QStringLiteral("maintenance"))
    {
        NewInstance();
        ASSERT_TRUE(frame->Configure(kTag, userLevel)) << frame->LastError().toStdString();
        ASSERT_EQ(Status(), DtmStatus::Configured);
        clock.Advance(100);
    }
    // A new PROFIBUS instance of the same description files (device type
    // "167" with the GSD file), up to CONFIGURED for the user level, events delivered.
    void ProfibusInstance(const QString& gsdPath, const QString& userLevel = QStringLiteral("maintenance"))
    {
        RegisterTrivexType(QStringLiteral("167"), kProfibusBus, gsdPath);
        ASSERT_TRUE(frame->CreateDtm(kTag)) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->InitNewInstance(kTag, DeviceTypeDocument(QStringLiteral("167"), kProfibusBus)))
            << frame->LastError().toStdString();
        ASSERT_TRUE(frame->Configure(kTag, userLevel));
        clock.Advance(100);
    }
    // A file of the content in the test's folder; its path.
    QString WriteFile(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    QString WriteGsd(const QByteArray& content = kPlainGsd)
    {
        return WriteFile(QStringLiteral("TRVX0A7.gsd"), content);
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
