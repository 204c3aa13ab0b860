#include "cli/InterruptCatcher.h"

#include <atomic>
#include <windows.h>

namespace tarvo::cli {

namespace {

// The console's control handler runs on a thread of its own: the one mark
// it leaves is this process-wide flag, lock-free.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

BOOL WINAPI onControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        // Caught once: the second request goes on to the default handling,
        // which ends the program.
        return g_interrupted.exchange(true) ? FALSE : TRUE;
    default:
        return FALSE;
    }
}

} // namespace

struct InterruptCatcher::Previous {
    bool installed = false;
};

InterruptCatcher::InterruptCatcher() : m_previous(std::make_unique<Previous>())
{
    g_interrupted.store(false);
    m_previous->installed = ::SetConsoleCtrlHandler(&onControl, TRUE) != 0;
}

InterruptCatcher::~InterruptCatcher()
{
    if (m_previous->installed)
        ::SetConsoleCtrlHandler(&onControl, FALSE);
}

bool InterruptCatcher::caught() const
{
    return g_interrupted.load();
}

} // namespace tarvo::cli
