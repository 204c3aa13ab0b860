#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>

namespace tarvo::cehub {

// The pause a handheld gets between wrong passwords, by its GUID, so that
// passwords sent through the hub's socket cannot be tried at the speed of
// the link: after the first wrong one the next waits `firstPause`, and each
// further wrong one doubles the pause (up to kLongest). A right one ends it.
class PasswordPauses final {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kLongest{60000};
    // Handhelds remembered; the one idle longest is forgotten first.
    static constexpr std::size_t kRemembered = 64;

    explicit PasswordPauses(std::chrono::milliseconds firstPause) : m_firstPause(firstPause) {}

    // When the next password may go to the handheld.
    Clock::time_point notBefore(const std::string& guid) const;
    void rejected(const std::string& guid, Clock::time_point now);
    void accepted(const std::string& guid) { m_handhelds.erase(guid); }

private:
    struct Handheld {
        int wrong = 0;
        Clock::time_point notBefore;
    };
    std::chrono::milliseconds m_firstPause;
    std::map<std::string, Handheld> m_handhelds;
};

} // namespace tarvo::cehub
