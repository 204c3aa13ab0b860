#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

// One program at a time per working folder: two copies working in one
// folder would share its "cepbook.txt", "dr_country.txt" and "./cereg.ini"
// and push each other's half-finished choice to the handheld. The lock is
// an exclusive lock on a file of the folder (flock on Linux, LockFileEx on
// Windows), held while this object lives (from start-up to exit); the
// system drops it when the process ends, so a killed copy never leaves the
// folder locked. The file itself stays.
class WorkingFolderLock final {
public:
    // Followed by the lock file's full path and the reason in parentheses.
    static constexpr const char* kUnusableMessage = "ERROR: Unable to use the lock file ";

    enum class State {
        Held,     // this object holds the lock
        Taken,    // another process holds it
        Unusable, // the lock cannot be taken: the file is a folder, or one this user cannot write
        // Nothing can be written in the folder (read-only, or not this
        // user's to write): no copy can spoil it, so none needs the lock.
        ReadOnlyFolder,
    };

    // `path`: the lock file, the working folder's "synchronizer.lock".
    explicit WorkingFolderLock(std::string path);
    WorkingFolderLock(const WorkingFolderLock&) = delete;
    WorkingFolderLock& operator=(const WorkingFolderLock&) = delete;
    ~WorkingFolderLock();

    // Tries once, without waiting.
    [[nodiscard]] State acquire();
    [[nodiscard]] bool held() const { return m_handle != kNone; }

    // After Unusable: kUnusableMessage, the lock file's full path and why,
    // such as "ERROR: Unable to use the lock file /home/me/tarvo/synchronizer.lock
    // (Is a directory)."
    [[nodiscard]] std::string unusableMessage() const;

private:
    static constexpr std::intptr_t kNone = -1;

    // The platform's part (WorkingFolderLockPosix.cpp, ...Win32.cpp):
    // opens and locks the file, or says why not in m_why.
    State take();
    void release();

    std::string m_path;
    std::intptr_t m_handle = kNone; // the open lock file: a descriptor or a HANDLE
    std::string m_why;              // why the lock was unusable
};

} // namespace tarvo
