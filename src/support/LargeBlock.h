#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace tarvo {

// Memory for the big, long-lived arrays of a phonebook (its records and
// their text, 150 MB for a million POPs). Blocks of 2 MiB and more are
// aligned to 2 MiB and offered to the kernel for transparent huge pages, so
// that it maps them in 2 MiB pages where the system allows: one page fault
// where there would be 512. Smaller blocks are plain malloc memory.
// Uninitialised; nullptr when there is no memory.
void* allocateLargeBlock(std::size_t size);

struct LargeBlockFree {
    void operator()(void* block) const noexcept { std::free(block); }
};

template <class T>
using LargeBlockPtr = std::unique_ptr<T, LargeBlockFree>;

} // namespace tarvo
