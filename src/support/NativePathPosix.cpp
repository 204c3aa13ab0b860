#include "support/NativePath.h"

#include <climits>
#include <unistd.h>

namespace tarvo {

std::filesystem::path nativePath(std::string_view text)
{
    return std::filesystem::path(text);
}

std::string pathText(const std::filesystem::path& path)
{
    return path.native();
}

std::string pathUnder(const std::filesystem::path& base, std::string_view relative)
{
    return pathText((base / nativePath(relative)).make_preferred());
}

std::string pathTextFromUtf8(std::string_view utf8)
{
    return std::string(utf8);
}

char pathSeparator()
{
    return '/';
}

bool isPathSeparator(char c)
{
    return c == '/';
}

bool startsAtRoot(std::string_view text)
{
    return !text.empty() && text.front() == '/';
}

std::string currentFolder()
{
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) != nullptr ? std::string(cwd) : std::string();
}

} // namespace tarvo
