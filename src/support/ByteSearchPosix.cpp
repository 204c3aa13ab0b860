#include "support/ByteSearch.h"

#include <cstring>

namespace tarvo {

const char* findByte(const char* begin, std::size_t size, char byte)
{
    return static_cast<const char*>(std::memchr(begin, byte, size));
}

} // namespace tarvo
