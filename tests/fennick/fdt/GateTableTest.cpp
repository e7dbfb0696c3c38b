// The call gate as a table: for every FDT method and every status, whether the
// method is admitted, and what a refusal traces and returns.
#include "DtmTestSupport.h"
#include "fennick/fdt/DtmGate.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/fdt/FdtChannelCollection.h"
#include <algorithm>
#include <functional>
#include <set>

namespace {

using namespace dtmtest;

QString Text(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

const std::set<int> kAll{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::set<int> kConfigured{1, 2, 5, 6, 10};
const std::set<int> kRunning{1, 2, 5, 6, 10, 11};
const std::set<int> kInformation{1, 2, 4, 5, 6, 9, 10, 11};
const std::set<int> kOnline{2, 5, 6, 10};

struct GateRow {
    const char* method;
    std::set<int> admitted;
    const char* refusal;   // nullptr: never refused by the status
    bool refusalStops;     // false: refusal only traced
    std::function<QString(clsTkDispatcher& dtm, frame::ReferenceFrame& frame)> call;
    std::function<QString()> refusedResult;
};

QString False()
{
    return QStringLiteral("False");
}

const std::vector<GateRow>& Rows()
{
    static const std::vector<GateRow> rows = {
        {"Class_InitProperties", {0}, "Class::InitProperties", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             dtm.InitProperties();
             return QString::number(dtm.GetDtmStatus());
         },
         nullptr},
        {"Class_ReadProperties", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, "Class::ReadProperties: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             dtm.ReadProperties(automation::PropertyBag());
             return QString();
         },
         [] { return QString(); }},
        {"Class_WriteProperties", {1, 2, 5, 6, 7, 10, 11}, "Class::WriteProperties: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             // A refusal fails the frame's save, which then keeps its stored bag.
             automation::PropertyBag bag;
             try {
                 dtm.WriteProperties(bag);
             } catch (const automation::ComError&) {
                 return QStringLiteral("failed:") + bag.Keys().join(',');
             }
             return bag.Keys().join(',');
         },
         [] { return QStringLiteral("failed:"); }},
        {"IDtm::Environment", {4, 8}, "IDtm::Environment: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame& frame) {
             return Text(dtm.Environment(kTag, frame.Container(kTag)));
         },
         False},
        {"IDtm::InitNew", {9}, "IDtm::InitNew: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.InitNew(kDeviceType)); }, False},
        {"IDtm::Config", {11}, "IDtm::Config ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return Text(dtm.Config(frame::FrameDocuments::UserInformationDocument("maintenance", false)));
         },
         False},
        {"IDtm::SetCommunication", {1}, "IDtm::SetCommunication ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.SetCommunication(nullptr)); }, False},
        {"IDtm::PrepareToReleaseCommunication", kOnline, "IDtm::PrepareToReleaseCommunication: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.PrepareToReleaseCommunication()); },
         False},
        {"IDtm::ReleaseCommunication", {2}, "IDtm::ReleaseCommunication: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.ReleaseCommunication()); }, False},
        {"IDtm::PrepareToRelease", {1, 3, 9}, "IDtm::PrepareToRelease: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.PrepareToRelease()); }, False},
        {"IDtm::PrepareToDelete", {1}, "IDtm::PrepareToDelete: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.PrepareToDelete()); }, False},
        {"IDtm::SetLanguage", {1, 2, 11}, "IDtm::SetLanguage", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.SetLanguage(1031)); }, False},
        {"IDtm::GetFunctions", kConfigured, "IDtm::GetFunctions: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return dtm.GetFunctions(QStringLiteral("1")); },
         [] { return XMLHelper::CreateFunctionsDocument(); }},
        {"IDtm::InvokeFunctionRequest", kConfigured, "IDtm::InvokeFunctionRequest: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return Text(dtm.InvokeFunctionRequest(QStringLiteral("1"), QStringLiteral("<FDT/>")));
         },
         False},
        {"IDtm::PrivateDialogEnabled", kConfigured, "IDtm::PrivateDialogEnabled: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.PrivateDialogEnabled(true)); }, False},
        {"IDtmApplication::StartApplication", kConfigured, "IDtmApplication::StartApplication ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return Text(dtm.StartApplication(QStringLiteral("1"), QStringLiteral("<FDT/>"), QStringLiteral("T")));
         },
         False},
        {"IDtmApplication::ExitApplication", kConfigured, "IDtmApplication::ExitApplication ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.ExitApplication(QStringLiteral("1"))); },
         False},
        {"IDtmChannel::GetChannels", kRunning, "IDtmChannel::GetChannels ", false,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return dtm.GetChannels() ? QStringLiteral("channels") : QStringLiteral("none");
         },
         [] { return QStringLiteral("none"); }},
        {"IDtmInformation::GetInformation", kInformation, "IDtmInformation::GetInformation ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return dtm.GetInformation(); },
         [] { return QString(); }},
        {"IDtmOnlineParameter::CancelAction", kOnline, "IDtmOnlineParameter::CancelAction: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return Text(dtm.CancelAction(QStringLiteral("1"))); },
         False},
        {"IDtmOnlineParameter::DownloadRequest", kOnline, "IDtmOnlineParameter::DownloadRequest: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return Text(dtm.DownloadRequest(QStringLiteral("1"), QStringLiteral("FDT")));
         },
         False},
        {"IDtmOnlineParameter::UploadRequest", kOnline, "IDtmOnlineParameter::UploadRequest: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return Text(dtm.UploadRequest(QStringLiteral("1"), QStringLiteral("FDT")));
         },
         False},
        {"IDtmParameter::GetParameters", kAll, nullptr, true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) { return dtm.GetParameters(QStringLiteral("FDT")); },
         nullptr},
        {"IDtmParameter::SetParameters", kAll, nullptr, true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return Text(dtm.SetParameters(QStringLiteral("FDT"), kDeviceType));
         },
         nullptr},
        // The frame's dataset events: admitted while running, for the DTM's own tag.
        {"IFdtEvents::OnLockDataSet", kRunning, "IFdtEvents::OnlockDataSet: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             dtm.OnLockDataSet(kTag, QStringLiteral("Anna"));
             return QString::number(dtm.LockCounter());
         },
         nullptr},
        {"IFdtEvents::OnUnlockDataSet", kRunning, "IFdtEvents::OnUnlockDataSet: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             return Text(dtm.OnUnlockDataSet(kTag, QStringLiteral("Anna")));
         },
         False},
        {"IFdtEvents::OnParameterChanged", kRunning, "IFdtEvents::OnParameterChanged: ", true,
         [](clsTkDispatcher& dtm, frame::ReferenceFrame&) {
             dtm.OnParameterChanged(kTag, QStringLiteral("<DTM/>"));
             return QString();
         },
         [] { return QString(); }},
    };
    return rows;
}

