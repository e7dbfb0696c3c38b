#include "platform/automation/AtomicFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace automation {

namespace {

QString SystemText(int number)
{
    return QString::fromLocal8Bit(std::strerror(number));
}

// The mode a new file gets: the old file's when it is a regular file (a
// replaced project keeps who may read it), otherwise what the umask leaves.
mode_t NewMode(const QByteArray& target)
{
    struct stat old {};
    if (::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        return old.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// The rename is on the disk only once the folder is; a file system that
// cannot sync a folder (EINVAL) keeps it anyway.
void SyncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool AtomicFile::Write(const QString& path, const QByteArray& bytes, QString* error)
{
    const auto fail = [&](const QString& what, int number) {
        if (error)
            *error = QStringLiteral("Cannot %1 %2: %3").arg(what, QDir::toNativeSeparators(path), SystemText(number));
        return false;
    };
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("Cannot write a file without a name");
        return false;
    }
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temporary = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                             + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("create a new file beside"), errno);
    const auto abandon = [&](const QString& what) {
        const int number = errno;
        ::unlink(temporary.constData());
        return fail(what, number);
    };
    if (::fchmod(fd, NewMode(target)) != 0 || !WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        const int number = errno;
        ::close(fd);
        errno = number;
        return abandon(QStringLiteral("write"));
    }
    if (::close(fd) != 0)
        return abandon(QStringLiteral("write"));
    if (::rename(temporary.constData(), target.constData()) != 0)
        return abandon(QStringLiteral("replace"));
    SyncFolder(folder);
    return true;
}

} // namespace automation
