#pragma once
// Reads a file the system did not write itself only when it is what a file
// should be. A FIFO, a device, a socket or a folder in its place (or a link to
// one) would block the open, read without end or hand back something no
// reader expects, so every file is opened without blocking, checked on the
// opened descriptor to be a regular file of at most the reader's bound, and
// read no further than that bound. Anything else is refused with its name.
// A resource compiled into the program (":/...") is read as it is.
#include <QByteArray>
#include <QString>

namespace automation {

class CheckedFile {
public:
    // The bound of a reader that names none: far above any file the system
    // keeps, low enough that a file of this size is still held in memory.
    static constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

    // The whole file at path in bytes, true when it is a regular file (or a
    // link to one) of at most limit bytes. False otherwise, with the reason
    // in error naming the file; nothing is read then.
    static bool Read(const QString& path, qint64 limit, QByteArray& bytes, QString* error = nullptr);

    // The same check for a reader that opens the file itself (QSettings, a
    // database): true when path names a regular file of at most limit bytes.
    static bool Check(const QString& path, qint64 limit, QString* error = nullptr);

    // Whether nothing at all is at path (not even a dangling link): a reader
    // that takes a missing file as empty asks this first.
    static bool Missing(const QString& path);

    // What stands at path when it is neither missing nor a regular file (or
    // a link to one): "a FIFO", "a device", "a folder", "a socket", "a link
    // that leads nowhere", or why it cannot be looked at; empty otherwise.
    // Nothing is opened, so a device is not woken.
    static QString Irregular(const QString& path);
};

} // namespace automation
