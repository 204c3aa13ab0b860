#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

// What RapiDevice holds of one file between the caller's small blocks and
// the handheld's large ones: the caller's writes joined until a block is
// full, or the block read ahead that the caller's reads take from. Each
// round trip to the handheld costs far more than its bytes.
class RapiFileBuffer final {
public:
    // Writing: keeps `data`; true once `block` bytes or more wait.
    bool add(std::span<const std::uint8_t> data, std::size_t block);
    // Everything waiting to be sent, which then no longer waits.
    std::vector<std::uint8_t> takeAll();

    // Reading: true when the caller's next read needs a block from the
    // handheld.
    bool needsFill() const { return m_start == m_data.size() && !m_atEnd; }
    // The next block read; an empty one is the end of the file.
    void fill(std::vector<std::uint8_t> data);
    // Copies up to `size` bytes of the block to `out`; how many.
    std::size_t take(void* out, std::size_t size);

    void clear();

private:
    std::vector<std::uint8_t> m_data;
    std::size_t m_start = 0;
    bool m_atEnd = false;
};

} // namespace tarvo
