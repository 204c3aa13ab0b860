#include "phonebook/PopChunk.h"

#include <memory>
#include <utility>

namespace tarvo {

PopChunk::PopChunk(std::size_t size) : records(makeLargeBlock<PopRecord>(size)), capacity(size)
{
}

PopChunk::PopChunk(PopChunk&& other) noexcept
    : records(std::move(other.records)),
      first(std::exchange(other.first, 0)),
      used(std::exchange(other.used, 0)),
      capacity(std::exchange(other.capacity, 0))
{
}

PopChunk& PopChunk::operator=(PopChunk&& other) noexcept
{
    if (this != &other) {
        std::destroy_n(records.get(), used);
        records = std::move(other.records);
        first = std::exchange(other.first, 0);
        used = std::exchange(other.used, 0);
        capacity = std::exchange(other.capacity, 0);
    }
    return *this;
}

PopChunk::~PopChunk()
{
    std::destroy_n(records.get(), used);
}

} // namespace tarvo
