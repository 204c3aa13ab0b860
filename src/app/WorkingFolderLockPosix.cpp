#include "app/WorkingFolderLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace tarvo {

namespace {

// True when the folder of `path` exists but this process may write nothing
// in it.
bool folderIsReadOnly(const std::string& path)
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    return ::access(folder.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

} // namespace

WorkingFolderLock::State WorkingFolderLock::take()
{
    // Close-on-exec: the update installer started at exit must not carry
    // the lock with it.
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        m_why = std::strerror(error);
        if (error == EROFS || ((error == EACCES || error == EPERM) && folderIsReadOnly(m_path)))
            return State::ReadOnlyFolder;
        return State::Unusable;
    }
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        m_why = std::strerror(error);
        ::close(fd);
        return error == EWOULDBLOCK ? State::Taken : State::Unusable;
    }
    m_handle = fd;
    return State::Held;
}

void WorkingFolderLock::release()
{
    if (m_handle != kNone)
        ::close(static_cast<int>(m_handle));
    m_handle = kNone;
}

} // namespace tarvo
