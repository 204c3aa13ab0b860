#include "app/PopCellText.h"

#include "phonebook/PopRecord.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tarvo {

std::size_t PopCellText::write(const PopRecord& pop, SortColumn column, bool marked, Buffer& out)
{
    std::size_t size = 0;
    auto append = [&](std::string_view part) {
        const std::size_t n = std::min(part.size(), kMaxText - size);
        std::memcpy(out.data() + size, part.data(), n);
        size += n;
    };
    if (column == SortColumn::City) {
        append(pop.city());
        if (marked && pop.allCity() != 0)
            append(kAllCitySuffix);
    } else if (pop.areaCode().empty()) {
        append(pop.phoneNumber());
    } else {
        append("(");
        append(pop.areaCode());
        append(") ");
        append(pop.phoneNumber());
    }
    return size;
}

std::string PopCellText::text(const PopRecord& pop, SortColumn column, bool marked)
{
    Buffer buffer;
    return std::string(buffer.data(), write(pop, column, marked, buffer));
}

} // namespace tarvo
