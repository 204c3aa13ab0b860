#pragma once

#include "phonebook/PopColumn.h"

#include <array>

namespace tarvo {

// Where each canonical column lives inside a PopRecord: its slot among the
// stored text columns or among the integer columns, -1 where it has none.
// SUPPORT_MESG has neither: it is always empty.
struct PopSlots {
    std::array<int, kPopColumnCount> text{};
    std::array<int, kPopColumnCount> number{};
};

inline constexpr PopSlots kPopSlots = [] {
    PopSlots table{};
    int text = 0;
    int number = 0;
    for (int c = 0; c < kPopColumnCount; ++c) {
        auto column = static_cast<PopColumn>(c);
        auto i = static_cast<std::size_t>(c);
        table.text[i] = -1;
        table.number[i] = -1;
        if (isNumberColumn(column))
            table.number[i] = number++;
        else if (column != PopColumn::SUPPORT_MESG)
            table.text[i] = text++;
    }
    return table;
}();

static_assert(kPopSlots.text[static_cast<int>(PopColumn::POP)] == 5);
static_assert(kPopSlots.number[static_cast<int>(PopColumn::SORT_ORDER)] == kPopNumberColumnCount - 1);
static_assert(kPopSlots.text[static_cast<int>(PopColumn::BILL_CODE)] == kPopTextColumnCount - 2);

} // namespace tarvo
