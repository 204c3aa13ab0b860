#include "app/WorkingFolderLock.h"

#include "support/NativePath.h"

#include <filesystem>

namespace tarvo {

WorkingFolderLock::WorkingFolderLock(std::string path) : m_path(std::move(path)) {}

WorkingFolderLock::~WorkingFolderLock()
{
    release(); // drops the lock
}

WorkingFolderLock::State WorkingFolderLock::acquire()
{
    if (held())
        return State::Held;
    return take();
}

std::string WorkingFolderLock::unusableMessage() const
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(nativePath(m_path), ec);
    return std::string(kUnusableMessage) + (ec ? m_path : pathText(full.lexically_normal())) + " (" + m_why + ").";
}

} // namespace tarvo
