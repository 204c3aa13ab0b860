#include "support/FileVersion.h"

#include "support/FileInfo.h"
#include "support/NativePath.h"
#include "support/WideText.h"

#include "support/InstalledData.h"

#include <cstring>
#include <vector>
#include <windows.h>

namespace tarvo {

namespace {

constexpr int kNoVersionRecord = 1;

static_assert(sizeof(VS_FIXEDFILEINFO) == sizeof(FileVersionInfo));

bool readVersionResource(const std::wstring& file, FileVersionInfo& record)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<unsigned char> data(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, data.data()))
        return false;
    void* fixed = nullptr;
    UINT length = 0;
    wchar_t root[] = L"\\";
    if (!::VerQueryValueW(data.data(), root, &fixed, &length) || fixed == nullptr || length < sizeof record)
        return false;
    std::memcpy(&record, fixed, sizeof record);
    return record.dwSignature == FileVersionInfo::kSignature;
}

} // namespace

int getFileVersion(const char* path, FileVersionInfo& record)
{
    // The program's own resource, as the desktop reads it; a program built
    // without one (a test program) still knows its version.
    const std::filesystem::path own = InstalledData::runningProgram();
    if (path == nullptr) {
        if (!readVersionResource(own.native(), record))
            record = ownFileVersion();
        return 0;
    }
    if (readVersionResource(ansiToWide(path), record))
        return 0;
    if (!own.empty() && isSameFile(path, pathText(own))) {
        record = ownFileVersion();
        return 0;
    }
    record = FileVersionInfo{};
    return kNoVersionRecord;
}

} // namespace tarvo
