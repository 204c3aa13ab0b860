#include "support/FileVersion.h"

#include "support/WideText.h"

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
    if (path == nullptr) {
        // The program's own resource, as the desktop reads it; a program
        // built without one (a test program) still knows its version.
        wchar_t own[MAX_PATH] = {};
        const DWORD length = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
        if (length == 0 || length >= MAX_PATH || !readVersionResource(own, record))
            record = ownFileVersion();
        return 0;
    }
    if (readVersionResource(ansiToWide(path), record))
        return 0;
    record = FileVersionInfo{};
    return kNoVersionRecord;
}

} // namespace tarvo
