#include "support/ReadOnlyFile.h"

#include "support/WideText.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

namespace tarvo {

namespace {

// A view of a file on a network share or a removable disk raises an
// in-page exception, which ends the program, when the share goes away or
// the disk is pulled mid-read; such files are read through ReadFile, whose
// failure is an error the caller reports.
bool onLocalDisk(const std::string& path)
{
    const std::wstring wide = ansiToWide(path);
    std::wstring volume(wide.size() + 2, L'\0');
    if (!::GetVolumePathNameW(wide.c_str(), volume.data(), static_cast<DWORD>(volume.size())))
        return false;
    const UINT type = ::GetDriveTypeW(volume.c_str());
    return type == DRIVE_FIXED || type == DRIVE_RAMDISK;
}

} // namespace

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::string& path)
{
    HANDLE handle = ::CreateFileW(ansiToWide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    std::unique_ptr<ReadOnlyFile> file(new ReadOnlyFile);
    file->m_handle = reinterpret_cast<std::intptr_t>(handle);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle, &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX)
        return nullptr;
    file->m_size = static_cast<std::uint64_t>(size.QuadPart);
    // An empty file has no view: every read is at its end.
    if (file->m_size == 0 || !onLocalDisk(path))
        return file;
    // While the view is mapped nobody can cut the file short under it.
    HANDLE mapping = ::CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr)
        return file;
    file->m_mapping = reinterpret_cast<std::intptr_t>(mapping);
    file->m_view = static_cast<const unsigned char*>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    return file;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_view != nullptr)
        ::UnmapViewOfFile(m_view);
    if (m_mapping != 0)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_mapping));
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

std::ptrdiff_t ReadOnlyFile::readAt(void* buffer, std::size_t size, std::uint64_t offset) const
{
    if (offset >= m_size)
        return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_size - offset));
    if (m_view != nullptr) {
        std::memcpy(buffer, m_view + offset, n);
        return static_cast<std::ptrdiff_t>(n);
    }
    // Unmapped: a read at its own offset, which moves nothing another
    // thread relies on. Only the bytes the file held when opened are asked
    // for, so a file cut short since gives a short read, as on Linux.
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < n) {
        OVERLAPPED at{};
        const std::uint64_t from = offset + got;
        at.Offset = static_cast<DWORD>(from & 0xffffffffU);
        at.OffsetHigh = static_cast<DWORD>(from >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - got, 1U << 30));
        DWORD read = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(m_handle), out + got, want, &read, &at))
            return ::GetLastError() == ERROR_HANDLE_EOF ? static_cast<std::ptrdiff_t>(got) : -1;
        if (read == 0)
            break;
        got += read;
    }
    return static_cast<std::ptrdiff_t>(got);
}

} // namespace tarvo
