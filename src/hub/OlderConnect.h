#pragma once

#include "support/NetAddress.h"
#include "support/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace tarvo::cehub {

// The desktop's remote-API connection to an older handheld (it connects to
// the handheld, not the other way round), made without waiting so the hub
// goes on serving everyone else meanwhile: the connection, then, when the
// handheld has a password, the password again and the handheld's one-byte
// answer.
class OlderConnect final {
public:
    using Clock = std::chrono::steady_clock;
    enum class State { Working, Done, Failed };

    // `password`: the encoded password to give first (empty: none).
    OlderConnect(const NetAddress& target, std::vector<std::uint8_t> password, Clock::time_point deadline);

    int fd() const { return m_fd.get(); }
    // What to poll the descriptor for.
    short events() const;
    // Goes on as far as it can without waiting.
    State step();
    // Failed once the deadline passed.
    State expire(Clock::time_point now);
    // The connection, once Done.
    UniqueFd take() { return std::move(m_fd); }

private:
    enum class Phase { Connecting, Sending, Reading };
    State fail();

    UniqueFd m_fd;
    Phase m_phase = Phase::Connecting;
    std::vector<std::uint8_t> m_password;
    std::size_t m_sent = 0;
    Clock::time_point m_deadline;
    State m_state = State::Working;
};

} // namespace tarvo::cehub
