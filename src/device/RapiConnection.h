#pragma once

#include "support/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

namespace tarvo {

// One remote-API connection to a handheld: length-framed requests out,
// answers in, in order. A request can be posted without waiting for its
// answer (bulk writes); the answers still due are read before the next
// call's. Any failure (an error, the peer gone, no answer in time, an
// answer over the size limit) breaks the connection for good.
class RapiConnection final {
public:
    using Handler = std::function<void(std::span<const std::uint8_t>)>;

    static constexpr std::size_t kMaxAnswer = 4 * 1024 * 1024;
    static constexpr std::size_t kMaxInFlight = 32;

    RapiConnection(UniqueFd socket, std::chrono::milliseconds answerTimeout);
    RapiConnection(const RapiConnection&) = delete;
    RapiConnection& operator=(const RapiConnection&) = delete;

    bool broken() const { return m_broken; }

    // Sends a request and returns its answer (the bytes after the length,
    // valid until the next call), or nullopt when the connection broke.
    std::optional<std::span<const std::uint8_t>> call(std::span<const std::uint8_t> request);
    // Sends a request made of parts; its answer goes to `handler` when it is
    // read. False when the connection broke.
    bool post(std::initializer_list<std::span<const std::uint8_t>> parts, Handler handler);
    // Reads every answer still due.
    bool drain();

private:
    bool readAnswer();
    bool readDue(std::size_t keep);

    UniqueFd m_socket;
    std::chrono::milliseconds m_timeout;
    std::vector<std::uint8_t> m_answer;
    std::deque<Handler> m_due;
    bool m_broken = false;
};

} // namespace tarvo
