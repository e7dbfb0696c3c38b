// The DTM's parameter, online and information interfaces and the frame's
// dataset events: who may write the dataset, what a refused or rejected write
// leaves behind, what the frame's lock and unlock do, and that events for
// another instance change nothing.
#include "DtmTestSupport.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsDialogManager.h"
#include "fennick/services/DataTypes.h"
#include "platform/automation/ComError.h"
#include "platform/frame/fdt/IFdtEvents.h"

namespace {

using namespace dtmtest;

class ParameterInterface : public DtmTest {
protected:
    // The dataset as the frame would send it back, with another tag.
    QString DocumentWithTag(const QString& tag) const
    {
        QString document = Dtm()->GetParameters(QStringLiteral("FDT"));
        const QString current = QStringLiteral("fdt:tag=\"%1\"").arg(Dtm()->DataManager()->GetDeviceTag());
        EXPECT_TRUE(document.contains(current)) << document.toStdString();
        document.replace(current, QStringLiteral("fdt:tag=\"%1\"").arg(tag));
        return document;
    }
    QString Tag() const { return Dtm()->DataManager()->GetDeviceTag(); }
    // Lets the frame complete a pending unlock.
    void Settle() { clock.Advance(100); }
};

// Only a configured user level above observer writes, and every write takes
// the frame's lock and gives it back.
TEST_F(ParameterInterface, SetParametersByUserLevel)
{
    struct Case {
        const char* userLevel; // nullptr: no Config
        bool configAccepted;
        bool writes;
    };
    const Case cases[] = {
        {nullptr, false, false},
        {"operator", true, true},
        {"observer", true, false},
        {"maintenance", true, true},
        {"Maintenance", false, false}, // not a user level: stays at 0
        {"planningEngineer", true, true},
    };
    NewInstance();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.userLevel ? c.userLevel : "no Config");
        if (c.userLevel) {
            Dtm()->SetDtmStatus(DtmStatus::Running);
            EXPECT_EQ(frame->Configure(kTag, QString::fromUtf8(c.userLevel)), c.configAccepted);
            Settle();
        }
        const QString before = Tag();
        const QString document = DocumentWithTag(QStringLiteral("PT-%1").arg(++n));
        frame->Events().Clear();
        traces.clear();
        EXPECT_EQ(Dtm()->SetParameters(QStringLiteral("FDT"), document), c.writes);
        if (!c.writes) {
            // Refused before the lock: one entry trace and nothing else.
            EXPECT_EQ(Messages(traces), (QStringList{"IDtmParameter::SetParameters"}));
            EXPECT_EQ(Tag(), before);
            EXPECT_EQ(Dtm()->LockCounter(), 0);
            Settle();
            EXPECT_TRUE(Events().isEmpty()) << Events().join('\n').toStdString();
            continue;
        }
        EXPECT_EQ(Tag(), QStringLiteral("PT-%1").arg(n));
        EXPECT_EQ(Dtm()->DataManager()->GetStorageState(), QStringLiteral("transient"));
        EXPECT_EQ(Dtm()->DataManager()->GetDataSetState(), QStringLiteral("validModified "));
        const QStringList messages = Messages(traces);
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_EQ(messages.first(), QStringLiteral("IDtmParameter::SetParameters"));
        EXPECT_TRUE(messages.contains(QStringLiteral("IDtmParameter::SetParameters - parameterPath : FDT")));
        EXPECT_TRUE(messages.contains(QStringLiteral("IDtmParameter::SetParameters - FdtXmlDocument : ") + document));
        EXPECT_EQ(messages.last(), QStringLiteral("IDtmParameter::SetParameters result : True"));
        Settle();
        EXPECT_EQ(frame->Events().Count("LockDataSet"), 1);
        EXPECT_EQ(frame->Events().Count("UnlockDataSet"), 1);
        EXPECT_EQ(Dtm()->LockCounter(), 0);
    }
}

TEST_F(ParameterInterface, SetParametersWithoutDataManagerAnswersFalse)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    global::FdtUserLevel() = 2;
    traces.clear();
    EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), kDeviceType));
    EXPECT_EQ(Messages(traces),
              (QStringList{"IDtmParameter::SetParameters", "IDtmParameter::SetParameters result : False"}));
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_TRUE(Events().isEmpty());
}

