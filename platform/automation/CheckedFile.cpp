#include "platform/automation/CheckedFile.h"
#include <QDir>
#include <QFile>
#include <algorithm>
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

QString KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("no regular file");
}

// A resource compiled into the program (":/..."): no file of the file
// system, nothing in its place can block.
bool IsResource(const QString& path)
{
    return path.startsWith(QLatin1Char(':'));
}

// The open descriptor of a checked file, closed on every path out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Opens path without blocking (a FIFO opens at once, a terminal does not
// become the controlling one) and checks what the descriptor names.
int OpenChecked(const QString& path, qint64 limit, qint64& size, QString* error)
{
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
        return -1;
    };
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("A file without a name cannot be read");
        return -1;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("cannot be opened: %1").arg(SystemText(errno)));
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int number = errno;
        ::close(fd);
        return fail(QStringLiteral("cannot be read: %1").arg(SystemText(number)));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("is %1, not a regular file; it is not read").arg(KindOf(info.st_mode)));
    }
    if (info.st_size > limit) {
        ::close(fd);
        return fail(QStringLiteral("has %1 bytes, more than the %2 it may have; it is not read")
                        .arg(static_cast<qint64>(info.st_size))
                        .arg(limit));
    }
    size = static_cast<qint64>(info.st_size);
    return fd;
}

} // namespace

bool CheckedFile::Read(const QString& path, qint64 limit, QByteArray& bytes, QString* error)
{
    if (IsResource(path)) {
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly) || resource.size() > limit) {
            if (error)
                *error = QStringLiteral("%1: no resource of at most %2 bytes in the program").arg(path).arg(limit);
            return false;
        }
        bytes = resource.readAll();
        return true;
    }
    qint64 size = 0;
    const Descriptor file(OpenChecked(path, limit, size, error));
    if (file.fd() < 0)
        return false;
    // One byte more than the bound shows a file that grew since its check.
    QByteArray read;
    read.resize(static_cast<qsizetype>(std::min(size, limit) + 1));
    qsizetype done = 0;
    while (done < read.size()) {
        const ssize_t got = ::read(file.fd(), read.data() + done, static_cast<size_t>(read.size() - done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = QStringLiteral("%1: cannot be read: %2").arg(QDir::toNativeSeparators(path), SystemText(errno));
            return false;
        }
        if (got == 0)
            break;
        done += got;
        if (done == read.size() && done <= limit)
            read.resize(std::min<qsizetype>(read.size() * 2, static_cast<qsizetype>(limit) + 1));
    }
    if (done > limit) {
        if (error)
            *error = QStringLiteral("%1: grew past the %2 bytes it may have while it was read; it is not read")
                         .arg(QDir::toNativeSeparators(path))
                         .arg(limit);
        return false;
    }
    read.truncate(done);
    bytes = read;
    return true;
}

bool CheckedFile::Check(const QString& path, qint64 limit, QString* error)
{
    if (IsResource(path)) {
        QByteArray bytes;
        return Read(path, limit, bytes, error);
    }
    qint64 size = 0;
    const Descriptor file(OpenChecked(path, limit, size, error));
    return file.fd() >= 0;
}

bool CheckedFile::Missing(const QString& path)
{
    if (IsResource(path))
        return !QFile::exists(path);
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) != 0 && errno == ENOENT;
}

QString CheckedFile::Irregular(const QString& path)
{
    if (IsResource(path))
        return QString();
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) == 0)
        return S_ISREG(info.st_mode) ? QString() : KindOf(info.st_mode);
    const int number = errno;
    if (number == ENOENT)
        return ::lstat(name.constData(), &info) == 0 ? QStringLiteral("a link that leads nowhere") : QString();
    return QStringLiteral("a file that cannot be looked at (%1)").arg(SystemText(number));
}

} // namespace automation
