#pragma once
// A small file system of its own for a test that needs the disk to be full
// or read-only: a tmpfs mounted over a folder, filled to the last page on
// request, unmounted when the object goes. Mounting needs root (or
// CAP_SYS_ADMIN); without it Mounted() is false and Why() says so, for the
// test's skip message.
#include <QDir>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class SmallTmpfs {
public:
    static constexpr int kPageBytes = 4096;

    explicit SmallTmpfs(const QString& folder, int kibibytes = 512) : m_folder(folder)
    {
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0755";
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData())
            == 0)
            m_mounted = true;
        else
            m_why = QStringLiteral("cannot mount a small tmpfs at %1 (%2): the test needs root or CAP_SYS_ADMIN")
                        .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~SmallTmpfs()
    {
        if (m_fillFd >= 0)
            ::close(m_fillFd);
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool Mounted() const { return m_mounted; }
    QString Why() const { return m_why; }
    QString Folder() const { return m_folder; }

    // Takes every free byte with one file; then frees the given number of
    // pages again (a lock or a small file may still need one).
    bool Fill(int pagesLeft = 0)
    {
        m_fillFd = ::open(QFile::encodeName(m_folder + QStringLiteral("/.fill")).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (m_fillFd < 0)
            return false;
        const QByteArray page(kPageBytes, 'x');
        off_t size = 0;
        for (;;) {
            const ssize_t written = ::write(m_fillFd, page.constData(), page.size());
            if (written <= 0)
                break;
            size += written;
        }
        if (errno != ENOSPC)
            return false;
        return pagesLeft == 0 || ::ftruncate(m_fillFd, size - off_t(pagesLeft) * kPageBytes) == 0;
    }

    // Makes the file system read-only (true) or writable again.
    bool SetReadOnly(bool readOnly)
    {
        if (m_fillFd >= 0) {
            ::close(m_fillFd); // a file open for writing keeps it writable
            m_fillFd = -1;
        }
        return ::mount(nullptr, QFile::encodeName(m_folder).constData(), nullptr,
                       MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0), nullptr)
               == 0;
    }

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_why;
    int m_fillFd = -1;
};
