#include "app/WorkingFolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvo {

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
    if (fd < 0)
        return State::Unusable;
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        bool taken = errno == EWOULDBLOCK;
        ::close(fd);
        return taken ? State::Taken : State::Unusable;
    }
    m_fd = fd;
    return State::Held;
}

} // namespace tarvo
