#include "app/UpdateGuard.h"

#include "support/NativePath.h"

#include <filesystem>

namespace tarvo {

std::string UpdateGuard::unusable(const std::string& path, const std::string& why)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(nativePath(path), ec);
    return std::string(kUnusableMessage) + (ec ? path : pathText(full.lexically_normal())) + " (" + why + ").";
}

} // namespace tarvo
