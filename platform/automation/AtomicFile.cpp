#include "platform/automation/AtomicFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <string_view>
#include <sys/file.h>
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

// A writer's temporary beside its target: "." + the target's name + "." +
// the writer's process id + "." + six characters of mkostemp's.
QByteArray TemporaryPrefix(const QString& fileName)
{
    return QFile::encodeName(QStringLiteral(".") + fileName + QLatin1Char('.'));
}

constexpr std::string_view kUniqueTemplate = "XXXXXX";

// The writer's process id in a temporary's name after its prefix; 0 when the
// name is not one of a temporary.
pid_t WriterOf(std::string_view rest)
{
    const size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || rest.size() - dot - 1 != kUniqueTemplate.size())
        return 0;
    long long pid = 0;
    for (const char c : rest.substr(0, dot)) {
        if (c < '0' || c > '9' || pid > 1'000'000'000)
            return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid <= std::numeric_limits<pid_t>::max() ? static_cast<pid_t>(pid) : 0;
}

// Whether the process runs (also when it is another user's).
bool Runs(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes the temporaries of the target whose writers ended without removing
// them (killed, or the machine went down): the process named in the name is
// gone and nobody holds the lock a writer keeps on its temporary, which also
// tells a writer on another machine or in another process namespace from a
// dead one. Anything else, a live writer's temporary or whatever else bears
// such a name, stays. Leftovers are removed as far as the folder lets us;
// one that cannot be removed only keeps taking its place.
void RemoveStaleTemporaries(const QByteArray& folder, const QByteArray& prefix)
{
    DIR* listing = ::opendir(folder.constData());
    if (listing == nullptr)
        return;
    const int at = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(std::string_view(prefix.constData(), static_cast<size_t>(prefix.size()))))
            continue;
        const pid_t writer = WriterOf(name.substr(static_cast<size_t>(prefix.size())));
        struct stat named {};
        if (writer <= 0 || Runs(writer) || ::fstatat(at, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(named.st_mode))
            continue;
        const int fd = ::openat(at, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && opened.st_dev == named.st_dev
            && opened.st_ino == named.st_ino)
            ::unlinkat(at, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(listing);
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
    const QByteArray prefix = TemporaryPrefix(info.fileName());
    RemoveStaleTemporaries(folder, prefix);
    QByteArray temporary = folder + '/' + prefix + QByteArray::number(::getpid()) + '.'
                         + QByteArray(kUniqueTemplate.data(), kUniqueTemplate.size());
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("create a new file beside"), errno);
    // Held while the temporary is written: it is a live writer's. On a file
    // system without locks the process id in its name is the only sign.
    ::flock(fd, LOCK_EX | LOCK_NB);
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
