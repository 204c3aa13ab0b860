#include "device/RapiConnection.h"

#include "ceproto/RapiReader.h"
#include "support/SocketIo.h"

#include <array>

namespace tarvo {

RapiConnection::RapiConnection(UniqueFd socket, std::chrono::milliseconds answerTimeout)
    : m_socket(std::move(socket)), m_timeout(answerTimeout), m_broken(!m_socket)
{
}

bool RapiConnection::readAnswer()
{
    std::array<std::uint8_t, 4> head{};
    if (!socketio::readExact(m_socket.get(), head.data(), head.size(), -1, m_timeout)) {
        m_broken = true;
        return false;
    }
    std::size_t size = RapiReader(head).u32();
    if (size > kMaxAnswer) {
        m_broken = true;
        return false;
    }
    m_answer.resize(size);
    if (!socketio::readExact(m_socket.get(), m_answer.data(), size, -1, m_timeout)) {
        m_broken = true;
        return false;
    }
    return true;
}

bool RapiConnection::readDue(std::size_t keep)
{
    while (!m_broken && m_due.size() > keep) {
        if (!readAnswer())
            break;
        Handler handler = std::move(m_due.front());
        m_due.pop_front();
        if (handler)
            handler(m_answer);
    }
    if (m_broken)
        m_due.clear();
    return !m_broken;
}

bool RapiConnection::drain()
{
    return readDue(0);
}

std::optional<std::span<const std::uint8_t>> RapiConnection::call(std::span<const std::uint8_t> request)
{
    if (!drain() || !socketio::sendAll(m_socket.get(), {request}, -1, m_timeout) || !readAnswer()) {
        m_broken = true;
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(m_answer);
}

bool RapiConnection::post(std::initializer_list<std::span<const std::uint8_t>> parts, Handler handler)
{
    if (m_broken)
        return false;
    if (!socketio::sendAll(m_socket.get(), parts, -1, m_timeout)) {
        m_broken = true;
        m_due.clear();
        return false;
    }
    m_due.push_back(std::move(handler));
    // A bounded number of answers waits unread, so the handheld never
    // blocks on a full socket while we block sending to it.
    return readDue(kMaxInFlight);
}

} // namespace tarvo
