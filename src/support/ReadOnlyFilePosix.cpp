#include "support/ReadOnlyFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<ReadOnlyFile> file(new ReadOnlyFile);
    file->m_handle = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return nullptr;
    file->m_size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_handle >= 0)
        ::close(static_cast<int>(m_handle));
}

std::ptrdiff_t ReadOnlyFile::readAt(void* buffer, std::size_t size, std::uint64_t offset) const
{
    auto* out = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(static_cast<int>(m_handle), out + got, size - got, static_cast<off_t>(offset + got));
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
