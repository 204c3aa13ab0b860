#include "support/SessionMutex.h"

#include "support/PathJoin.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvo {

SessionMutex::SessionMutex(const std::string& name, const std::string& runtimeFolder)
{
    if (runtimeFolder.empty())
        return;
    // Private to the user, as the session's runtime folder itself is.
    const int fd = ::open(joinPath(runtimeFolder, name + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_state = errno == EWOULDBLOCK ? State::AlreadyExisted : State::Failed;
        ::close(fd);
        return;
    }
    m_handle = fd;
    m_state = State::Created;
}

SessionMutex::~SessionMutex()
{
    if (m_handle != -1)
        ::close(static_cast<int>(m_handle));
}

} // namespace tarvo
