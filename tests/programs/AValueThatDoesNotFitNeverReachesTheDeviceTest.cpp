// A project whose stored values were edited by hand, downloaded to a locked
// device: a value its item cannot hold is refused when the project loads,
// with the item's name and why, and nothing reaches the device; a value the
// device rounds is no failure, and the project then holds what the device does.
#include "tests/programs/StagedPrograms.h"
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using staged::Bytes;
using staged::Frame;
using staged::ProgramRun;

// The text a stored project holds for an item.
QString Stored(const QByteArray& bag, const QString& name)
{
    const QRegularExpression value(QStringLiteral("name=\"%1\"&gt;&lt;fdt:Value&gt;&lt;fdt:Display string=\"([^\"]*)\"")
                                       .arg(QRegularExpression::escape(name)));
    return value.match(QString::fromUtf8(bag)).captured(1);
}

// The stored project with the item's text replaced, as a user edits the file.
QByteArray Edited(QByteArray bag, const QString& name, const QString& text)
{
    const QByteArray from = ("name=\"" + name + "\"&gt;&lt;fdt:Value&gt;&lt;fdt:Display string=\"").toUtf8();
    const qsizetype start = bag.indexOf(from);
    EXPECT_GE(start, 0) << name.toStdString();
    if (start < 0)
        return bag;
    const qsizetype begin = start + from.size();
    const qsizetype end = bag.indexOf('"', begin);
    return bag.replace(begin, end - begin, text.toUtf8());
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class AValueThatDoesNotFit : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registration = staged::Register(); }
    void SetUp() override { ASSERT_EQ(registration.exitCode, 0) << registration.err.toStdString(); }
    QString Project(const char* name = "project") const { return dir.filePath(QLatin1String(name)); }
    QString Instance(const char* name = "project") const { return Project(name) + QStringLiteral("/DTM_1.dtmbag"); }

    static inline ProgramRun registration;
    QTemporaryDir dir;
};

TEST_F(AValueThatDoesNotFit, IsRefusedBeforeTheFirstWriteAndARoundedOneIsTakenFromTheDevice)
{
    const QString memory = dir.filePath(QStringLiteral("memory.json"));
    staged::Simulator device({QStringLiteral("--memory"), memory});
    ASSERT_TRUE(device.Listening());
    const QStringList transfer = {QStringLiteral("--device"), device.Address(), QStringLiteral("--timeout"),
                                  QStringLiteral("120")};
    ASSERT_EQ(Frame({QStringLiteral("new"), Project()}).exitCode, 0);
    ProgramRun run = Frame(QStringList{QStringLiteral("upload"), Project()} + transfer);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    // The device is locked by a download of the project with the lock set.
    Write(Instance(), Edited(Bytes(Instance()), QStringLiteral("pbWriteLock"), QStringLiteral("1")));
    run = Frame(QStringList{QStringLiteral("download"), Project()} + transfer);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray held = Bytes(memory);
    ASSERT_FALSE(held.isEmpty());
    const QByteArray stored = Bytes(Instance());

    struct Kind {
        const char* item;
        QString text;
        const char* why;
    };
    const QString tooLong = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ 123456");
    const Kind kinds[] = {
        {"pbFinalAssemblyNumber", QStringLiteral("16777216"), "out of range"},
        {"pbFinalAssemblyNumber", QStringLiteral("-1"), "out of range"},
        {"pbMessage", tooLong, "has 33 characters; the field holds 32"},
        {"pbDeviceMessage", tooLong, "longer than 32 characters"},
        {"pbTagDesc", tooLong, "longer than 32 characters"},
        {"pbTagDesc", QStringLiteral("PRICE 5 \u20AC"), "no Latin-1 character"},
        {"ptrbScaleIn100", QStringLiteral("nan"), "no finite number"},
        {"ptrbScaleIn100", QStringLiteral("1e39"), "out of range"},
        {"ptrbScaleIn100", QStringLiteral("1,5"), "is not a number"},
        {"aiDPChannel", QStringLiteral("70000"), "out of range"},
        {"pbDate", QStringLiteral("2023-02-30"), "no date of the calendar"},
        {"pbDate", QStringLiteral("2023-13-45"), "no date of the calendar"},
        {"pbDeviceInstalDate", QStringLiteral("06.05.2022"), "no date of the calendar"},
        {"highAlarmCurr", QStringLiteral("25"), "outside its range 21 to 23"},
    };
    for (const Kind& kind : kinds) {
        const std::string what = std::string(kind.item) + " = " + kind.text.toStdString();
        const QByteArray edited = Edited(stored, QLatin1String(kind.item), kind.text);
        Write(Instance(), edited);
        run = Frame(QStringList{QStringLiteral("download"), Project()} + transfer);
        EXPECT_EQ(run.exitCode, 1) << what << ": " << run.err.toStdString();
        const QString refusal = QStringLiteral("The stored dataset was not loaded: the value '%1' of %2 does not fit "
                                               "the item: ")
                                    .arg(kind.text, QLatin1String(kind.item));
        EXPECT_TRUE(run.err.contains(refusal)) << what << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(kind.why))) << what << ": " << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QLatin1String("finished: success"))) << what;
        EXPECT_EQ(Bytes(memory), held) << what << ": the device was written";
        EXPECT_EQ(Bytes(Instance()), edited) << what << ": the project was written";
    }

    // A packed text is held as the device holds it, in upper case.
    QByteArray edited = Edited(stored, QStringLiteral("pbMessage"), QStringLiteral("Line 4, tank b"));
    // A damping without a step of the device's: it takes the nearest one it can.
    for (const QString& twin : {QStringLiteral("ptrbDamping"), QStringLiteral("aiDPPvFtime")})
        edited = Edited(edited, twin, QStringLiteral("0.35"));
    Write(Instance(), edited);
    run = Frame(QStringList{QStringLiteral("download"), Project()} + transfer);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("download finished: success"))) << run.err.toStdString();
    const QString download = run.err;
    ASSERT_EQ(Frame({QStringLiteral("new"), Project("again")}).exitCode, 0);
    run = Frame(QStringList{QStringLiteral("upload"), Project("again")} + transfer);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray project = Bytes(Instance());
    const QByteArray uploaded = Bytes(Instance("again"));
    for (const QString& name : {QStringLiteral("pbMessage"), QStringLiteral("ptrbDamping"), QStringLiteral("aiDPPvFtime"),
                                QStringLiteral("pbWriteLock")})
        EXPECT_EQ(Stored(project, name), Stored(uploaded, name)) << name.toStdString();
    EXPECT_EQ(Stored(uploaded, QStringLiteral("pbMessage")), QStringLiteral("LINE 4, TANK B"));
    EXPECT_EQ(Stored(uploaded, QStringLiteral("pbWriteLock")), QStringLiteral("1"));
    EXPECT_NE(Stored(uploaded, QStringLiteral("ptrbDamping")), QStringLiteral("0.35"));
    // The user is told what the device took, before the end of the download.
    const QString notice = QStringLiteral("download: the device took \"ptrbDamping\" as %1 (0.35 was sent: set to "
                                          "nearest possible value)\n")
                               .arg(Stored(uploaded, QStringLiteral("ptrbDamping")));
    EXPECT_TRUE(download.contains(notice)) << download.toStdString();
    EXPECT_LT(download.indexOf(notice), download.indexOf(QLatin1String("download finished: success")));
}

} // namespace
