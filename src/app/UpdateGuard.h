#pragma once

#include <string>

namespace tarvo {

// "_updatelist.txt" marks an installation of staged updates. While the
// installer holds the file (an exclusive lock on it), this program must not
// start. The program itself never writes the file.
class UpdateGuard final {
public:
    // True when the marker (the working folder's "_updatelist.txt") exists
    // and another process holds it, so start-up must end silently. A marker
    // nobody holds lets start-up go on.
    static bool isHeld(const std::string& path);
};

} // namespace tarvo
