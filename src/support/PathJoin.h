#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// A file of a folder: the folder, one '/' and the name ("%s\%s" on the
// desktop). An empty folder leaves the name as it is (relative to the
// current directory); a folder that already ends in '/' gets no second one.
inline std::string joinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    path.append(name);
    return path;
}

} // namespace tarvo
