#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace tarvo {

// Memory for big arrays: a phonebook's records and their text (150 MB for a
// million POPs), and a big list's sort keys and output. Blocks of 2 MiB and
// more are aligned to 2 MiB and offered to the kernel for transparent huge
// pages, so that it maps them in 2 MiB pages where the system allows: one
// page fault where there would be 512. Smaller blocks are plain malloc
// memory. Uninitialised; nullptr when there is no memory.
void* allocateLargeBlock(std::size_t size);

struct LargeBlockFree {
    void operator()(void* block) const noexcept { std::free(block); }
};

template <class T>
using LargeBlockPtr = std::unique_ptr<T, LargeBlockFree>;

// Room for `count` objects of `T`, uninitialised (the caller makes them, or
// writes plain values); throws std::bad_alloc when there is no memory.
template <class T>
LargeBlockPtr<T> makeLargeBlock(std::size_t count)
{
    LargeBlockPtr<T> block(static_cast<T*>(allocateLargeBlock(std::max<std::size_t>(count * sizeof(T), 1))));
    if (!block)
        throw std::bad_alloc();
    return block;
}

} // namespace tarvo
