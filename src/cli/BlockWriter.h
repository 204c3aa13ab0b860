#pragma once

#include "support/LargeBlock.h"

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <utility>
#include <vector>

namespace tarvo::cli {

// Output gathered into large blocks: a list of hundreds of thousands of rows
// reaches the stream in a few hundred writes. Text is written straight into
// the block; `room` makes sure it fits. A writer without a stream keeps its
// blocks, for a part of the output made beside another and written after
// it (`writeKeptTo`).
class BlockWriter final {
public:
    explicit BlockWriter(std::ostream* out);
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;
    ~BlockWriter();

    // Where `size` more bytes can go.
    char* room(std::size_t size)
    {
        return m_used + size <= m_capacity ? m_data.get() + m_used : roomAfterFlush(size);
    }
    // The bytes up to `end` (within the last room) are written.
    void advance(char* end) { m_used = static_cast<std::size_t>(end - m_data.get()); }
    // Flushes a full block at the end of a row.
    void rowDone()
    {
        if (m_used >= kBlock)
            flush();
    }
    void flush();
    // For a writer without a stream: its blocks, in order, to `out`.
    void writeKeptTo(std::ostream& out);

private:
    // A block is one huge page where the system has them (see LargeBlock):
    // a writer that keeps 20 MB of rows then maps them in a few faults.
    static constexpr std::size_t kCapacity = std::size_t{2} << 20;
    // A row of longest cells fits after a nearly full block.
    static constexpr std::size_t kSlack = 64 << 10;
    static constexpr std::size_t kBlock = kCapacity - kSlack;

    char* roomAfterFlush(std::size_t size);

    std::ostream* m_out;
    LargeBlockPtr<char> m_data;
    std::size_t m_capacity = kCapacity;
    std::size_t m_used = 0;
    std::vector<std::pair<LargeBlockPtr<char>, std::size_t>> m_kept;
};

} // namespace tarvo::cli
