#include "support/BoundedFileRead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

BoundedRead readBoundedFile(const std::string& path, std::uint64_t maxBytes, std::string& content)
{
    content.clear();
    // Non-blocking, so that opening a pipe nobody writes to does not hang.
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? BoundedRead::Missing : BoundedRead::Failed;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return BoundedRead::Failed;
    if (!S_ISREG(info.st_mode))
        return BoundedRead::NotRegular;
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes)
        return BoundedRead::TooLarge;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(file.fd, block, sizeof block);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            content.clear();
            return BoundedRead::Failed;
        }
        if (got == 0)
            return BoundedRead::Read;
        // The file may grow while it is read.
        if (content.size() + static_cast<std::size_t>(got) > maxBytes) {
            content.clear();
            return BoundedRead::TooLarge;
        }
        content.append(block, static_cast<std::size_t>(got));
    }
}

} // namespace tarvo
