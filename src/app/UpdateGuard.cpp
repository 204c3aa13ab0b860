#include "app/UpdateGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvo {

bool UpdateGuard::isHeld(const std::string& path)
{
    if (::access(path.c_str(), F_OK) != 0)
        return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true; // present but not ours to open: treated as held
    // An exclusive, non-blocking lock stands for the desktop's open without
    // sharing: it fails exactly when someone else has the file locked.
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (!held)
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return held;
}

} // namespace tarvo
