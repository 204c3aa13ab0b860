#pragma once

namespace tarvo {

// Moves the calling thread to the lowest scheduling class the platform
// offers (SCHED_IDLE on Linux, THREAD_PRIORITY_IDLE on Windows), so
// background work only takes time nobody else wants. Best effort: false when the platform refused, and the thread
// then runs on at its normal priority.
bool lowerCurrentThreadToIdlePriority();

} // namespace tarvo
