#include "support/RandomBytes.h"

#include <windows.h>

#include <bcrypt.h>
#include <climits>

namespace tarvo {

bool fillRandomBytes(void* buffer, std::size_t size)
{
    auto* out = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ULONG piece = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
        if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, out, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            return false;
        out += piece;
        size -= piece;
    }
    return true;
}

void wipeBytes(void* buffer, std::size_t size)
{
    if (size > 0)
        ::SecureZeroMemory(buffer, size);
}

} // namespace tarvo
