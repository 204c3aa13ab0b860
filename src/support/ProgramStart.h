#pragma once

#include <string>

namespace tarvo {

// Starts `program` (path text) without arguments in the folder `folder`,
// detached: nothing waits for it and it outlives this process. On Windows
// through the shell's "open" action with a hidden window; elsewhere as a
// process of its own session.
//
// 0 when it started; otherwise the system's number for why not: the
// shell's result (32 or lower: 2 for a program that is not there) on
// Windows, errno (ENOENT for a program that is not there) elsewhere.
[[nodiscard]] int startDetached(const std::string& program, const std::string& folder);

} // namespace tarvo
