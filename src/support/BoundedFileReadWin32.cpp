#include "support/BoundedFileRead.h"

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

} // namespace

BoundedRead readBoundedFile(const std::string& path, std::uint64_t maxBytes, std::string& content)
{
    content.clear();
    // A folder opens only with backup semantics; a device or a pipe opens,
    // and is then told apart by its type before anything is read from it.
    Handle file{::CreateFileW(ansiToWide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
                   ? BoundedRead::Missing
                   : BoundedRead::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file.handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file.handle, &info))
        return BoundedRead::NotRegular;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return BoundedRead::NotRegular;
    const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    if (size > maxBytes)
        return BoundedRead::TooLarge;
    content.reserve(static_cast<std::size_t>(size));
    char block[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.handle, block, sizeof block, &got, nullptr)) {
            content.clear();
            return BoundedRead::Failed;
        }
        if (got == 0)
            return BoundedRead::Read;
        // The file may grow while it is read.
        if (content.size() + got > maxBytes) {
            content.clear();
            return BoundedRead::TooLarge;
        }
        content.append(block, got);
    }
}

} // namespace tarvo
