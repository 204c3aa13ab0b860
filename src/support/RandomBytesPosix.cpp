#include "support/RandomBytes.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <climits>

namespace tarvo {

bool fillRandomBytes(void* buffer, std::size_t size)
{
    auto* out = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const int piece = size > INT_MAX ? INT_MAX : static_cast<int>(size);
        if (RAND_bytes(out, piece) != 1)
            return false;
        out += piece;
        size -= static_cast<std::size_t>(piece);
    }
    return true;
}

void wipeBytes(void* buffer, std::size_t size)
{
    if (size > 0)
        OPENSSL_cleanse(buffer, size);
}

} // namespace tarvo
