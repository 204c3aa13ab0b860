#include "support/LargeBlock.h"

namespace tarvo {

// Windows gives large pages only to a process holding the lock-pages
// privilege, and never to memory that std::free may release: a plain block.
void* allocateLargeBlock(std::size_t size)
{
    return std::malloc(size);
}

} // namespace tarvo
