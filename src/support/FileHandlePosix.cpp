#include "support/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

FilePtr openFile(const std::string& path, const char* mode)
{
    const std::string m(mode);
    const bool update = m.find('+') != std::string::npos;
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (update ? O_RDWR : m[0] == 'r' ? O_RDONLY : O_WRONLY);
    if (m[0] == 'w')
        flags |= O_CREAT | O_TRUNC;
    else if (m[0] == 'a')
        flags |= O_CREAT | O_APPEND;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FilePtr file(::fdopen(fd, mode));
    if (!file)
        ::close(fd);
    return file;
}

bool isReadableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && openFile(path, "rb") != nullptr;
}

} // namespace tarvo
