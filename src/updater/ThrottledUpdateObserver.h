#pragma once

#include "updater/UpdateObserver.h"

#include <chrono>
#include <functional>

namespace tarvo {

// Sits between an update run and its front end and lets through at most one
// progress report per interval (about 30 a second by default): a download
// reports every 1024-byte block, tens of thousands a second, far more than
// a window can paint. The first report after any other message goes through
// at once, and a held-back report is delivered before the next text,
// pending or done, so the front end always sees where each file ended.
//
// Called from the update worker only, like the observer it wraps; it holds
// no lock and never waits.
class ThrottledUpdateObserver final : public UpdateObserver {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kDefaultInterval{33};

    explicit ThrottledUpdateObserver(UpdateObserver& target, std::chrono::milliseconds interval = kDefaultInterval,
                                     Clock clock = {});

    void progress(std::uint32_t received, std::int32_t expected) override;
    void text(const std::string& text, UpdateTextTarget target) override;
    void pending() override;
    void done() override;

private:
    void flush();

    UpdateObserver& m_target;
    std::chrono::milliseconds m_interval;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_lastSent{};
    bool m_sentSinceOther = false;
    bool m_held = false;
    std::uint32_t m_heldReceived = 0;
    std::int32_t m_heldExpected = 0;
};

} // namespace tarvo
