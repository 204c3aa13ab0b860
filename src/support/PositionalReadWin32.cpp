#include "support/PositionalRead.h"

#include <algorithm>
#include <io.h>
#include <windows.h>

namespace tarvo {

std::ptrdiff_t readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset)
{
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    auto* out = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const std::uint64_t at = offset + got;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 30));
        DWORD n = 0;
        if (!::ReadFile(handle, out + got, want, &n, &where)) {
            if (::GetLastError() == ERROR_HANDLE_EOF)
                break;
            return -1;
        }
        if (n == 0)
            break;
        got += n;
    }
    return static_cast<std::ptrdiff_t>(got);
}

} // namespace tarvo
