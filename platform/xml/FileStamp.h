#pragma once
// What tells a file on disk from its earlier self: whether it could be read,
// and a digest of its content. A cache of what was read from a file compares
// stamps to know when to read it again. The content, not the file's time, is
// compared: a file rewritten within the same tick of the file system's clock
// with as many bytes would otherwise pass for unchanged.
#include <QByteArray>
#include <QString>

namespace xml {

struct FileStamp {
    bool exists = false;
    QByteArray digest;

    static FileStamp Of(const QString& path);
    bool operator==(const FileStamp&) const = default;
};

} // namespace xml
