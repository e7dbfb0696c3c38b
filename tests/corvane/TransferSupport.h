#pragma once
// The whole road of a transfer in one event loop: reference frame -> DTM ->
// applet host with the device components -> gateway -> HART-IP -> simulated
// transmitter of a chosen variant. The fixture registers the variant's device
// type, creates and configures an instance, links it to the simulator, and
// logs which sequences of the applet ran and how often an upload's end was
// fanned out.
#include "CorvaneTestSupport.h"
#include "corvane/frame/clsUpDownloadMgr.h"
#include "platform/applet/AppletStates.h"
#include "sim/SimOptions.h"
#include "tests/common/ItemAccess.h"
#include "tests/fennick/fdt/FrameLoopbackSupport.h"
#include <QFile>
#include <QRegularExpression>
#include <utility>
#include <vector>

namespace transfertest {

struct Variant {
    const char* name;
    uint32_t deviceType;
    uint32_t revision;
    bool multivariable;
    bool userCurve;
    // The sequences the upload chain runs for the variant, in order.
    QStringList uploadChain;
};

inline void PrintTo(const Variant& variant, std::ostream* os)
{
    *os << variant.name;
}

// The transfer function code of a user curve on HART.
constexpr uint8_t kUserCurveCode = 4;
constexpr uint8_t kPrimaryElementCode = 160;
// A data save of an older device short enough for tests that write much,
// still longer than the DTM's repeat delay, so that the writes after every
// save meet a busy device and are repeated.
constexpr int64_t kShortDataSaveMs = 300;

// An older device stays busy while it saves, in process time: the process
// runs on, its inputs held where they stood; its save is the short one.
inline void HoldTheProcessWithAShortSave(sim::SimServer& server)
{
    const sim::MeasuredValues now = server.transmitter().appliedValues();
    for (int measured = 0; measured < sim::Measured::Count; ++measured)
        server.transmitter().setAppliedValue(measured, now[measured]);
    server.transmitter().freezeProcessTime(std::nullopt);
    server.transmitter().setDataSaveDuration(kShortDataSaveMs);
}

class TransferRoad : public ::testing::Test {
protected:
    static constexpr int kPatienceMs = 60000;

