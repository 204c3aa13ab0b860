#pragma once

#include <ctime>

namespace tarvo {

// The local calendar time of `when` into `out`, thread-safe (localtime_r;
// localtime_s on Windows). False when the time cannot be represented.
[[nodiscard]] bool toLocalTime(std::time_t when, std::tm& out);

} // namespace tarvo
