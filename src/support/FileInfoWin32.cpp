#include "support/FileInfo.h"

#include "support/RandomBytes.h"
#include "support/WideText.h"

#include <windows.h>

namespace tarvo {

namespace {

struct Handle {
    HANDLE handle;
    ~Handle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};

// Opened to be asked only: no access to the data, every sharing allowed,
// folders too.
HANDLE openToAsk(const std::string& path)
{
    return ::CreateFileW(ansiToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_NETPATH || error == ERROR_DIRECTORY;
}

} // namespace

FileInfo fileInfo(const std::string& path)
{
    FileInfo info;
    Handle file{openToAsk(path)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        info.error = systemMessage(error);
        info.kind = isMissing(error) ? FileInfo::Kind::Missing : FileInfo::Kind::Unknown;
        return info;
    }
    BY_HANDLE_FILE_INFORMATION data{};
    if (::GetFileType(file.handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file.handle, &data)) {
        info.kind = FileInfo::Kind::Other;
    } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        info.kind = FileInfo::Kind::Folder;
    } else {
        info.kind = FileInfo::Kind::Regular;
        info.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    }
    return info;
}

bool isSameFile(const std::string& a, const std::string& b)
{
    Handle first{openToAsk(a)};
    Handle second{openToAsk(b)};
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION two{};
    return first.handle != INVALID_HANDLE_VALUE && second.handle != INVALID_HANDLE_VALUE &&
           ::GetFileInformationByHandle(first.handle, &one) && ::GetFileInformationByHandle(second.handle, &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
           one.nFileIndexLow == two.nFileIndexLow;
}

bool linkReplacing(const std::string& original, const std::string& copy)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char raw[6] = {};
    if (!fillRandomBytes(raw, sizeof raw))
        return false;
    std::string linkName = copy + ".tmp";
    for (unsigned char byte : raw)
        linkName.push_back(kAlphabet[byte % (sizeof kAlphabet - 1)]);
    const std::wstring link = ansiToWide(linkName);
    if (!::CreateHardLinkW(link.c_str(), ansiToWide(original).c_str(), nullptr))
        return false;
    if (::MoveFileExW(link.c_str(), ansiToWide(copy).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileW(link.c_str());
    return false;
}

std::string makeFolder(const std::string& path)
{
    return ::CreateDirectoryW(ansiToWide(path).c_str(), nullptr) ? std::string() : systemMessage(::GetLastError());
}

} // namespace tarvo
