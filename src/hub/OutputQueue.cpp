#include "hub/OutputQueue.h"

#include <cerrno>
#include <sys/socket.h>

namespace tarvo::cehub {

bool OutputQueue::send(int fd, std::span<const std::uint8_t> bytes)
{
    if (empty()) {
        m_bytes.clear();
        m_next = 0;
        m_lastProgress = Clock::now();
    }
    if (m_bytes.size() - m_next + bytes.size() > kLimit)
        return false;
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return flush(fd);
}

bool OutputQueue::flush(int fd)
{
    while (!empty()) {
        ssize_t sent = ::send(fd, m_bytes.data() + m_next, m_bytes.size() - m_next, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        m_next += static_cast<std::size_t>(sent);
        m_lastProgress = Clock::now();
    }
    return true;
}

bool OutputQueue::stuck(Clock::time_point now, std::chrono::milliseconds patience) const
{
    return !empty() && now - m_lastProgress > patience;
}

} // namespace tarvo::cehub
