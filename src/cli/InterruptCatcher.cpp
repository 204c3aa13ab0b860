#include "cli/InterruptCatcher.h"

namespace tarvo::cli {

namespace {

// A signal handler can only leave a mark in a flag of static storage; this
// is the one the process has for Ctrl-C.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
}

} // namespace

InterruptCatcher::InterruptCatcher()
{
    g_interrupted = 0;
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
    return g_interrupted != 0;
}

} // namespace tarvo::cli
