#pragma once

#include "app/PopSort.h"

#include <array>
#include <cstddef>
#include <string>

namespace tarvo {

class PopRecord;

// What a row of the selection window's lists shows, in every window: column
// City is the POP's city, column Number "(area code) number" or the number
// alone. Texts are made on demand from the record, in the desktop's ANSI
// code page, and kept to the 99 characters the desktop's report list shows.
class PopCellText final {
public:
    static constexpr std::size_t kMaxText = 99;
    // Rows that serve every city of their country sort apart from their
    // city's, so their city says so.
    static constexpr const char* kAllCitySuffix = " (all cities)";
    static constexpr const char* kAllCityNote = "Serves every city of its country";
    static constexpr const char* kOnHandheldNote = "On the handheld";
    static constexpr const char* kCustomerNote = "Customer POP: stays on this computer, never written to the handheld";

    using Buffer = std::array<char, kMaxText + 1>;

    PopCellText() = delete;

    // The cell's text into `out` (not terminated); returns its length. With
    // `marked`, an all-city row's city carries kAllCitySuffix. No
    // allocation: a list of a million rows asks for texts as it paints.
    static std::size_t write(const PopRecord& pop, SortColumn column, bool marked, Buffer& out);
    static std::string text(const PopRecord& pop, SortColumn column, bool marked = false);
};

} // namespace tarvo
