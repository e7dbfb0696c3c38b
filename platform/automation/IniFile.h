#pragma once
// The per-user settings files (INI form) the system reads and writes. They
// are read through QSettings only once they are known to be a regular file
// of a settings file's size: QSettings opens a file itself, and a FIFO in its
// place would block the program for ever. They are written here as a whole
// (AtomicFile): the old file stays on a failure, and a link in the file's
// place is replaced, never followed.
#include <QMap>
#include <QString>
#include <QVariant>

namespace automation::IniFile {

// Every value of a file by its "group/key" name; a key outside any group
// is in "General", as QSettings keeps it.
using Entries = QMap<QString, QVariant>;

// A settings file larger than this is no settings file of this system.
constexpr qint64 kMaxBytes = 1024 * 1024;

// The values of the file at path: none (true) when nothing is there. False,
// with the reason naming the file, when it is no regular file or too large;
// nothing of it is read then.
bool Read(const QString& path, Entries& entries, QString* error = nullptr);

// Replaces the file at path with entries (its folder made when missing).
// False, with the reason naming the file, when it could not be replaced.
bool Write(const QString& path, const Entries& entries, QString* error = nullptr);

} // namespace automation::IniFile
