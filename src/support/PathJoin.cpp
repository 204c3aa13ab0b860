#include "support/PathJoin.h"

#include "support/NativePath.h"

namespace tarvo {

std::string joinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && !isPathSeparator(path.back()))
        path.push_back(pathSeparator());
    path.append(name);
    return path;
}

} // namespace tarvo
