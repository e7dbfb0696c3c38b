// The message, the date and the damping are one device value each that two
// items carry, and a download writes both records. Whatever path put a value
// into one item of a pair (a page's edit, a default dataset, a dataset file,
// the project file), the device ends with that value, at its full length,
// from a simulator that takes every write in the order it comes.
#include "tests/corvane/TransferSupport.h"
#include "corvane/frame/clsLoadFromFile.h"
#include "corvane/frame/clsSaveAsToFile.h"
#include "corvane/rules/TwinItems.h"
#include "sim/SimTransmitter.h"

namespace {

using transfertest::TransferRoad;

const QString kFullMessage = QStringLiteral("PRESSURE TRANSMITTER LINE 4 HALL");
// An item's value in a dataset file, "%1" its name.
const QString kDatasetValue = QStringLiteral("(<Value name=\"%1\"[^>]*>)[^<]*(</Value>)");

class TwinValues : public TransferRoad {
protected:
    void SetUp() override
    {
        Start({"rev22_mv_off_137", 137, 22, false, false, {}});
    }

    float Damping() { return device.device().variables[sim::Variable::DifferentialPressure].damping; }

    int32_t StartView(const QString& progId)
    {
        int32_t result = -1;
        global::AppletHost()->StartView(progId, result);
        QTest::qWait(0);
        return result;
    }

    QString SaveDataset(const QString& name)
    {
        const QString path = dir.filePath(name);
        dialogService.AnswerSaveFile(path);
        EXPECT_EQ(StartView(clsSaveAsToFile::kProgId), 0);
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void DownloadAndExpect(const QString& id, const QString& message, float damping)
    {
        ASSERT_TRUE(Download(id)) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Unlocked());
        EXPECT_EQ(device.device().message, message);
        EXPECT_FLOAT_EQ(Damping(), damping);
    }
};

// A message of 32 characters fills the packed field of the standard command:
// edited as either item, the other holds it whole, the device takes it whole,
// and a dataset file keeps it whole.
TEST_F(TwinValues, AMessageOfTheFullLengthReachesTheDeviceWholeThroughEitherItem)
{
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());

    Put(QStringLiteral("pbMessage"), kFullMessage);
    EXPECT_EQ(Text(QStringLiteral("pbDeviceMessage")).trimmed(), kFullMessage);
    DownloadAndExpect(QStringLiteral("D1"), kFullMessage, Damping());

    const QString lower = QStringLiteral("pressure transmitter line 5 hall");
    Put(QStringLiteral("pbDeviceMessage"), lower);
    EXPECT_EQ(Text(QStringLiteral("pbMessage")).trimmed(), lower.toUpper());
    DownloadAndExpect(QStringLiteral("D2"), lower, Damping());

    ASSERT_TRUE(Upload(QStringLiteral("U2")));
    ASSERT_TRUE(Unlocked());
    EXPECT_EQ(Text(QStringLiteral("pbMessage")).trimmed(), lower.toUpper());
    EXPECT_EQ(Text(QStringLiteral("pbDeviceMessage")).trimmed(), lower);
    const QString file = SaveDataset(QStringLiteral("full.tds"));
    EXPECT_TRUE(file.contains(QStringLiteral(">") + lower.toUpper() + QStringLiteral("<"))) << file.toStdString();
    EXPECT_TRUE(file.contains(QStringLiteral(">") + lower + QStringLiteral("<")));
}

// What a default dataset writes: its rows go into the items while its
// marker stands in "currentSequence", so no twin rule follows them.
TEST_F(TwinValues, ADefaultDatasetsDampingReachesTheDevice)
{
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    Put(QStringLiteral("currentSequence"), QStringLiteral("ReadDefaultdataset"));
    Put(QStringLiteral("ptrbDamping"), QStringLiteral("0.8"));
    Put(QStringLiteral("currentSequence"), QString());
    ASSERT_NE(Text(QStringLiteral("aiDPPvFtime")).toFloat(), 0.8f) << "the twin rule ran: nothing left to check";
    DownloadAndExpect(QStringLiteral("D1"), device.device().message, 0.8f);
    EXPECT_FLOAT_EQ(Text(QStringLiteral("aiDPPvFtime")).toFloat(), 0.8f);
}

// A dataset file edited by hand in one item of each pair: loaded into the
// project that read the device, the edited items reach the device, be it the
// standard command's item or the block's.
TEST_F(TwinValues, AHandEditOfADatasetFileReachesTheDeviceInWhicheverItemItIs)
{
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    const QString path = dir.filePath(QStringLiteral("edited.tds"));
    const struct {
        const char* messageItem;
        const char* message;
        const char* dampingItem;
        float damping;
    } edits[] = {
        {"pbMessage", "EDITED IN THE FILE", "ptrbDamping", 2.5f},
        {"pbDeviceMessage", "edited in the block", "aiDPPvFtime", 1.5f},
    };
    int trip = 0;
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.messageItem);
        QString text = SaveDataset(QStringLiteral("saved.tds"));
        text = Edited(text, kDatasetValue, QLatin1String(edit.messageItem), QLatin1String(edit.message));
        text = Edited(text, kDatasetValue, QLatin1String(edit.dampingItem), QString::number(edit.damping));
        WriteFile(path, text);
        dialogService.AnswerOpenFile(path);
        ASSERT_EQ(StartView(clsLoadFromFile::kProgId), 0);
        ASSERT_TRUE(WaitUntil([&] { return Text(QStringLiteral("currentSequence")).isEmpty(); }));
        DownloadAndExpect(QStringLiteral("D%1").arg(++trip), QLatin1String(edit.message), edit.damping);
        ASSERT_TRUE(Upload(QStringLiteral("U%1").arg(trip + 1)));
        ASSERT_TRUE(Unlocked());
    }
}

