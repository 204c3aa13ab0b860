#include "hub/LocalRequest.h"

#include "support/DescriptorPassing.h"

#include <cerrno>
#include <sys/socket.h>

namespace tarvo::cehub {

namespace {

// An answer the program does not take in this time goes unsent.
constexpr std::chrono::seconds kAnswerPatience{5};

} // namespace

LocalRequest::Read LocalRequest::readable()
{
    char buffer[512];
    ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return Read::More;
    if (n <= 0)
        return Read::Gone; // the program gave up
    if (state != State::Reading)
        return Read::More;
    m_line.append(buffer, static_cast<std::size_t>(n));
    std::size_t end = m_line.find('\n');
    if (end == std::string::npos)
        return m_line.size() > CeHubProtocol::kMaxLine ? Read::TooLong : Read::More;
    request = CeHubProtocol::parseRequest(std::string_view(m_line).substr(0, end));
    return Read::Request;
}

void LocalRequest::close()
{
    older.reset();
    fd.reset();
    state = State::Done;
}

void LocalRequest::answer(const std::string& line)
{
    older.reset();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
    if (!m_out.send(fd.get(), std::span(bytes, line.size())) || m_out.empty()) {
        close();
        return;
    }
    state = State::Answering;
    deadline = Clock::now() + kAnswerPatience;
}

void LocalRequest::handOver(const std::string& line, int connection)
{
    // One short line to a program that waits for it: if it cannot take it
    // at once, it is gone.
    (void)socketio::sendWithDescriptor(fd.get(), line, connection);
    close();
}

void LocalRequest::writable()
{
    if (!m_out.flush(fd.get()) || m_out.empty())
        close();
}

} // namespace tarvo::cehub
