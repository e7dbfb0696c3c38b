// The message, the date and the damping are one device value each that two
// items carry, and a download writes both records. Whatever path put a value
// into one item of a pair (a page's edit, a default dataset, a dataset file,
// the project file), the device ends with that value, at its full length,
// from a simulator that takes every write in the order it comes.
#include "TransferSupport.h"
#include "corvane/frame/clsLoadFromFile.h"
#include "corvane/frame/clsSaveAsToFile.h"
#include "sim/SimTransmitter.h"
#include <QRegularExpression>

namespace {

using transfertest::TransferRoad;

const QString kFullMessage = QStringLiteral("PRESSURE TRANSMITTER LINE 4 HALL");

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

    // The text with one item's value replaced, as a hand edit would; the
    // pattern holds the item's name where "%1" stands.
    static QString Edited(QString text, const QString& pattern, const QString& item, const QString& value)
    {
        const QRegularExpression at(pattern.arg(QRegularExpression::escape(item)));
        EXPECT_EQ(text.count(at), 1) << item.toStdString();
        return text.replace(at, QStringLiteral("\\1") + value + QStringLiteral("\\2"));
    }

    static void Write(const QString& path, const QString& text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
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
    const QString value = QStringLiteral("(<Value name=\"%1\"[^>]*>)[^<]*(</Value>)");
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
        text = Edited(text, value, QLatin1String(edit.messageItem), QLatin1String(edit.message));
        text = Edited(text, value, QLatin1String(edit.dampingItem), QString::number(edit.damping));
        Write(path, text);
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
// sends those values, whatever the block's items still hold.
TEST_F(TwinValues, AHandEditOfTheProjectFileReachesTheDevice)
{
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    ASSERT_TRUE(frame->SaveInstance(dtmtest::kTag)) << frame->LastError().toStdString();
    const QString path = frame->Project().InstanceFile(dtmtest::kTag);
    QString text = QString::fromUtf8(StoredInstance());
    const QString variable = QStringLiteral(
        "(name=\"%1\"&gt;&lt;fdt:Value&gt;&lt;fdt:Display string=\")[^\"]*(\")");
    text = Edited(text, variable, QStringLiteral("pbMessage"), QStringLiteral("EDITED IN THE PROJECT"));
    text = Edited(text, variable, QStringLiteral("ptrbDamping"), QStringLiteral("3.5"));
    TearDown();
    Write(path, text);

    frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("project")),
                                                   QStringLiteral(TRIVEX_SCHEMA_DIR));
    ASSERT_TRUE(frame->CreateDtm(dtmtest::kTag)) << frame->LastError().toStdString();
    ASSERT_TRUE(frame->LoadInstance(dtmtest::kTag)) << frame->LastError().toStdString();
    ASSERT_TRUE(frame->Configure(dtmtest::kTag, QStringLiteral("maintenance"))) << frame->LastError().toStdString();
    ASSERT_TRUE(frame->SetCommunication(dtmtest::kTag, loopbacktest::LocalAddress(device.port())))
        << frame->LastError().toStdString();
    Watch();
    ASSERT_EQ(Text(QStringLiteral("pbMessage")).trimmed(), QStringLiteral("EDITED IN THE PROJECT"));
    ASSERT_NE(Text(QStringLiteral("pbDeviceMessage")).trimmed(), QStringLiteral("EDITED IN THE PROJECT"));
    DownloadAndExpect(QStringLiteral("D1"), QStringLiteral("EDITED IN THE PROJECT"), 3.5f);
}

} // namespace
