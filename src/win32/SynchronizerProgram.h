#pragma once

#include <string>

namespace tarvo::win32 {

// The Windows window's program: start-up through the application (with
// the handheld wait shown, Retry offered, the single-instance check), the
// selection window until it closes, then the shutdown step. `commandLine`
// is what follows the program's name. The exit code.
int runSynchronizer(const std::wstring& commandLine);

} // namespace tarvo::win32