// The gate's own table gives the same admissions as the rows above.
TEST(GateTable, AdmissionsOfEveryMethodInEveryStatus)
{
    for (const DtmGate::MethodGate& gate : DtmGate::Gates()) {
        const auto row = std::find_if(Rows().begin(), Rows().end(), [&](const GateRow& r) {
            return QLatin1String(r.method) == QLatin1String(gate.name);
        });
        ASSERT_NE(row, Rows().end()) << gate.name;
        for (int status = -1; status <= 13; ++status)
            EXPECT_EQ(DtmGate::Admits(gate, status, false), !row->refusal || row->admitted.count(status) == 1)
                << gate.name << " in status " << status;
        EXPECT_STREQ(gate.refusal, row->refusal ? row->refusal : "") << gate.name;
        EXPECT_EQ(gate.refusalStopsWork, row->refusalStops) << gate.name;
        if (gate.admission == DtmGate::Admission::OnlineParameter) {
            for (int status : kOnline)
                EXPECT_FALSE(DtmGate::Admits(gate, status, true)) << gate.name << " with the dataset locked";
        }
    }
}

TEST(GateTable, StatusNames)
{
    const char* names[] = {"UP",           "CONFIGURED", "COMMUNICATION SET", "DESTROYED",   "EXISTING CREATED",
                           "GOING ONLINE", "GOING OFFLINE", "UNLOADING",      "NEW CREATED", "NEW ENABLED",
                           "ONLINE",       "RUNNING",    "INOPERABLE"};
    for (int status = 0; status <= 12; ++status)
        EXPECT_EQ(DtmGate::StatusName(status), QLatin1String(names[status]));
    EXPECT_EQ(DtmGate::StatusName(13), QStringLiteral("INVALID STATUS"));
    EXPECT_EQ(DtmGate::StatusName(-1), QStringLiteral("INVALID STATUS"));
}

