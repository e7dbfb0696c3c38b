// The record manager on the toolkit with the Trivex description: the three
// shared record items, the HART and fieldbus response rules with their
// message boxes (answers scripted), the message-box rule with and without an
// open form, the bounded busy repeats, and record runs against the simulated
// transmitter.
#include "corvane/frame/clsRecordMgr.h"
#include "corvane/frame/clsStartAlwaysView.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/clsAppItem.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/Description.h"
#include "platform/applet/TdxDescriptionReader.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "sim/ProcessModel.h"
#include "tests/corvane/CorvaneTestSupport.h"
#include "tests/pioextensions/PioTestSupport.h"
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

namespace {

using dialogs::DialogResult;
using dialogs::MessageButtons;
using piotest::TrivexApplet;
namespace RecordAction = applet::RecordAction;

class ManagerView : public IViewEx {
public:
    explicit ManagerView(std::shared_ptr<applet::clsAppletItemManager> manager) : m_manager(std::move(manager)) {}
    std::shared_ptr<applet::clsAppletItemManager> appletItemManagerRef() const override { return m_manager; }

private:
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
};

// The record manager registered on the applet, a scripted dialog service and
// a probe on one record to set its state and response as the host would.
class RecordRig {
public:
    RecordRig()
    {
        dialogs.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    }
    ~RecordRig()
    {
        if (mgr)
            mgr->UnRegister();
    }

    bool Start()
    {
        if (!applet.Ready())
            return false;
        view = std::make_shared<ManagerView>(applet.manager);
        mgr = std::make_shared<clsRecordMgr>();
        mgr->Register(view);
        engineeringContext.Register(applet.manager, QStringLiteral("&&private_FDT&&EngineeringContext"));
        Probe(QStringLiteral("Write_034"));
        // The refresh notifications of the registrations are no record reports.
        piotest::Settle();
        return true;
    }
    void Probe(const QString& record)
    {
        probe = std::make_unique<clsRecordItem>();
        probe->Register(applet.manager, record, false, 0, REGISTER_STATE | REGISTER_RESPONSE | REGISTER_CONTROL);
    }
    // Pretends the device is connected (no device needed for the rules).
    void PretendConnected() { applet.PutNumber(loopbacktest::kConnectItem, applet::ConnectState::Connected); }
    void OpenForm() { engineeringContext.SetIntValue(-1); }

    // The record reports status with the response bytes; returns the answer it got (0: none).
    double Report(int status, const QByteArray& response)
    {
        int32_t failed = 0;
        // Through an active state first, as a real run goes, so a repeated status is a change.
        if (status != applet::RecordState::WriteActive)
            applet.manager->fncPutUintValue(probe->StateHandle(), applet::RecordState::WriteActive, failed);
        applet.manager->fncPutUintValue(probe->ResponseControlHandle(), RecordAction::None, failed);
        applet.manager->fncPutOctetsValue(probe->ResponseHandle(), response, failed);
        applet.manager->fncPutUintValue(probe->StateHandle(), status, failed);
        return Control();
    }
    double Control()
    {
        double value = -1;
        int32_t failed = 0;
        applet.manager->fncGetUIntValue(probe->ResponseControlHandle(), value, failed);
        return value;
    }
    double Number(const QString& item) { return applet.Number(item); }
    QString Text(const QString& item)
    {
        QString value;
        int32_t failed = 0;
        applet.manager->GetStringValue(applet.manager->HandleOf(item), value, failed);
        return value;
    }
    void ClearAbort() { applet.PutNumber(QStringLiteral("abortSequences"), 0); }

    // The frame's own record manager would answer the records too.
    corvanetest::FrameViewAbsent withoutFrameView;
    TrivexApplet applet;
    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService installed{dialogs};
    std::shared_ptr<ManagerView> view;
    std::shared_ptr<clsRecordMgr> mgr;
    std::unique_ptr<clsRecordItem> probe;
    clsAppItem engineeringContext;
};

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

#define START_RIG(rig)                                                                                                \
    RecordRig rig;                                                                                                    \
    if (!(rig).Start())                                                                                               \
    GTEST_FAIL() << "no staged Trivex description"

} // namespace

