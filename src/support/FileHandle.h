#pragma once

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

// Every stdio stream the program opens is owned by one of these.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file as fopen does with `mode` ("r", "w" or "a", with
// "+" and "b"). Anything else at that path (a FIFO, a device) is refused
// without waiting: opening a FIFO blocks until its other end is opened,
// which nobody may ever do.
inline FilePtr openFile(const std::string& path, const char* mode)
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

// True for a regular file (or a link to one) this process can open for
// reading.
inline bool isReadableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && openFile(path, "rb") != nullptr;
}

} // namespace tarvo
