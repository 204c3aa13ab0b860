#include "support/FileVersion.h"

#include "BuildInfo.h"

namespace tarvo {

static_assert(build::kVersionMajor <= 0xFFFF && build::kVersionMinor <= 0xFFFF,
              "the version record holds 16-bit version parts");

FileVersionInfo ownFileVersion()
{
    FileVersionInfo record;
    record.dwSignature = FileVersionInfo::kSignature;
    record.dwStrucVersion = FileVersionInfo::kStructVersion;
    record.dwFileVersionMS = (build::kVersionMajor << 16) | build::kVersionMinor;
    record.dwProductVersionMS = record.dwFileVersionMS;
    record.dwFileType = FileVersionInfo::kFileTypeApp;
    return record;
}

} // namespace tarvo