TEST(RecordResponses, EveryRecordIsHookedAndTheThreeSharedItemsFollowTheLastRecord)
{
    START_RIG(rig);
    // Every record that a sequence of the description runs, each once.
    applet::Description description;
    QString error;
    ASSERT_TRUE(applet::TdxDescriptionReader::Read(loopbacktest::StagedTrivexDescription(), 1, description, error))
        << error.toStdString();
    QSet<QString> records;
    for (const applet::DescSequence& sequence : description.sequences)
        for (const QString& record : sequence.records)
            records.insert(record.toLower());
    EXPECT_EQ(rig.mgr->Records().Count(), records.size());
    // Not connected: every state but 0 is accepted at once.
    EXPECT_EQ(rig.Report(applet::RecordState::WriteActive, Bytes({34, 0, 0})), RecordAction::Accept);
    EXPECT_EQ(rig.Text(QStringLiteral("currentRecord")), QStringLiteral("Write_034"));
    EXPECT_EQ(rig.Number(QStringLiteral("currentRecordState")), applet::RecordState::WriteActive);

    rig.Report(applet::RecordState::Ready, Bytes({34, 0, 0x40}));
    EXPECT_EQ(rig.Text(QStringLiteral("currentRecord")), QString());
    EXPECT_EQ(rig.Number(QStringLiteral("currentRecordState")), 0);
    QByteArray published;
    int32_t failed = 0;
    rig.applet.manager->fncGetOctetsValue(rig.applet.manager->HandleOf(QStringLiteral("currentResponseCode")),
                                          published, failed);
    EXPECT_EQ(published.left(3), Bytes({34, 0, 0x40}));

    // Not connected: a failed record is accepted at once, without a box.
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34, 7, 0})), RecordAction::Accept);
    EXPECT_TRUE(rig.dialogs.Requests().empty());

    // Unregistered, the hook does nothing.
    rig.mgr->UnRegister();
    rig.PretendConnected();
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34, 7, 0})), RecordAction::None);
}

