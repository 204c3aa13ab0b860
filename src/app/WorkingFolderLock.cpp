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

WorkingFolderLock::WorkingFolderLock(std::string path) : m_path(std::move(path)) {}

WorkingFolderLock::~WorkingFolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // drops the lock
}

WorkingFolderLock::State WorkingFolderLock::acquire()
{
    if (m_fd >= 0)
        return State::Held;
    // Close-on-exec: the update installer started at exit must not carry
    // the lock with it.
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        m_error = errno;
        if (m_error == EROFS || ((m_error == EACCES || m_error == EPERM) && folderIsReadOnly(m_path)))
            return State::ReadOnlyFolder;
        return State::Unusable;
    }
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        m_error = errno;
        ::close(fd);
        return m_error == EWOULDBLOCK ? State::Taken : State::Unusable;
    }
    m_fd = fd;
    return State::Held;
}

std::string WorkingFolderLock::unusableMessage() const
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(m_path, ec);
    return std::string(kUnusableMessage) + (ec ? m_path : full.lexically_normal().string()) + " (" +
           std::strerror(m_error) + ").";
}

} // namespace tarvo
