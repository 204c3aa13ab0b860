#pragma once

#include "phonebook/PopRecord.h"
#include "support/LargeBlock.h"

#include <cstddef>
#include <new>

namespace tarvo {

// A block of POP records that never moves: a list keeps its records in a
// row of these, so a record's address holds until the list is cleared.
//
// The blocks are sized for huge pages (see LargeBlock). A million POPs take
// 150 MB of records and text, and with 4 KiB pages a page fault per page was
// a third of the time spent reading the phonebook. A list's chunks therefore
// grow fast to 4 MiB, two huge pages filled to the end: the small chunks
// before, and a big chunk's last part short of a whole huge page, are mapped
// a 4 KiB page at a time, and each part of a phonebook read side by side
// starts its own chunks. Chunks of whole huge pages, together with the sort
// keys and the kept list output in huge-page blocks, took `tarvo-sync list
// --country US` (430,000 rows of the realistic 1M book) from 21,600 page
// faults to 12,400 and its CPU time from about 305 to 280 ms.
//
// Records [first, used) of an array of `capacity` are made as they are
// appended (the memory of the rest is untouched). Only a chunk taken over
// from a part read side by side starts past 0 (its first record joined the
// POP before the cut); a chunk in a list is never empty.
struct PopChunk {
    // The capacity of a list's chunk number `index`: 64 records, four times
    // as many for each of the next four, then 4 MiB.
    static constexpr std::size_t capacityOf(std::size_t index)
    {
        return index < kRampChunks ? kFirstChunk << (2 * index) : kMaxChunk;
    }

    explicit PopChunk(std::size_t size);
    PopChunk(PopChunk&& other) noexcept;
    PopChunk& operator=(PopChunk&& other) noexcept;
    PopChunk(const PopChunk&) = delete;
    PopChunk& operator=(const PopChunk&) = delete;
    ~PopChunk();

    [[nodiscard]] bool full() const { return used == capacity; }
    // A new record after the last one; the chunk must not be full.
    PopRecord& append()
    {
        PopRecord* record = new (records.get() + used) PopRecord();
        ++used;
        return *record;
    }

    LargeBlockPtr<PopRecord> records;
    std::size_t first = 0;
    std::size_t used = 0;
    std::size_t capacity = 0;

private:
    static constexpr std::size_t kFirstChunk = 64;
    static constexpr std::size_t kRampChunks = 5;
    static constexpr std::size_t kMaxChunk = (std::size_t{4} << 20) / sizeof(PopRecord);
};

} // namespace tarvo
