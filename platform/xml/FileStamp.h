#pragma once
// What tells a file on disk from its earlier self: whether it could be read,
// and a digest of its content. A cache of what was read from a file compares
// stamps to know when to read it again. The content, not the file's time, is
// compared: a file rewritten within the same tick of the file system's clock
// with as many bytes would otherwise pass for unchanged. Reading and hashing
// a large file for every check costs more than what it guards, so a stamp
// also keeps what the file system says of the file (size, times, inode); a
// file that says the same as when its digest was taken, and whose last change
// then lay well behind, keeps the earlier digest without being read.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace xml {

struct FileStamp {
    bool exists = false;
    QByteArray digest;

    // The file system's word on the file when the digest was taken.
    struct Status {
        int64_t size = -1;
        int64_t modifiedNs = 0;
        int64_t changedNs = 0;
        uint64_t inode = 0;
        uint64_t device = 0;
        bool operator==(const Status&) const = default;
    };
    Status status;
    // The digest was taken long enough after the file's last change that a
    // later change shows in its status.
    bool settled = false;

    // The stamp of the file; an earlier stamp of the same file spares the
    // read when the file's status shows no change since.
    static FileStamp Of(const QString& path, const FileStamp* earlier = nullptr);
    bool operator==(const FileStamp& other) const { return exists == other.exists && digest == other.digest; }
};

} // namespace xml