class GateThroughDtm : public DtmTest {};

// Every method called on the DTM in every status: a refusal traces the method
// text, "Not allowed in Status:" and the status name as one line and returns
// the empty result; an admitted call traces no refusal.
TEST_F(GateThroughDtm, EveryMethodInEveryStatus)
{
    CommunicationSetInstance();
    for (int status = 0; status <= 12; ++status) {
        for (const GateRow& row : Rows()) {
            if (!Dtm()->ConnectObject()) {
                ASSERT_TRUE(Dtm()->CreateConnectObject());
            }
            Dtm()->SetDtmStatus(status);
            traces.clear();
            const QString result = row.call(*Dtm(), *frame);
            const bool admitted = row.admitted.count(status) == 1;
            const QString refusalLine = QLatin1String(row.refusal ? row.refusal : "")
                                        + QStringLiteral("Not allowed in Status:") + DtmGate::StatusName(status);
            SCOPED_TRACE(QStringLiteral("%1 in status %2").arg(QLatin1String(row.method)).arg(status).toStdString());
            if (admitted) {
                EXPECT_FALSE(traces.contains(QStringLiteral("Not allowed in Status:")));
                continue;
            }
            EXPECT_EQ(CountMessage(traces, refusalLine), 1) << Messages(traces).join('\n').toStdString();
            if (row.refusedResult && row.refusalStops) {
                EXPECT_EQ(result, row.refusedResult());
            }
            if (QLatin1String(row.method) == QLatin1String("Class_InitProperties")) {
                EXPECT_EQ(result, QString::number(status)); // status unchanged
            }
        }
    }
}

TEST_F(GateThroughDtm, ExitTracesFollowRefusalsButNotTheErrorTrap)
{
    ConfiguredInstance();
    traces.clear();
    EXPECT_FALSE(Dtm()->ReleaseCommunication()); // refused in status 1
    EXPECT_EQ(Messages(traces),
              (QStringList{"IDtm::ReleaseCommunication - Begin",
                           "IDtm::ReleaseCommunication: Not allowed in Status:CONFIGURED",
                           "IDtm::ReleaseCommunication - Done"}));

    // In status 10 without a connect object the disconnect raises: the trap
    // traces it and answers False without the exit trace.
    Dtm()->SetDtmStatus(DtmStatus::Online);
    traces.clear();
    EXPECT_FALSE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_TRUE(traces.contains(QStringLiteral("Runtime error")));
    EXPECT_FALSE(traces.contains(QStringLiteral("IDtm::PrepareToReleaseCommunication - Done")));
}

TEST_F(GateThroughDtm, GetChannelsGoesOnAfterItsRefusal)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    traces.clear();
    EXPECT_EQ(Dtm()->GetChannels(), nullptr);
    EXPECT_EQ(Messages(traces), (QStringList{"Execute IDtmChannel::GetChannels",
                                             "IDtmChannel::GetChannels Not allowed in Status:UP",
                                             "IDtmChannels::GetChannels - Data management has been already unloaded"}));
}

} // namespace
