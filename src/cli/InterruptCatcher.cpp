#include "cli/InterruptCatcher.h"

#include <atomic>

namespace tarvo::cli {

namespace {

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

InterruptCatcher::InterruptCatcher()
{
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESETHAND | SA_RESTART);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        m_installed[i] = ::sigaction(kSignals[i], &action, &m_previous[i]) == 0;
}

InterruptCatcher::~InterruptCatcher()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (m_installed[i])
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

bool InterruptCatcher::caught() const
{
    return g_interrupted.load();
}

} // namespace tarvo::cli
