#include "support/SocketIo.h"

#include "support/NetAddress.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <vector>

namespace tarvo::socketio {

namespace {

int pollTimeout(Clock::time_point deadline, bool unlimited)
{
    if (unlimited)
        return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1000 * 1000));
}

Wait waitFor(int fd, short events, int stopFd, std::chrono::milliseconds timeout)
{
    const bool unlimited = timeout.count() < 0;
    const Clock::time_point deadline = Clock::now() + (unlimited ? std::chrono::milliseconds(0) : timeout);
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
        int n = ::poll(fds, stopFd >= 0 ? 2 : 1, pollTimeout(deadline, unlimited));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Wait::Failed;
        }
        if (stopFd >= 0 && (fds[1].revents & POLLIN) != 0)
            return Wait::Stopped;
        if (n == 0)
            return Wait::TimedOut;
        // An error or hang-up is reported as ready: the next call says which.
        if (fds[0].revents != 0)
            return Wait::Ready;
    }
}

} // namespace

Wait waitReadable(int fd, int stopFd, std::chrono::milliseconds timeout)
{
    return waitFor(fd, POLLIN, stopFd, timeout);
}

Wait waitWritable(int fd, int stopFd, std::chrono::milliseconds timeout)
{
    return waitFor(fd, POLLOUT, stopFd, timeout);
}

namespace {

// A transfer that would block waits for the socket again, within what is
// left of its deadline (none: `timeout`, negative, waits without end).
bool waitMore(Wait (*wait)(int, int, std::chrono::milliseconds), int fd, int stopFd,
              std::optional<Clock::time_point> deadline, std::chrono::milliseconds timeout)
{
    std::chrono::milliseconds left = timeout;
    if (deadline) {
        left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
        if (left.count() <= 0)
            return false;
    }
    return wait(fd, stopFd, left) == Wait::Ready;
}

} // namespace

bool sendAll(int fd, std::initializer_list<std::span<const std::uint8_t>> parts, int stopFd,
             std::chrono::milliseconds timeout)
{
    const bool unlimited = timeout.count() < 0;
    const Clock::time_point deadline = Clock::now() + (unlimited ? std::chrono::milliseconds(0) : timeout);
    std::vector<iovec> iov;
    for (std::span<const std::uint8_t> part : parts)
        if (!part.empty())
            iov.push_back({const_cast<std::uint8_t*>(part.data()), part.size()});
    std::size_t first = 0;
    while (first < iov.size()) {
        msghdr message{};
        message.msg_iov = iov.data() + first;
        message.msg_iovlen = std::min<std::size_t>(iov.size() - first, IOV_MAX);
        ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                return false;
            if (!waitMore(waitWritable, fd, stopFd, unlimited ? std::optional<Clock::time_point>() : deadline, timeout))
                return false;
            continue;
        }
        auto done = static_cast<std::size_t>(sent);
        while (first < iov.size() && done >= iov[first].iov_len) {
            done -= iov[first].iov_len;
            ++first;
        }
        if (first < iov.size()) {
            iov[first].iov_base = static_cast<std::uint8_t*>(iov[first].iov_base) + done;
            iov[first].iov_len -= done;
        }
    }
    return true;
}

bool readExact(int fd, void* buffer, std::size_t size, int stopFd, std::chrono::milliseconds timeout)
{
    const bool unlimited = timeout.count() < 0;
    const Clock::time_point deadline = Clock::now() + (unlimited ? std::chrono::milliseconds(0) : timeout);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::recv(fd, out + got, size - got, MSG_DONTWAIT);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        if (!waitMore(waitReadable, fd, stopFd, unlimited ? std::optional<Clock::time_point>() : deadline, timeout))
            return false;
    }
    return true;
}

UniqueFd connectTcp(const NetAddress& address, int stopFd, std::chrono::milliseconds timeout)
{
    UniqueFd fd(::socket(address.family(), SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd)
        return {};
    int one = 1;
    (void)::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd.get(), address.get(), address.length()) != 0) {
        if (errno != EINPROGRESS || waitWritable(fd.get(), stopFd, timeout) != Wait::Ready)
            return {};
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return {};
    }
    if (!setNonBlocking(fd.get(), false))
        return {};
    return fd;
}

bool setNonBlocking(int fd, bool nonBlocking)
{
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return false;
    flags = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) == 0;
}

} // namespace tarvo::socketio