TEST(RecordResponses, HartResponseCodesAreAcceptedRepeatedAbortedOrPutBeforeTheUser)
{
    START_RIG(rig);
    rig.PretendConnected();
    rig.OpenForm();

    struct Row {
        int command, code, deviceType;
        double answer;
    };
    const Row quiet[] = {
        {223, 24, 0, RecordAction::Accept}, {248, 5, 139, RecordAction::Accept}, {249, 5, 139, RecordAction::Accept},
        {34, 0, 0, RecordAction::Accept},   {34, 14, 0, RecordAction::Accept},   {34, 34, 0, RecordAction::Accept},
        {34, 64, 0, RecordAction::Accept},
    };
    for (const Row& row : quiet) {
        rig.applet.PutNumber(QStringLiteral("_mfrDeviceTypeHART"), row.deviceType);
        EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({row.command, row.code, 0})), row.answer)
            << "command " << row.command << " code " << row.code;
    }
    EXPECT_TRUE(rig.dialogs.Requests().empty());

    // 225 with 2 or 38 aborts everything and answers nothing itself.
    for (int code : {2, 38}) {
        rig.ClearAbort();
        EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({225, code, 0})), RecordAction::None);
        EXPECT_EQ(rig.Number(QStringLiteral("abortSequences")), 1);
    }
    rig.ClearAbort();

    // Boxes: text, buttons, and the answer of each button.
    struct Boxed {
        int command, code, deviceType;
        QString text;
        MessageButtons buttons;
        DialogResult pressed;
        double answer;
    };
    const Boxed boxed[] = {
        {36, 9, 0, QStringLiteral("Applied process too high"), MessageButtons::AbortRetryIgnore, DialogResult::Retry,
         RecordAction::Repeat},
        {130, 10, 0, QStringLiteral("Applied process too low"), MessageButtons::AbortRetryIgnore,
         DialogResult::Ignore, RecordAction::Ignore},
        {35, 9, 0, QStringLiteral("Lower range value too high"), MessageButtons::AbortRetryIgnore,
         DialogResult::Abort, RecordAction::None},
        {35, 12, 0, QStringLiteral("Upper range value too low"), MessageButtons::Ok, DialogResult::Ok,
         RecordAction::Accept},
        {34, 7, 0, QStringLiteral("Write protected"), MessageButtons::AbortRetryIgnore, DialogResult::Retry,
         RecordAction::Repeat},
        {248, 5, 0, QStringLiteral("Error writing/reading parameter!"), MessageButtons::AbortRetryIgnore,
         DialogResult::Ignore, RecordAction::Ignore},
    };
    for (const Boxed& row : boxed) {
        rig.applet.PutNumber(QStringLiteral("_mfrDeviceTypeHART"), row.deviceType);
        rig.dialogs.AnswerMessage(row.pressed);
        const double answer = rig.Report(applet::RecordState::WriteFailed, Bytes({row.command, row.code, 0, 0x2A}));
        ASSERT_FALSE(rig.dialogs.Requests().empty());
        const auto& shown = rig.dialogs.Requests().back();
        EXPECT_EQ(shown.text, row.text) << "code " << row.code;
        EXPECT_EQ(shown.buttons, row.buttons) << "code " << row.code;
        EXPECT_TRUE(shown.topMost);
        if (row.pressed == DialogResult::Abort) {
            // Abort on the box requests the shared abort instead of answering.
            EXPECT_EQ(answer, RecordAction::None);
            EXPECT_EQ(rig.Number(QStringLiteral("abortSequences")), 1);
            rig.ClearAbort();
        } else {
            EXPECT_EQ(answer, row.answer) << "code " << row.code;
        }
    }

    // Code 32 (busy) is repeated at once, without a box.
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34, 32, 0})), RecordAction::Repeat);
    EXPECT_FALSE(rig.mgr->TransferFailed());
}

TEST(RecordResponses, ShortResponsesAreNeverReadPastTheirEnd)
{
    START_RIG(rig);
    rig.PretendConnected();
    rig.OpenForm();
    // A response without a response code: the general text.
    rig.dialogs.AnswerMessage(DialogResult::Ignore);
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34})), RecordAction::Ignore);
    ASSERT_EQ(rig.dialogs.Requests().size(), 1u);
    EXPECT_EQ(rig.dialogs.Requests().back().text, QStringLiteral("Error writing/reading parameter!"));
    rig.dialogs.AnswerMessage(DialogResult::Retry);
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, QByteArray()), RecordAction::Repeat);
}

TEST(RecordResponses, WithoutAnOpenFormTheErrorIsPassedOverTracedAndTheTransferMarkedFailed)
{
    START_RIG(rig);
    rig.PretendConnected();
    piotest::ErrorTraces traces;
    rig.engineeringContext.SetIntValue(0);
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34, 7, 0})), RecordAction::Ignore);
    EXPECT_TRUE(rig.dialogs.Requests().empty());
    EXPECT_TRUE(rig.mgr->TransferFailed());
    EXPECT_TRUE(traces.Contains(QStringLiteral("record Write_034 failed (response code 7)")));

    // With the engineering context the user is asked and nothing more is marked.
    rig.mgr->ClearTransferFailed();
    rig.OpenForm();
    rig.dialogs.AnswerMessage(DialogResult::Retry);
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34, 7, 0})), RecordAction::Repeat);
    EXPECT_EQ(rig.dialogs.Requests().size(), 1u);
    EXPECT_FALSE(rig.mgr->TransferFailed());
}

