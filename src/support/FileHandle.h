#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace tarvo {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

// Every stdio stream the program opens is owned by one of these.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

inline FilePtr openFile(const std::string& path, const char* mode)
{
    return FilePtr(std::fopen(path.c_str(), mode));
}

} // namespace tarvo
