#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// What a handheld finds for a search, as its answer carries it.
struct CeFindData {
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::u16string name;
};

} // namespace tarvo