TEST(RecordResponses, BusyRepeatsAreBoundedThenTheTransfersAreAborted)
{
    START_RIG(rig);
    rig.PretendConnected();
    piotest::ErrorTraces traces;

    // A success in between starts the count afresh.
    for (int i = 0; i < 50; ++i)
        rig.Report(applet::RecordState::WriteFailed + applet::RecordState::NoResponse, QByteArray());
    rig.Report(applet::RecordState::Ready, QByteArray());
    for (int i = 0; i < clsRecordMgr::kMaxRepeats; ++i)
        ASSERT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34, 32, 0})), RecordAction::Repeat) << "repeat " << i;
    EXPECT_EQ(rig.Number(QStringLiteral("abortSequences")), 0);
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({34, 32, 0})), RecordAction::None);
    EXPECT_EQ(rig.Number(QStringLiteral("abortSequences")), 1);
    EXPECT_TRUE(rig.mgr->TransferFailed());
    EXPECT_TRUE(traces.Contains(QStringLiteral("after 100 repeats")));
}

TEST(RecordResponses, FieldbusErrorBytesChooseTheTextOrARepeat)
{
    START_RIG(rig);
    rig.PretendConnected();
    rig.OpenForm();
    // The software specifics name a PROFIBUS device.
    int32_t failed = 0;
    rig.applet.manager->fncPutString(rig.applet.manager->HandleOf(QStringLiteral("pbSoftwareSpecifics")),
                                     QStringLiteral("xx4607221xxx"), failed);
    ASSERT_EQ(failed, 0);

    rig.dialogs.AnswerMessage(DialogResult::Retry);
    EXPECT_EQ(rig.Report(applet::RecordState::WriteFailed, Bytes({0, 0, 0xB5})), RecordAction::Repeat);
    ASSERT_EQ(rig.dialogs.Requests().size(), 1u);
    EXPECT_EQ(rig.dialogs.Requests().back().text, QStringLiteral("Device busy"));
    EXPECT_EQ(rig.dialogs.Requests().back().buttons, MessageButtons::AbortRetryIgnore);

    // Class 12 code 2 is repeated without a box; no valid response is ignored.
    EXPECT_EQ(rig.Report(applet::RecordState::ReadFailed, Bytes({0, 0, 0xC2})), RecordAction::Repeat);
    EXPECT_EQ(rig.Report(applet::RecordState::ReadFailed + applet::RecordState::ShortResponse, QByteArray()),
              RecordAction::Ignore);
    // An error without text is ignored; HART's code-17 style repeat does not apply here.
    EXPECT_EQ(rig.Report(applet::RecordState::ReadFailed, Bytes({0, 0, 0x55})), RecordAction::Ignore);
    EXPECT_EQ(rig.Report(applet::RecordState::ReadFailed + applet::RecordState::NoResponse, QByteArray()),
              RecordAction::None);
    EXPECT_EQ(rig.dialogs.Requests().size(), 1u);
}

TEST(RecordResponses, AgainstTheDeviceBusyIsRepeatedAndWriteProtectionAsked)
{
    START_RIG(rig);
    ASSERT_TRUE(rig.applet.Connect());
    rig.OpenForm();
    clsSequenceItem diagnosis;
    diagnosis.Register(rig.applet.manager, QStringLiteral("GetDiagnosis"), false, 0, REGISTER_STATE);
    clsSequenceItem polling;
    polling.Register(rig.applet.manager, QStringLiteral("SetPollingAddress"), false, 0, REGISTER_STATE);
    piotest::Settle();
    QList<int> answers;
    rig.applet.device.injectBusy(2);
    int requests = 0;
    QObject::connect(&rig.applet.device, &sim::SimServer::requestHandled, [&](int command, int code) {
        if (command == 48)
            answers.append(code);
        ++requests;
    });
    diagnosis.Start();
    ASSERT_TRUE(piotest::RunUntil([&] { return answers.size() == 3 && diagnosis.SequenceState() == 0; }));
    EXPECT_EQ(answers, QList<int>({32, 32, 0}));
    EXPECT_TRUE(rig.dialogs.Requests().empty());
    // The read is adjusted on a later turn of the loop; the host takes the next sequence after that.
    piotest::Settle();

    rig.applet.device.setWriteProtected(true);
    rig.dialogs.AnswerMessage(DialogResult::Ignore);
    polling.Start();
    ASSERT_TRUE(piotest::RunUntil([&] { return !rig.dialogs.Requests().empty() && polling.SequenceState() == 0; }));
    EXPECT_EQ(rig.dialogs.Requests().back().text, QStringLiteral("Write protected"));
    EXPECT_EQ(rig.Text(QStringLiteral("currentRecord")), QString());
}

