#include "app/WorkingFolder.h"

#include "support/PathJoin.h"

namespace tarvo {

WorkingFolder::WorkingFolder(const std::filesystem::path& root)
{
    std::error_code ec;
    m_root = std::filesystem::absolute(root, ec);
    if (ec)
        m_root = root;
}

std::string WorkingFolder::settingsPath(std::string_view name) const
{
    if (startsAtRoot(name) || name.find(':') != std::string_view::npos)
        return std::string(name);
    return joinPath(pathText(m_root), name);
}

} // namespace tarvo