    void Start(const Variant& variant)
    {
        ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0)) << device.errorString().toStdString();
        sim::VariantOptions options;
        options.deviceType = variant.deviceType;
        options.revision = variant.revision;
        options.multivariable = variant.multivariable;
        QString error;
        ASSERT_TRUE(sim::applyVariant(device.transmitter(), options, error)) << error.toStdString();
        // A flow block in automatic mode allows no user curve (the check at
        // the end of an upload moves it to square rooting): a device that
        // computes flow linearises by its primary element, whose table the
        // chains carry as they carry a user curve.
        if (variant.userCurve)
            device.device().transferFunction = variant.multivariable ? kPrimaryElementCode : kUserCurveCode;
        device.device().tag = QStringLiteral("FT-E2E");
        device.device().message = QStringLiteral("ROAD TEST DEVICE");
        device.transmitter().freezeProcessTime(0);
        OpenProject(variant);
    }

    // A project of the variant's device type with one instance linked to the
    // simulator (the frame's project folder, made by the first call).
    void OpenProject(const Variant& variant)
    {
        fennick::RegisterClasses();
        comm::RegisterCommServerClasses();
        frame::RegisterClasses();
        applet::RegisterClasses();
        corvane::RegisterClasses();
        dialogService.SetFailureHandler([](const QString& text) { ADD_FAILURE() << text.toStdString(); });
        dtmtest::StartCatalogue(dir);
        const QString typeId = QString::number(variant.deviceType);
        if (!tdxPath.isEmpty()) {
            dtmtest::RegisterTrivexType(typeId, dtmtest::kHartBus, QString(), tdxPath);
        } else if (typeId != dtmtest::kTrivexTypeId) {
            const QString folder = Publics::GetTdxDescriptionDir()
                                   + QStringLiteral("COM_HART/_0063/_0_%1/").arg(variant.deviceType, 4, 16, QLatin1Char('0')).toUpper();
            dtmtest::RegisterTrivexType(typeId, dtmtest::kHartBus, QString(), folder + QStringLiteral("Trivex.tdx"));
        }
        CreateInstance(typeId);
    }

    // A new instance of the device type in the frame's project, configured,
    // linked to the simulator and stored.
    void CreateInstance(const QString& typeId)
    {
        ASSERT_TRUE(frame->CreateDtm(dtmtest::kTag)) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->InitNewInstance(dtmtest::kTag, dtmtest::DeviceTypeDocument(typeId)))
            << frame->LastError().toStdString();
        ASSERT_TRUE(frame->Configure(dtmtest::kTag, QStringLiteral("maintenance"))) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->SetCommunication(dtmtest::kTag, loopbacktest::LocalAddress(device.port())))
            << frame->LastError().toStdString();
        ASSERT_TRUE(frame->SaveInstance(dtmtest::kTag)) << frame->LastError().toStdString();
        Watch();
    }

    void TearDown() override { CloseProject(); }

    // An item's value in a stored project file, "%1" its name: the instance's
    // parameters are an escaped document in the bag.
    static inline const QString kProjectValue =
        QStringLiteral("(name=\"%1\"&gt;&lt;fdt:Value&gt;&lt;fdt:Display string=\")[^\"]*(\")");

    // The text with one item's value replaced, as a hand edit would; the
    // pattern holds the item's name where "%1" stands.
    static QString Edited(QString text, const QString& pattern, const QString& item, const QString& value)
    {
        const QRegularExpression at(pattern.arg(QRegularExpression::escape(item)));
        EXPECT_EQ(text.count(at), 1) << item.toStdString();
        return text.replace(at, QStringLiteral("\\1") + value + QStringLiteral("\\2"));
    }
    // The value of an item in a stored project file's text.
    static QString StoredValue(const QString& text, const QString& item)
    {
        const QRegularExpression at(kProjectValue.arg(QRegularExpression::escape(item)).replace(
            QStringLiteral("[^\"]*"), QStringLiteral("([^\"]*)")));
        return at.match(text).captured(2);
    }

    static void WriteFile(const QString& path, const QString& text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_EQ(file.write(text.toUtf8()), text.toUtf8().size());
    }

    // The stored project opened by a new frame and DTM, as by a later program
    // run: nothing the device reported before is known.
    void Reopen(const QString& project = QStringLiteral("project"))
    {
        frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(project), QStringLiteral(TRIVEX_SCHEMA_DIR));
        ASSERT_TRUE(frame->CreateDtm(dtmtest::kTag)) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->LoadInstance(dtmtest::kTag)) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->Configure(dtmtest::kTag, QStringLiteral("maintenance"))) << frame->LastError().toStdString();
        ASSERT_TRUE(frame->SetCommunication(dtmtest::kTag, loopbacktest::LocalAddress(device.port())))
            << frame->LastError().toStdString();
        Watch();
        QTest::qWait(0); // what the load left to the event loop
    }

    // The project stored after an upload, edited by hand (item, value) and
    // opened again by a new DTM; the edited text is returned.
    QString ReopenEdited(const std::vector<std::pair<QString, QString>>& edits)
    {
        EXPECT_TRUE(Upload(QStringLiteral("U")));
        EXPECT_TRUE(Unlocked());
        EXPECT_TRUE(frame->SaveInstance(dtmtest::kTag)) << frame->LastError().toStdString();
        const QString path = frame->Project().InstanceFile(dtmtest::kTag);
        QString text = QString::fromUtf8(StoredInstance());
        for (const auto& edit : edits)
            text = Edited(text, kProjectValue, edit.first, edit.second);
        TearDown();
        WriteFile(path, text);
        Reopen();
        return text;
    }

    // The instance released as a frame lets go of it, then the frame.
    void CloseProject()
    {
        ReleaseDtm();
        frame.reset();
        dtmtest::ReleaseDtmGlobals();
        QTest::qWait(10);
    }

    // The DTM lets go of the device and ends, as at the end of a program run.
    void ReleaseDtm()
    {
        log.reset();
        if (!frame || !frame->HasDtm(dtmtest::kTag))
            return;
        WaitUntil([&] { return Dtm()->LockCounter() <= 0; });
        if (Status() != DtmStatus::CommunicationSet && Status() != DtmStatus::Configured) {
            Dtm()->PrepareToReleaseCommunication();
            WaitUntil([&] { return Status() == DtmStatus::CommunicationSet; });
        }
        if (Status() == DtmStatus::CommunicationSet)
            Dtm()->ReleaseCommunication();
        WaitUntil([&] { return Dtm()->LockCounter() <= 0; });
        if (Dtm()->PrepareToRelease())
            WaitUntil([&] { return !frame->HasDtm(dtmtest::kTag); });
    }

    // The sequences that become active are logged as "name", an upload's end as "UploadCompleted".
    void Watch()
    {
        manager = global::ItemManagerOf(global::AppletHost());
        ASSERT_TRUE(manager);
        log = std::make_unique<corvanetest::ItemLog>(manager);
        const auto description = manager->GetDescription();
        for (const applet::DescSequence& sequence : description->sequences)
            log->Watch(QStringLiteral("&&Sequence_State&&") + sequence.name, sequence.name);
        ASSERT_TRUE(Chain());
        QObject::connect(Chain().get(), &clsUpDownloadMgr::UploadCompleted, log.get(),
                         [this] { log->changes.append(QStringLiteral("UploadCompleted")); });
    }

    std::shared_ptr<clsUpDownloadMgr> Chain() const
    {
        for (const auto& view : manager->RegisteredViews())
            if (auto frameView = std::dynamic_pointer_cast<clsStartAlwaysView>(view))
                return std::dynamic_pointer_cast<clsUpDownloadMgr>(
                    frameView->Components().Item(QStringLiteral("clsUploadDownloadMgr")));
        return nullptr;
    }

    // The sequences that ran, in order (each once per run), and the upload ends.
    QStringList Ran() const
    {
        QStringList ran;
        for (const QString& change : log->changes) {
            const auto at = change.lastIndexOf(QLatin1Char('='));
            if (change == QStringLiteral("UploadCompleted"))
                ran << change;
            else if (at > 0 && change.mid(at + 1).toInt() >= applet::SequenceState::WriteActive
                     && change.mid(at + 1).toInt() != applet::SequenceState::AdjustActive)
                ran << change.left(at);
        }
        return ran;
    }

    QString Text(const QString& name) const
    {
        return itemaccess::ReadString(*manager, name);
    }
    void Put(const QString& name, const QString& value)
    {
        itemaccess::PutString(*manager, name, value);
    }

    QByteArray StoredInstance() const
    {
        QFile file(frame->Project().InstanceFile(dtmtest::kTag));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool Upload(const QString& id, bool expected = true)
    {
        if (!Dtm()->UploadRequest(id, QString()))
            return false;
        return WaitForEvent(QStringLiteral("OnUploadFinished(%1, %2)").arg(id, expected ? "True" : "False"));
    }
    bool Download(const QString& id, bool expected = true)
    {
        if (!Dtm()->DownloadRequest(id, QString()))
            return false;
        return WaitForEvent(QStringLiteral("OnDownloadFinished(%1, %2)").arg(id, expected ? "True" : "False"));
    }

    std::shared_ptr<clsTkDispatcher> Dtm() const { return frame->Dtm<clsTkDispatcher>(dtmtest::kTag); }
    int32_t Status() const { return Dtm()->GetDtmStatus(); }
    bool WaitUntil(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kPatienceMs); }
    bool WaitForEvent(const QString& text)
    {
        return WaitUntil([&] { return frame->Events().Texts().contains(text); });
    }
    bool Unlocked()
    {
        return WaitUntil([&] { return Dtm()->LockCounter() <= 0; });
    }

    // A description of the test's own instead of the variant's; set before Start.
    QString tdxPath;
    corvanetest::HomeFolder home;
    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService dialogScope{dialogService};
    QTemporaryDir dir;
    sim::SimServer device;
    std::unique_ptr<frame::ReferenceFrame> frame = std::make_unique<frame::ReferenceFrame>(
        dir.filePath(QStringLiteral("project")), QStringLiteral(TRIVEX_SCHEMA_DIR));
    std::shared_ptr<applet::clsAppletItemManager> manager;
    std::unique_ptr<corvanetest::ItemLog> log;
};

} // namespace transfertest
