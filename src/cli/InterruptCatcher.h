#pragma once

#include <array>
#include <csignal>

namespace tarvo::cli {

// While it lives, Ctrl-C (SIGINT), a termination request (SIGTERM, as a
// logout or a service manager sends) and a hang-up of the terminal (SIGHUP)
// are caught instead of ending the program, each once: the handler resets
// itself, so the same signal again ends the program as usual if the first
// one is not answered. The previous handling comes back when the object
// goes away.
class InterruptCatcher final {
public:
    InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
    ~InterruptCatcher();

    [[nodiscard]] bool caught() const;

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

    std::array<struct sigaction, kSignals.size()> m_previous{};
    std::array<bool, kSignals.size()> m_installed{};
};

} // namespace tarvo::cli
