#include "support/FileHandle.h"

#include <sys/stat.h>

namespace tarvo {

FilePtr openFile(const std::string& path, const char* mode)
{
    return FilePtr(std::fopen(path.c_str(), mode));
}

bool isReadableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && openFile(path, "rb") != nullptr;
}

} // namespace tarvo
