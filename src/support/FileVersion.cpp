#include "support/FileVersion.h"

#include "BuildInfo.h"

#include <filesystem>
#include <system_error>

namespace tarvo {

namespace {

static_assert(build::kVersionMajor <= 0xFFFF && build::kVersionMinor <= 0xFFFF,
              "the version record holds 16-bit version parts");

constexpr int kNoVersionRecord = 1;

FileVersionInfo ownVersion()
{
    FileVersionInfo record;
    record.dwSignature = FileVersionInfo::kSignature;
    record.dwStrucVersion = FileVersionInfo::kStructVersion;
    record.dwFileVersionMS = (build::kVersionMajor << 16) | build::kVersionMinor;
    record.dwProductVersionMS = record.dwFileVersionMS;
    record.dwFileType = FileVersionInfo::kFileTypeApp;
    return record;
}

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
        record = ownVersion();
        return 0;
    }
    record = FileVersionInfo{};
    return kNoVersionRecord;
}

} // namespace tarvo
