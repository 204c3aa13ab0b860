#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvo::cehub {

// What waits to go to one peer, sent as fast as the peer takes it and never
// waited for: the hub serves every peer from one thread, so a peer that
// does not read must cost only itself. A peer whose queue passes its limit,
// or takes nothing for too long, is one to drop.
class OutputQueue final {
public:
    using Clock = std::chrono::steady_clock;
    // Control messages are a few words; a peer this far behind does not read.
    static constexpr std::size_t kLimit = 64 * 1024;

    // Queues `bytes` and sends what the socket takes; false when the peer
    // failed or the queue would pass its limit.
    bool send(int fd, std::span<const std::uint8_t> bytes);
    // Sends what the socket takes now; false when the peer failed.
    bool flush(int fd);
    bool empty() const { return m_next == m_bytes.size(); }
    // True when bytes have waited longer than `patience` with none taken.
    bool stuck(Clock::time_point now, std::chrono::milliseconds patience) const;

private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_next = 0;
    Clock::time_point m_lastProgress;
};

} // namespace tarvo::cehub
