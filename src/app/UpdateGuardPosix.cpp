#include "app/UpdateGuard.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

UpdateGuard::Status UpdateGuard::check(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A marker that cannot be asked would otherwise stop every start
        // without a word, for as long as it stays.
        return {State::Unusable, unusable(path, std::strerror(errno))};
    }
    // An exclusive, non-blocking lock stands for the desktop's open without
    // sharing: it fails exactly when someone else has the file locked.
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (!held)
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return {held ? State::Held : State::Free, {}};
}

} // namespace tarvo