// Another user's lock refuses the write before anything is touched; a
// document the dataset rejects marks it invalid and still gives the lock back.
TEST_F(ParameterInterface, RefusedAndRejectedWrites)
{
    ConfiguredInstance();
    const QString document = DocumentWithTag(QStringLiteral("PT-7"));
    const QString before = Dtm()->GetParameters(QStringLiteral("FDT"));
    ASSERT_TRUE(frame->LockByOtherUser(kTag, QStringLiteral("Anna")));
    frame->Events().Clear();
    traces.clear();
    EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), document));
    const QStringList messages = Messages(traces);
    EXPECT_EQ(messages.first(), QStringLiteral("IDtmParameter::SetParameters"));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Error Dataset locked!")), 1);
    EXPECT_EQ(messages.last(), QStringLiteral("IDtmParameter::SetParameters result : False"));
    EXPECT_FALSE(traces.contains(QStringLiteral("IDtmParameter::SetParameters - parameterPath")));
    EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), before) << "neither the data nor the states change";
    EXPECT_EQ(Dtm()->LockCounter(), -1);
    EXPECT_EQ(frame->Events().Count("LockDataSet"), 0);

    ASSERT_TRUE(frame->UnlockByOtherUser(kTag, QStringLiteral("Anna")));
    Settle();
    frame->Events().Clear();
    for (const QString& rejected : {QStringLiteral("no xml"), QStringLiteral("<FDT><Unknown/></FDT>")}) {
        SCOPED_TRACE(rejected.toStdString());
        EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), rejected));
        EXPECT_EQ(Dtm()->DataManager()->GetStorageState(), QStringLiteral("transient"));
        EXPECT_EQ(Dtm()->DataManager()->GetDataSetState(), QStringLiteral("invalidModified"));
        EXPECT_EQ(Tag(), QStringLiteral("XI XXX"));
        Settle();
        EXPECT_EQ(Dtm()->LockCounter(), 0);
        EXPECT_FALSE(Container()->DataSetLockedByDtm());
    }
    EXPECT_EQ(frame->Events().Count("LockDataSet"), 2);
    EXPECT_EQ(frame->Events().Count("UnlockDataSet"), 2);
}

// A data manager that fails half-way through a write: the frame gets False,
// the dataset counts as rejected and the frame's lock is given back.
TEST_F(ParameterInterface, FailingWriteStillGivesTheLockBack)
{
    ConfiguredInstance();
    const QString document = DocumentWithTag(QStringLiteral("PT-3"));
    frame->Events().Clear();
    QStringList lines;
    DataTypes::SetTraceSink([&lines](const QString& line) {
        lines.append(line);
        if (line.contains(QStringLiteral("IDtmParameterExt_SetParameters - gXML_Load returns")))
            throw automation::ComError(7, QStringLiteral("Out of memory"), QStringLiteral("clsDataManager"));
    });
    const bool result = Dtm()->SetParameters(QStringLiteral("FDT"), document);
    DataTypes::SetTraceSink(nullptr);
    EXPECT_FALSE(result);
    EXPECT_EQ(lines.filter(QStringLiteral("Description.:Out of memory")).size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.filter(QStringLiteral("IDtmParameter::SetParameters result")).isEmpty());
    EXPECT_EQ(Dtm()->DataManager()->GetDataSetState(), QStringLiteral("invalidModified"));
    Settle();
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
    EXPECT_EQ(frame->Events().Count("UnlockDataSet"), 1);
}

TEST_F(ParameterInterface, GetParametersAnswersInEveryStatus)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    traces.clear();
    EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), QString()) << "no dataset before the environment";
    EXPECT_EQ(Messages(traces), (QStringList{"IDtmParameter::GetParameters"}));
    ASSERT_TRUE(frame->InitNewInstance(kTag, kDeviceType));
    const QString dataset = Dtm()->GetParameters(QStringLiteral("FDT"));
    EXPECT_TRUE(dataset.contains(QStringLiteral("fdt:DtmDeviceType")));
    ASSERT_TRUE(frame->Configure(kTag, QStringLiteral("operator")));
    for (int status : {DtmStatus::Online, DtmStatus::Inoperable, DtmStatus::Configured}) {
        Dtm()->SetDtmStatus(status);
        EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), dataset) << status;
    }
    const auto dtm = Dtm();
    ASSERT_TRUE(dtm->PrepareToRelease());
    EXPECT_EQ(dtm->GetDtmStatus(), DtmStatus::Unloading);
    EXPECT_EQ(dtm->GetParameters(QStringLiteral("FDT")), dataset) << "still there until the teardown";
}

