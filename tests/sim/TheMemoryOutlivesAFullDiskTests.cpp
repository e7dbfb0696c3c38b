// The simulator's non-volatile memory on a real, full file system: a save
// that cannot be written leaves the memory file as it was, so the next start
// still finds the device's configuration.
#include "platform/comm/hart/HartStatus.h"
#include "tests/common/SmallTmpfs.h"
#include "tests/sim/TransmitterFixture.h"
#include <QFile>
#include <QTemporaryDir>

namespace {

namespace RC = comm::ResponseCode;
using simtest::Transmitter;

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(Transmitter, AFullDiskLeavesTheMemoryAsItWas)
{
    QTemporaryDir dir;
    SmallTmpfs disk(dir.filePath(QStringLiteral("disk")));
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString memory = disk.Folder() + QStringLiteral("/nvm.json");
    QString error;
    ASSERT_TRUE(device.setMemoryFile(memory, error)) << error.toStdString();
    // Command 18: tag, descriptor and date; all kept in the memory.
    ASSERT_EQ(ask(18, QByteArray(21, '\x01')).responseCode, RC::Success);
    const QByteArray saved = Bytes(memory);
    ASSERT_FALSE(saved.isEmpty());
    const QString tag = device.device().tag;

    ASSERT_TRUE(disk.Fill());
    ask(18, QByteArray(21, '\x02'));
    EXPECT_NE(device.device().tag, tag);
    EXPECT_EQ(Bytes(memory), saved);
    EXPECT_EQ(QDir(disk.Folder()).entryList(QDir::Files | QDir::Hidden), (QStringList{".fill", "nvm.json"}));

    sim::SimTransmitter restarted;
    ASSERT_TRUE(restarted.setMemoryFile(memory, error)) << error.toStdString();
    EXPECT_EQ(restarted.device().tag, tag);
}

} // namespace
