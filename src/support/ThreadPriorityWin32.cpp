#include "support/ThreadPriority.h"

#include <windows.h>

namespace tarvo {

bool lowerCurrentThreadToIdlePriority()
{
    return ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_IDLE) != 0;
}

} // namespace tarvo