TEST(RecordResponses, InDebugModeTheBoxNamesTheRecordAndTheResponseByte)
{
    QTemporaryDir home;
    struct HomeOverride {
        explicit HomeOverride(const QString& path) : saved(qgetenv("HOME")) { qputenv("HOME", path.toUtf8()); }
        ~HomeOverride() { qputenv("HOME", saved); }
        QByteArray saved;
    } homeOverride(home.path());
    QFile marker(home.filePath(QStringLiteral("pioDebug.txt")));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    {
        START_RIG(rig);
        rig.PretendConnected();
        rig.OpenForm();
        rig.dialogs.AnswerMessage(DialogResult::Ignore);
        rig.dialogs.AnswerMessage(DialogResult::Ignore);
        rig.Report(applet::RecordState::WriteFailed, Bytes({34, 7, 0, 0x2A}));
        rig.Report(applet::RecordState::WriteFailed, Bytes({34, 7, 0}));
        ASSERT_EQ(rig.dialogs.Requests().size(), 2u);
        EXPECT_EQ(rig.dialogs.Requests()[0].text, QStringLiteral("Record=Write_034, Responsecode=0x2A\nWrite protected"));
        EXPECT_EQ(rig.dialogs.Requests()[1].text, QStringLiteral("Record=Write_034, Responsecode=0x--\nWrite protected"));
    }
}

namespace {

// The scripted service that also notes the shared record items as they stand
// while the box is up.
class SnoopingDialogs : public dialogs::ScriptedDialogService {
public:
    struct Seen {
        QString record;
        double state = -1;
        QByteArray response;
    };
    explicit SnoopingDialogs(RecordRig& rig) : m_rig(rig)
    {
        SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    }
    DialogResult ShowMessage(const dialogs::MessageBoxRequest& request) override
    {
        Seen now;
        now.record = m_rig.Text(QStringLiteral("currentRecord"));
        now.state = m_rig.Number(QStringLiteral("currentRecordState"));
        int32_t failed = 0;
        m_rig.applet.manager->fncGetOctetsValue(m_rig.applet.manager->HandleOf(QStringLiteral("currentResponseCode")),
                                                now.response, failed);
        seen.push_back(now);
        return ScriptedDialogService::ShowMessage(request);
    }
    std::vector<Seen> seen;

private:
    RecordRig& m_rig;
};

} // namespace

