#include "support/PositionalRead.h"

#include <cerrno>
#include <unistd.h>

namespace tarvo {

std::ptrdiff_t readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, out + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(got);
}

} // namespace tarvo
