#include "platform/frame/ProjectLock.h"
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace frame {

ProjectLock::ProjectLock(QString folder) : m_folder(std::move(folder)) {}

ProjectLock::~ProjectLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the folder ends the hold
}

bool ProjectLock::Take(QString* error)
{
    if (m_fd >= 0)
        return true;
    const QString shown = QDir::toNativeSeparators(QDir(m_folder).absolutePath());
    const int fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("Cannot open the project %1: %2").arg(shown, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int number = errno;
        ::close(fd);
        if (error)
            *error = number == EWOULDBLOCK
                         ? QStringLiteral("The project %1 is in use: another frame process that may store its "
                                          "instances holds it; try again when that has ended")
                               .arg(shown)
                         : QStringLiteral("Cannot lock the project %1: %2")
                               .arg(shown, QString::fromLocal8Bit(std::strerror(number)));
        return false;
    }
    m_fd = fd;
    return true;
}

} // namespace frame