// The information the frame reads before it chooses a device type.
TEST_F(ParameterInterface, InformationIsTheCatalogue)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    ASSERT_TRUE(frame->PrepareNewInstance(kTag));
    ASSERT_EQ(Status(), DtmStatus::NewEnabled);
    QString information;
    ASSERT_TRUE(frame->GetInformation(kTag, information)) << frame->LastError().toStdString();
    EXPECT_EQ(information, Deployment::GetDtmInformationXml());
    EXPECT_TRUE(information.contains(QStringLiteral("deviceTypeId=\"137\""))) << information.toStdString();

    // Without a catalogue there is nothing to tell.
    Deployment::SetCatalogueFolder(dir.filePath(QStringLiteral("empty")));
    EXPECT_EQ(Dtm()->GetInformation(), QString());
    EXPECT_FALSE(frame->GetInformation(kTag, information));
}

TEST_F(ParameterInterface, PrivateDialogsAndLanguage)
{
    ConfiguredInstance();
    EXPECT_TRUE(Dtm()->PrivateDialogEnabled(false));
    EXPECT_EQ(Dtm()->DialogManager()->PrivateDialogEnabled(), 0);
    EXPECT_TRUE(Dtm()->PrivateDialogEnabled(true));
    EXPECT_EQ(Dtm()->DialogManager()->PrivateDialogEnabled(), -1);

    // The frame's language is accepted and not used.
    const QString dataset = Dtm()->GetParameters(QStringLiteral("FDT"));
    traces.clear();
    EXPECT_TRUE(Dtm()->SetLanguage(1036));
    EXPECT_EQ(Messages(traces), (QStringList{"Execute clsTkDispatcher::IDtm_SetLanguage"}));
    EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), dataset);
    Dtm()->SetDtmStatus(DtmStatus::Online);
    EXPECT_FALSE(Dtm()->SetLanguage(1036));
}

TEST_F(ParameterInterface, CancelBeforeAnyTransferHasNothingToCancel)
{
    CommunicationSetInstance();
    traces.clear();
    EXPECT_FALSE(Dtm()->CancelAction(QStringLiteral("7")));
    EXPECT_EQ(Messages(traces), (QStringList{"IDtmOnlineParameter::CancelAction",
                                             "IDtmOnlineParameter::CancelAction: No active service available"}));
    EXPECT_EQ(Dtm()->SequenceManager(), nullptr) << "a cancel creates no sequence manager";
}

// --- The frame's dataset events ------------------------------------------------------------

class FrameDatasetEvents : public ParameterInterface {
protected:
    std::shared_ptr<fdt::IFdtEvents> Events() const { return frame->Dtm<fdt::IFdtEvents>(kTag); }
    bool LockedItem() const { return host->Value(clsDataManager::kLockedItem) != 0; }
    void ExpectOnlyFunctionChanged() const
    {
        const QStringList texts = frame->Events().Texts();
        EXPECT_GE(texts.size(), 1);
        EXPECT_EQ(texts.count(QStringLiteral("OnFunctionChanged")), texts.size()) << texts.join('\n').toStdString();
    }
};

TEST_F(FrameDatasetEvents, LockAndUnlockByTheFrame)
{
    ConfiguredInstance();
    frame->Events().Clear();
    traces.clear();
    Events()->OnLockDataSet(kTag, QStringLiteral("Anna"));
    // The frame hears of the changed functions inside its own call.
    ExpectOnlyFunctionChanged();
    EXPECT_EQ(Dtm()->LockCounter(), -1);
    EXPECT_TRUE(LockedItem());
    EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Anna"));
    const QStringList lock = Messages(traces);
    const QStringList expectedLock{"IFdtEvents_OnLockDataSet",
                                   "clsTKDispatcher.IFdtEvents_OnLockDataSet.. Resetting EWAR flag to -1 ..",
                                   "Data set locked by : Anna", "EWAR - OnLockDataset: locked already by Anna"};
    for (const QString& line : expectedLock)
        EXPECT_TRUE(lock.contains(line)) << line.toStdString() << "\n" << lock.join('\n').toStdString();
    EXPECT_LT(lock.indexOf(expectedLock[1]), lock.indexOf(expectedLock[3]));

    frame->Events().Clear();
    traces.clear();
    EXPECT_TRUE(Events()->OnUnlockDataSet(kTag, QStringLiteral("Anna")));
    ExpectOnlyFunctionChanged();
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(LockedItem());
    EXPECT_EQ(Messages(traces).first(), QStringLiteral("IFdtEvents_OnUnlockDataSet"));
    EXPECT_EQ(Messages(traces).last(),
              QStringLiteral("clsTKDispatcher.IFdtEvents_OnUnLockDataSet.. Resetting EWAR flag to 0.."));
    EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Anna")) << "kept until the next lock";
}

