#include "support/NativePath.h"

#include "support/WideText.h"

#include <windows.h>

namespace tarvo {

std::filesystem::path nativePath(std::string_view text)
{
    return std::filesystem::path(ansiToWide(text));
}

std::string pathText(const std::filesystem::path& path)
{
    return wideToAnsi(path.native());
}

std::string pathUnder(const std::filesystem::path& base, std::string_view relative)
{
    return pathText((base / nativePath(relative)).make_preferred());
}

std::string pathTextFromUtf8(std::string_view utf8)
{
    return wideToAnsi(utf8ToWide(utf8));
}

char pathSeparator()
{
    return '\\';
}

bool isPathSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool startsAtRoot(std::string_view text)
{
    return !text.empty() && isPathSeparator(text.front());
}

std::string currentFolder()
{
    DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return {};
    std::wstring folder(size, L'\0');
    DWORD got = ::GetCurrentDirectoryW(size, folder.data());
    if (got == 0 || got >= size)
        return {};
    folder.resize(got);
    return wideToAnsi(folder);
}

} // namespace tarvo
