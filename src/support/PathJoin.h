#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// A file of a folder: the folder, one separator and the name ("%s\%s" on
// the desktop, '/' on Linux). An empty folder leaves the name as it is
// (relative to the current directory); a folder that already ends in a
// separator gets no second one.
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace tarvo