// Events for another instance, or while no dataset is there, are traced and
// change nothing: not the dataset, the lock counter, the locking user nor
// the applet's lock item.
TEST_F(FrameDatasetEvents, EventsTheDtmMustNotTake)
{
    ConfiguredInstance();
    ASSERT_TRUE(frame->LockByOtherUser(kTag, QStringLiteral("Anna")));
    ASSERT_TRUE(frame->UnlockByOtherUser(kTag, QStringLiteral("Anna")));
    ASSERT_TRUE(EWAR::IncrementEWAR(QStringLiteral("writer"))); // the DTM holds the frame's lock
    const QString changed = QStringLiteral("<DTM><ChangedParameters>") + DocumentWithTag(QStringLiteral("PT-9"))
                            + QStringLiteral("</ChangedParameters></DTM>");
    const QString dataset = Dtm()->GetParameters(QStringLiteral("FDT"));
    frame->Events().Clear();

    struct Case {
        const char* method; // as traced
        std::function<QString(fdt::IFdtEvents&, const QString& tag)> call;
    };
    const Case cases[] = {
        {"IFdtEvents::OnlockDataSet",
         [](fdt::IFdtEvents& e, const QString& tag) {
             e.OnLockDataSet(tag, QStringLiteral("Carl"));
             return QString();
         }},
        {"IFdtEvents::OnUnlockDataSet",
         [](fdt::IFdtEvents& e, const QString& tag) {
             return e.OnUnlockDataSet(tag, QStringLiteral("Anna")) ? QStringLiteral("True") : QStringLiteral("False");
         }},
        {"IFdtEvents::OnParameterChanged",
         [&changed](fdt::IFdtEvents& e, const QString& tag) {
             e.OnParameterChanged(tag, changed);
             return QString();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        const QString method = QString::fromUtf8(c.method);
        traces.clear();
        const QString result = c.call(*Events(), QStringLiteral("DTM_9"));
        EXPECT_TRUE(result.isEmpty() || result == QStringLiteral("False"));
        const QStringList messages = Messages(traces);
        const int mismatch = static_cast<int>(messages.indexOf(method + QStringLiteral(": System tag mismatch!")));
        ASSERT_GE(mismatch, 0) << messages.join('\n').toStdString();
        EXPECT_EQ(messages.mid(mismatch + 1, 2),
                  (QStringList{"Defined tag  : DTM_1", "Requested tag: DTM_9"}));

        // The own tag while the DTM is not running: refused by the status.
        Dtm()->SetDtmStatus(DtmStatus::NewEnabled);
        traces.clear();
        c.call(*Events(), kTag);
        EXPECT_TRUE(traces.contains(method + QStringLiteral(": Not allowed in Status:NEW ENABLED")));
        Dtm()->SetDtmStatus(DtmStatus::Configured);

        EXPECT_EQ(Dtm()->GetParameters(QStringLiteral("FDT")), dataset);
        EXPECT_EQ(Dtm()->LockCounter(), 1);
        EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Anna"));
        EXPECT_FALSE(LockedItem());
    }
    EXPECT_TRUE(frame->Events().Texts().isEmpty()) << frame->Events().Texts().join('\n').toStdString();

    // A child's parameters are no concern of this DTM.
    traces.clear();
    Events()->OnChildParameterChanged(kTag);
    EXPECT_TRUE(traces.lines().isEmpty());
    EXPECT_TRUE(EWAR::DecrementEWAR(QStringLiteral("writer")));
    Settle();
}

TEST_F(FrameDatasetEvents, WithoutDataManagementEventsAreOnlyTraced)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    Dtm()->SetDtmStatus(DtmStatus::Running); // running, but nothing was loaded
    traces.clear();
    EXPECT_FALSE(Events()->OnUnlockDataSet(QString(), QStringLiteral("Anna")));
    Events()->OnLockDataSet(QString(), QStringLiteral("Anna"));
    Events()->OnParameterChanged(QString(), QStringLiteral("<DTM/>"));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("IFdtEvents::OnUnlockDataSet: Data management not installed!")), 1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("IFdtEvents::OnlockDataSet: Data management not installed!")), 1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("IFdtEvents::OnParameterChanged: Data management not installed!")),
              1);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Unknown"));
}

} // namespace
