#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>

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

// True for a regular file (or a link to one) this process can open for
// reading.
inline bool isReadableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && openFile(path, "rb") != nullptr;
}

} // namespace tarvo
