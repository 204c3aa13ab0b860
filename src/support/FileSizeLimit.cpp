#include "support/FileSizeLimit.h"

#include "support/AtomicFile.h"
#include "support/FileHandle.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/types.h>

namespace tarvo {

bool limitFileSize(const std::string& path, long size, float factor)
{
    if (size < 0)
        return false;
    errno = 0;
    FilePtr file = openFile(path, "rb");
    if (!file)
        return errno == ENOENT;
    if (::fseeko(file.get(), 0, SEEK_END) != 0)
        return false;
    const off_t length = ::ftello(file.get());
    if (length < 0)
        return false;
    // NaN and factors below 1 would trim below `size`, or on every call.
    const double slack = factor >= 1.0f ? static_cast<double>(factor) : 1.0;
    if (static_cast<double>(length) <= static_cast<double>(size) * slack)
        return true;

    // Read the byte before the kept part too: when it is a line end, the
    // kept part already opens with a whole line.
    const off_t from = length - static_cast<off_t>(size) - 1;
    if (::fseeko(file.get(), from, SEEK_SET) != 0)
        return false;
    std::string tail(static_cast<std::size_t>(size) + 1, '\0');
    tail.resize(std::fread(tail.data(), 1, tail.size(), file.get()));
    if (std::ferror(file.get()) != 0 || tail.empty())
        return false;
    file.reset();

    std::size_t keepFrom = 1;
    if (tail[0] != '\n') {
        const void* newline = std::memchr(tail.data() + 1, '\n', tail.size() - 1);
        if (newline != nullptr)
            keepFrom = static_cast<std::size_t>(static_cast<const char*>(newline) - tail.data()) + 1;
    }
    return writeFileAtomically(path, std::string_view(tail).substr(keepFrom));
}

} // namespace tarvo
