#pragma once
// Replaces a file as a whole or not at all. Every file the system keeps for a
// user (project instances, the device catalogue, the category store, the
// simulator's memory, reports) goes through here: the bytes are written to a
// new file beside the target, each write checked, flushed to the disk, and
// only then renamed over the target. A full disk, a read-only folder or any
// other failure leaves the old file as it was and says why. The new file's
// name carries the writer's process id, and the writer locks it while it
// writes: a write first removes the temporaries that writers of the same
// target which are gone (killed, say) left beside it.
//
// The target itself is never opened: a symbolic link in its place is
// replaced by the new file, its target stays untouched.
#include <QByteArray>
#include <QString>

namespace automation {

class AtomicFile {
public:
    // False with the reason in error (naming the file and the system's
    // words) when the file could not be replaced; the old file stays.
    static bool Write(const QString& path, const QByteArray& bytes, QString* error = nullptr);
};

} // namespace automation
