#include "support/ReadOnlyFile.h"

#include "support/WideText.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

namespace tarvo {

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
    if (file->m_size == 0)
        return file;
    // While the view is mapped nobody can cut the file short under it.
    HANDLE mapping = ::CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr)
        return nullptr;
    file->m_mapping = reinterpret_cast<std::intptr_t>(mapping);
    file->m_view = static_cast<const unsigned char*>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (file->m_view == nullptr)
        return nullptr;
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
    std::memcpy(buffer, m_view + offset, n);
    return static_cast<std::ptrdiff_t>(n);
}

} // namespace tarvo
