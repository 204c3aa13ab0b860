#include "cli/InterruptCatcher.h"

#include <atomic>

namespace tarvo::cli {

namespace {

// A signal handler can only leave a mark in a flag of static storage; this
// is the one the process has for Ctrl-C. The handler may run on any thread,
// so the flag is a lock-free atomic (safe in a handler) rather than a
// volatile one.
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
    m_installed = ::sigaction(SIGINT, &action, &m_previous) == 0;
}

InterruptCatcher::~InterruptCatcher()
{
    if (m_installed)
        ::sigaction(SIGINT, &m_previous, nullptr);
}

bool InterruptCatcher::caught() const
{
    return g_interrupted.load();
}

} // namespace tarvo::cli
