#include "hub/OlderConnect.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace tarvo::cehub {

OlderConnect::OlderConnect(const NetAddress& target, std::vector<std::uint8_t> password, Clock::time_point deadline)
    : m_fd(::socket(target.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)),
      m_password(std::move(password)),
      m_deadline(deadline)
{
    int on = 1;
    if (!m_fd) {
        m_state = State::Failed;
        return;
    }
    (void)::setsockopt(m_fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(m_fd.get(), target.get(), target.length()) != 0 && errno != EINPROGRESS)
        (void)fail();
}

short OlderConnect::events() const
{
    return m_phase == Phase::Reading ? POLLIN : POLLOUT;
}

OlderConnect::State OlderConnect::fail()
{
    m_fd.reset();
    m_state = State::Failed;
    return m_state;
}

OlderConnect::State OlderConnect::step()
{
    if (m_state != State::Working)
        return m_state;
    if (m_phase == Phase::Connecting) {
        pollfd ready{m_fd.get(), POLLOUT, 0};
        if (::poll(&ready, 1, 0) <= 0)
            return m_state;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return fail();
        m_phase = m_password.empty() ? Phase::Reading : Phase::Sending;
        if (m_password.empty()) {
            m_state = State::Done;
            return m_state;
        }
    }
    if (m_phase == Phase::Sending) {
        while (m_sent < m_password.size()) {
            ssize_t n = ::send(m_fd.get(), m_password.data() + m_sent, m_password.size() - m_sent,
                               MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0)
                return errno == EAGAIN || errno == EINTR ? m_state : fail();
            m_sent += static_cast<std::size_t>(n);
        }
        m_phase = Phase::Reading;
    }
    std::uint8_t accepted = 0;
    ssize_t n = ::recv(m_fd.get(), &accepted, 1, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return m_state;
    if (n != 1 || accepted == 0)
        return fail();
    m_state = State::Done;
    return m_state;
}

OlderConnect::State OlderConnect::expire(Clock::time_point now)
{
    if (m_state == State::Working && now >= m_deadline)
        return fail();
    return m_state;
}

} // namespace tarvo::cehub
