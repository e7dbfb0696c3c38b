#pragma once
// Keeps one project to one writing process at a time: a command that may
// store an instance takes the project folder first, and a second such
// command is refused while the first holds it. The hold is the system's
// lock on the folder, which ends with the process however it ends, so a
// process that died leaves nothing to clean up and nothing is written.
#include <QString>

namespace frame {

class ProjectLock {
public:
    explicit ProjectLock(QString folder);
    ~ProjectLock();
    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;

    // Takes the project (an existing folder) for this process; false with
    // the reason when another process holds it or the folder cannot be
    // opened.
    bool Take(QString* error = nullptr);

private:
    QString m_folder;
    int m_fd = -1;
};

} // namespace frame
