#pragma once

#include "support/SessionMutex.h"

#include <memory>
#include <string>

namespace tarvo::win32 {

// The single-instance check: the session-wide named mutex
// "TarvoSynchronizerMutex", made initially owned and kept until the process
// ends; when it already existed, the window titled with the profile's
// title is brought forward (restored if minimised, its last active pop-up
// shown) and this copy ends. Without such a window this copy runs as well.
class OtherCopy final {
public:
    OtherCopy() = default;
    OtherCopy(const OtherCopy&) = delete;
    OtherCopy& operator=(const OtherCopy&) = delete;

    // True when another copy runs and its window was brought forward.
    bool raised(const std::string& title);

private:
    std::unique_ptr<SessionMutex> m_mutex;
};

} // namespace tarvo::win32
