#include "support/FileVersion.h"

#include <filesystem>
#include <system_error>

namespace tarvo {

namespace {

constexpr int kNoVersionRecord = 1;

bool isOwnFile(const char* path)
{
    std::error_code ec;
    bool same = std::filesystem::equivalent(path, "/proc/self/exe", ec);
    return !ec && same;
}

} // namespace

int getFileVersion(const char* path, FileVersionInfo& record)
{
    if (path == nullptr || isOwnFile(path)) {
        record = ownFileVersion();
        return 0;
    }
    record = FileVersionInfo{};
    return kNoVersionRecord;
}

} // namespace tarvo
