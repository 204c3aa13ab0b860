#pragma once

#include <string>

namespace tarvo {

// One angle-bracket tag and the text it stands for.
struct TagEntry {
    std::string name; // brackets included, such as "<ProfileID>"
    std::string value;
};

} // namespace tarvo
