#pragma once

#include <string>
#include <string_view>

namespace tarvo::cehub {

// A handheld's own text (its name, its model) as it may go into a log line:
// control characters (C0, DEL and the C1 range, which terminals also obey)
// and backslashes written as \xNN, so no handheld can forge a line or move a
// terminal's cursor.
std::string logText(std::string_view text);

} // namespace tarvo::cehub
