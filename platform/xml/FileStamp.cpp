#include "platform/xml/FileStamp.h"
#include "platform/automation/CheckedFile.h"
#include <QCryptographicHash>
#include <QFile>
#include <sys/stat.h>
#include <ctime>

namespace xml {

namespace {

// A change this close to the read may share its time with a later one.
constexpr int64_t kSettleNs = 2'000'000'000;

int64_t Nanoseconds(const timespec& time)
{
    return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool StatusOf(const QString& path, FileStamp::Status& status)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    status.size = static_cast<int64_t>(info.st_size);
    status.modifiedNs = Nanoseconds(info.st_mtim);
    status.changedNs = Nanoseconds(info.st_ctim);
    status.inode = static_cast<uint64_t>(info.st_ino);
    status.device = static_cast<uint64_t>(info.st_dev);
    return true;
}

} // namespace

FileStamp FileStamp::Of(const QString& path, const FileStamp* earlier)
{
    FileStamp stamp;
    // The status before the content: a change while it is read shows on the next check.
    if (!StatusOf(path, stamp.status))
        return stamp;
    if (earlier && earlier->exists && earlier->settled && earlier->status == stamp.status)
        return *earlier;
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    // A FIFO or a device in the file's place is no file to stamp: its reader
    // refuses it by name.
    QByteArray bytes;
    if (!automation::CheckedFile::Read(path, automation::CheckedFile::kMaxBytes, bytes))
        return FileStamp();
    stamp.exists = true;
    stamp.digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    // A write shows in the modification time; only one in the same tick as
    // this read could leave the time and size as they are now.
    stamp.settled = Nanoseconds(now) - stamp.status.modifiedNs > kSettleNs;
    return stamp;
}

} // namespace xml
