#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The entry of a drop-down list that typed text stands for: the entry equal
// to it, else the first that begins with it, else the first that contains
// it, all ignoring case (ASCII and Latin-1 letters, which the dialer's
// names are made of); -1 when none does or nothing is typed. Blanks at
// either end of the typed text do not count.
class ChoiceSearch final {
public:
    ChoiceSearch() = delete;

    static int find(const std::vector<std::u16string>& entries, std::u16string_view typed);
};

} // namespace tarvo
