#pragma once

#include "support/LargeBlock.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace tarvo {

// A pool of bytes for the text of many small entries: memory comes in
// chunks that never move, so views into it stay valid until `clear` or
// destruction. One allocation per chunk instead of one per string keeps a
// million-POP phonebook at the size of its text.
class TextArena final {
public:
    TextArena() = default;
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;
    ~TextArena() = default;

    // `size` bytes of stable storage (uninitialised).
    char* allocate(std::size_t size);

    // A stable copy of `text`.
    std::string_view store(std::string_view text);

    // Takes over the chunks of `other`, which is left empty: views into
    // them stay valid and now live as long as this arena.
    void adopt(TextArena&& other);

    // Releases every chunk; earlier views dangle.
    void clear();

    // Bytes held in chunks (used or not).
    [[nodiscard]] std::size_t capacity() const { return m_capacity; }

private:
    static constexpr std::size_t kFirstChunk = 4096;
    // Big enough for huge pages (see LargeBlock).
    static constexpr std::size_t kMaxChunk = std::size_t{4} << 20;

    std::vector<LargeBlockPtr<char>> m_chunks;
    char* m_next = nullptr;
    std::size_t m_left = 0;
    std::size_t m_nextChunk = kFirstChunk;
    std::size_t m_capacity = 0;
};

} // namespace tarvo
