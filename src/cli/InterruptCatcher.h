#pragma once

#include <memory>

namespace tarvo::cli {

// While it lives, the requests to stop are caught instead of ending the
// program, each once: a second one ends the program as usual if the first
// one is not answered. On Linux these are Ctrl-C (SIGINT), a termination
// request (SIGTERM, as a logout or a service manager sends) and a hang-up
// of the terminal (SIGHUP); on Windows Ctrl-C, Ctrl-Break and the console
// being closed (SetConsoleCtrlHandler). The previous handling comes back
// when the object goes away.
class InterruptCatcher final {
public:
    InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
    ~InterruptCatcher();

    [[nodiscard]] bool caught() const;

private:
    struct Previous; // the handling to restore
    std::unique_ptr<Previous> m_previous;
};

} // namespace tarvo::cli
