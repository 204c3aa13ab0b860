#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// One program at a time per working folder: two copies working in one
// folder would share its "cepbook.txt", "dr_country.txt" and "./cereg.ini"
// and push each other's half-finished choice to the handheld. The lock is
// an exclusive lock on a file of the folder, held while this object lives
// (from start-up to exit); the system drops it when the process ends, so a
// killed copy never leaves the folder locked. The file itself stays.
class WorkingFolderLock final {
public:
    enum class State {
        Held,      // this object holds the lock
        Taken,     // another process holds it
        Unusable,  // the lock file cannot be opened (a folder no one can write to)
    };

    // `path`: the lock file, the working folder's "synchronizer.lock".
    explicit WorkingFolderLock(std::string path);
    WorkingFolderLock(const WorkingFolderLock&) = delete;
    WorkingFolderLock& operator=(const WorkingFolderLock&) = delete;
    ~WorkingFolderLock();

    // Tries once, without waiting.
    [[nodiscard]] State acquire();
    [[nodiscard]] bool held() const { return m_fd >= 0; }

private:
    std::string m_path;
    int m_fd = -1;
};

} // namespace tarvo
