#pragma once

#include <csignal>

namespace tarvo::cli {

// While it lives, Ctrl-C (SIGINT) is caught instead of ending the program,
// once: the handler resets itself, so a second Ctrl-C ends the program as
// usual if the first one is not answered. The previous handling comes back
// when the object goes away.
class InterruptCatcher final {
public:
    InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
    ~InterruptCatcher();

    [[nodiscard]] bool caught() const;

private:
    struct sigaction m_previous {};
    bool m_installed = false;
};

} // namespace tarvo::cli
