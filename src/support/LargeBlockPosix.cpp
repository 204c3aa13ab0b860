#include "support/LargeBlock.h"

#include <sys/mman.h>

namespace tarvo {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void* allocateLargeBlock(std::size_t size)
{
    if (size < kHugePage)
        return std::malloc(size);
    void* block = nullptr;
    if (::posix_memalign(&block, kHugePage, size) != 0)
        return nullptr;
#if defined(MADV_HUGEPAGE)
    // Only advice: where huge pages are off, the block keeps small pages.
    (void)::madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

} // namespace tarvo
