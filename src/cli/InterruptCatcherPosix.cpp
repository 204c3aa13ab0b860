#include "cli/InterruptCatcher.h"

#include <array>
#include <atomic>
#include <csignal>

namespace tarvo::cli {

namespace {

constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

// A signal handler can only leave a mark in a flag of static storage; this
// is the one the process has for its stop requests. The handler may run on
// any thread, so the flag is a lock-free atomic (safe in a handler) rather
// than a volatile one.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

} // namespace

struct InterruptCatcher::Previous {
    std::array<struct sigaction, kSignals.size()> actions{};
    std::array<bool, kSignals.size()> installed{};
};

InterruptCatcher::InterruptCatcher() : m_previous(std::make_unique<Previous>())
{
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    // The handler resets itself: the same signal again ends the program.
    action.sa_flags = static_cast<int>(SA_RESETHAND | SA_RESTART);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        m_previous->installed[i] = ::sigaction(kSignals[i], &action, &m_previous->actions[i]) == 0;
}

InterruptCatcher::~InterruptCatcher()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (m_previous->installed[i])
            ::sigaction(kSignals[i], &m_previous->actions[i], nullptr);
    }
}

bool InterruptCatcher::caught() const
{
    return g_interrupted.load();
}

} // namespace tarvo::cli