// The project file edited by hand in the standard items, as a user who reads
// "pbMessage" and "ptrbDamping" in `show` would: loaded again, the project
// holds and shows those values in both items of each pair and sends them.
TEST_F(TwinValues, AHandEditOfTheProjectFileReachesTheDevice)
{
    if (HasFatalFailure())
        return;
    ReopenEdited({{QStringLiteral("pbMessage"), QStringLiteral("EDITED IN THE PROJECT")},
                  {QStringLiteral("ptrbDamping"), QStringLiteral("3.5")}});
    if (HasFatalFailure())
        return;
    EXPECT_EQ(Text(QStringLiteral("pbMessage")).trimmed(), QStringLiteral("EDITED IN THE PROJECT"));
    EXPECT_EQ(Text(QStringLiteral("pbDeviceMessage")).trimmed(), QStringLiteral("EDITED IN THE PROJECT"));
    EXPECT_FLOAT_EQ(Text(QStringLiteral("aiDPPvFtime")).toFloat(), 3.5f);
    DownloadAndExpect(QStringLiteral("D1"), QStringLiteral("EDITED IN THE PROJECT"), 3.5f);
}

// A project file whose pairs disagree (the block's item edited alone, or
// the standard item edited and the block's left stale) is given one value
// per pair when it is loaded, the standard item's, whatever the device
// holds, and the project counts as changed: the same file downloaded twice
// (the device holding the block's stale value the first time, the standard
// item's the second) leaves the device in one state.
TEST_F(TwinValues, AProjectFileWhosePairsDisagreeGivesOneDeviceStateWhateverTheDeviceHeld)
{
    if (HasFatalFailure())
        return;
    const QString edited = ReopenEdited({{QStringLiteral("ptrbDamping"), QStringLiteral("2.5")},
                                         {QStringLiteral("pbDeviceMessage"), QStringLiteral("edited in the block")},
                                         {QStringLiteral("pbDeviceInstalDate"), QStringLiteral("2025-03-04")}});
    ASSERT_FALSE(HasFatalFailure());
    const QString message = Text(QStringLiteral("pbMessage")).trimmed();
    ASSERT_NE(message, QStringLiteral("EDITED IN THE BLOCK"));
    const QString path = frame->Project().InstanceFile(dtmtest::kTag);
    for (int trip = 1; trip <= 2; ++trip) {
        SCOPED_TRACE(trip);
        for (const twins::TwinPair& pair : twins::kTwinPairs)
            EXPECT_TRUE(twins::Agree(*manager, pair, Text(QLatin1String(pair.standard)), Text(QLatin1String(pair.block))))
                << pair.block << " shows " << Text(QLatin1String(pair.block)).toStdString();
        EXPECT_FLOAT_EQ(Text(QStringLiteral("aiDPPvFtime")).toFloat(), 2.5f);
        EXPECT_EQ(Dtm()->DataManager()->GetStorageState(), QStringLiteral("transient"));
        DownloadAndExpect(QStringLiteral("D%1").arg(trip), message, 2.5f);
        TearDown();
        WriteFile(path, edited);
        Reopen();
        ASSERT_FALSE(HasFatalFailure());
    }
}

// A dataset file edited by hand in the block's item of a pair only, loaded
// into a project opened by a later run that read nothing from the device:
// the item the file changed is the edit, and the device takes it.
TEST_F(TwinValues, AHandEditOfADatasetFilesBlockItemAloneReachesTheDevice)
{
    if (HasFatalFailure())
        return;
    const char* const edits[] = {"edited in the file", "2026-05-06", "2.5"};
    for (size_t index = 0; index < twins::kTwinPairs.size(); ++index) {
        const twins::TwinPair& pair = twins::kTwinPairs[index];
        const QString standard = QLatin1String(pair.standard);
        const QString block = QLatin1String(pair.block);
        SCOPED_TRACE(pair.block);
        const QString edit = QLatin1String(edits[index]);
        ASSERT_TRUE(Upload(QStringLiteral("U")));
        ASSERT_TRUE(Unlocked());
        const QString path = dir.filePath(QStringLiteral("edited.tds"));
        const QString text = SaveDataset(QStringLiteral("edited.tds"));
        TearDown();
        WriteFile(path, Edited(text, kDatasetValue, block, edit));
        Reopen();
        ASSERT_FALSE(HasFatalFailure());
        dialogService.AnswerOpenFile(path);
        ASSERT_EQ(StartView(clsLoadFromFile::kProgId), 0);
        ASSERT_TRUE(WaitUntil([&] { return Text(QStringLiteral("currentSequence")).isEmpty(); }));
        EXPECT_TRUE(twins::Agree(*manager, pair, Text(standard), edit)) << Text(standard).toStdString();
        ASSERT_TRUE(Download(QStringLiteral("D"))) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Unlocked());
        ASSERT_TRUE(Upload(QStringLiteral("U2")));
        ASSERT_TRUE(Unlocked());
        EXPECT_TRUE(twins::Agree(*manager, pair, Text(standard), edit)) << Text(standard).toStdString();
        EXPECT_TRUE(twins::Agree(*manager, pair, Text(standard), Text(block))) << Text(block).toStdString();
    }
}

} // namespace