TEST(RecordResponses, AgainstTheDeviceAnAppliedProcessOutsideTheLimitsIsPutBeforeTheUser)
{
    START_RIG(rig);
    SnoopingDialogs dialogs(rig);
    dialogs::ScopedDialogService installed(dialogs);
    ASSERT_TRUE(rig.applet.Connect());
    rig.OpenForm();
    clsSequenceItem spUpper;
    spUpper.Register(rig.applet.manager, QStringLiteral("SetStaticPressureUpperRangeValue"), false, 0, REGISTER_STATE);
    clsSequenceItem spLower;
    spLower.Register(rig.applet.manager, QStringLiteral("SetStaticPressureLowerRangeValue"), false, 0, REGISTER_STATE);
    clsSequenceItem pvUpper;
    pvUpper.Register(rig.applet.manager, QStringLiteral("SetPtrbUpperRangeValue"), false, 0, REGISTER_STATE);
    piotest::Settle();
    QList<QPair<int, int>> answered;
    QObject::connect(&rig.applet.device, &sim::SimServer::requestHandled,
                     [&](int command, int code) { answered.append({command, code}); });
    auto& device = rig.applet.device.device();
    auto& process = rig.applet.device.transmitter().process();
    const double spUpperRange = device.spUpperRange;
    const double spLowerRange = device.spLowerRange;

    // Static pressure above its sensor limit: 130 answers 9; Ignore goes on with the read.
    process.setOverride(sim::Variable::StaticPressure, device.staticPressure().upperLimit + 1);
    dialogs.AnswerMessage(DialogResult::Ignore);
    spUpper.Start();
    ASSERT_TRUE(piotest::RunUntil([&] { return answered.contains({132, 0}) && spUpper.SequenceState() == 0; }));
    EXPECT_TRUE(answered.contains({130, 9}));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].text, QStringLiteral("Applied process too high"));
    EXPECT_EQ(dialogs.Requests()[0].buttons, MessageButtons::AbortRetryIgnore);
    ASSERT_EQ(dialogs.seen.size(), 1u);
    EXPECT_EQ(dialogs.seen[0].record, QStringLiteral("Write_130"));
    EXPECT_EQ(dialogs.seen[0].state, applet::RecordState::WriteFailed);
    EXPECT_EQ(dialogs.seen[0].response.left(2), Bytes({130, 9}));
    EXPECT_EQ(rig.Text(QStringLiteral("currentRecord")), QString());
    EXPECT_EQ(device.spUpperRange, spUpperRange);

    // Below its limit: 131 answers 10; Retry sends it again, then Ignore lets it pass.
    answered.clear();
    process.setOverride(sim::Variable::StaticPressure, device.staticPressure().lowerLimit - 1);
    dialogs.AnswerMessage(DialogResult::Retry);
    dialogs.AnswerMessage(DialogResult::Ignore);
    spLower.Start();
    ASSERT_TRUE(piotest::RunUntil([&] { return answered.contains({132, 0}) && spLower.SequenceState() == 0; }));
    EXPECT_EQ(answered.count({131, 10}), 2);
    ASSERT_EQ(dialogs.seen.size(), 3u);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(dialogs.Requests()[i].text, QStringLiteral("Applied process too low"));
        EXPECT_EQ(dialogs.seen[i].record, QStringLiteral("Write_131"));
        EXPECT_EQ(dialogs.seen[i].response.left(2), Bytes({131, 10}));
    }
    EXPECT_EQ(device.spLowerRange, spLowerRange);
    EXPECT_FALSE(rig.mgr->TransferFailed());

    // The primary variable below its limit on 36: Abort answers nothing and
    // asks for the shared abort; the abort fan-out (stop the sequence, let the
    // record go) ends the run before its read.
    answered.clear();
    process.setOverride(sim::Variable::StaticPressure, std::nullopt);
    process.setOverride(device.pv().code, device.pv().lowerLimit - 1);
    dialogs.AnswerMessage(DialogResult::Abort);
    pvUpper.Start();
    ASSERT_TRUE(piotest::RunUntil([&] { return dialogs.seen.size() == 4; }));
    piotest::Settle();
    EXPECT_TRUE(answered.contains({36, 10}));
    EXPECT_EQ(dialogs.Requests()[3].text, QStringLiteral("Applied process too low"));
    EXPECT_EQ(dialogs.seen[3].record, QStringLiteral("Read_Write_PTRB_SET_UPPER_RANGE_VALUE"));
    EXPECT_EQ(dialogs.seen[3].response.left(2), Bytes({36, 10}));
    EXPECT_EQ(rig.Number(QStringLiteral("abortSequences")), 1);
    rig.Probe(QStringLiteral("Read_Write_PTRB_SET_UPPER_RANGE_VALUE"));
    EXPECT_EQ(rig.Control(), RecordAction::None);
    clsSequenceItem stop;
    stop.Register(rig.applet.manager, QStringLiteral("SetPtrbUpperRangeValue"), false, 0, REGISTER_CONTROL);
    stop.DoAction(applet::SequenceAction::Stop);
    rig.probe->DoAction(RecordAction::Ignore);
    ASSERT_TRUE(piotest::RunUntil([&] { return pvUpper.SequenceState() == 0; }));
    piotest::Settle();
    EXPECT_FALSE(answered.contains({15, 0}));
    EXPECT_EQ(dialogs.seen.size(), 4u);
}
