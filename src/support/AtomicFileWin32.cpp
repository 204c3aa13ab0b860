#include "support/AtomicFile.h"

#include "support/RandomBytes.h"
#include "support/WideText.h"

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <thread>
#include <vector>
#include <windows.h>

namespace tarvo {

namespace {

constexpr int kOpenAttempts = 8;
// A reader that holds the target open without letting it be replaced (on
// a system without POSIX rename semantics, any reader) is usually done in
// a moment: the replacement waits that long for it before it fails.
constexpr auto kReplaceWait = std::chrono::seconds(2);
constexpr auto kReplaceRetry = std::chrono::milliseconds(20);
// FileRenameInfoEx: newer than the headers' default Windows version.
constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

std::string randomSuffix()
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char raw[6] = {};
    if (!fillRandomBytes(raw, sizeof raw))
        return {};
    std::string suffix;
    for (unsigned char byte : raw)
        suffix.push_back(kAlphabet[byte % (sizeof kAlphabet - 1)]);
    return suffix;
}

bool isBusy(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Runs `attempt` until it succeeds, fails for another reason than a file in
// use, or the wait is over.
template <class Attempt>
bool retryWhileBusy(Attempt attempt)
{
    const auto giveUp = std::chrono::steady_clock::now() + kReplaceWait;
    for (;;) {
        if (attempt())
            return true;
        if (!isBusy(::GetLastError()) || std::chrono::steady_clock::now() >= giveUp)
            return false;
        std::this_thread::sleep_for(kReplaceRetry);
    }
}

HANDLE handleOf(std::FILE* file)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
}

// The system's own name of a path ("\??\C:\...", "\??\UNC\server\..."),
// the one form a rename by handle takes the same everywhere.
std::wstring systemPathOf(const std::wstring& path)
{
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return {};
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return {};
    full.resize(length);
    if (full.starts_with(L"\\\\?\\"))
        return L"\\??\\" + full.substr(4);
    if (full.starts_with(L"\\\\"))
        return L"\\??\\UNC\\" + full.substr(2);
    return L"\\??\\" + full;
}

// Renames the file open as `handle` to `target`, replacing what is there.
// POSIX semantics first (Windows 10 1809 and later), with which a target
// that readers hold open with delete sharing is replaced at once; else the
// classic rename, which waits for them.
bool renameByHandle(HANDLE handle, const std::wstring& target)
{
    const std::wstring name = systemPathOf(target);
    if (name.empty())
        return false;
    const DWORD nameBytes = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::memcpy(info->FileName, name.data(), nameBytes);
    const auto size = static_cast<DWORD>(buffer.size());

    const DWORD flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    std::memcpy(buffer.data(), &flags, sizeof flags);
    if (::SetFileInformationByHandle(handle, kRenameInfoEx, info, size))
        return true;
    std::memset(buffer.data(), 0, sizeof flags);
    info->ReplaceIfExists = TRUE;
    return retryWhileBusy([&] { return ::SetFileInformationByHandle(handle, FileRenameInfo, info, size) != 0; });
}

} // namespace

bool AtomicFile::createTemporary()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        const std::string suffix = randomSuffix();
        if (suffix.empty())
            return false;
        const std::string name = m_path + ".tmp" + suffix;
        // Shared with readers only: while this handle lives, no sweep can
        // delete the file, and when the writer dies the system closes it.
        HANDLE handle = ::CreateFileW(ansiToWide(name).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return false;
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            ::CloseHandle(handle);
            ::DeleteFileW(ansiToWide(name).c_str());
            return false;
        }
        m_file = ::_fdopen(fd, "wb");
        if (!m_file) {
            ::_close(fd);
            ::DeleteFileW(ansiToWide(name).c_str());
            return false;
        }
        m_tempPath = name;
        return true;
    }
    return false;
}

bool AtomicFile::complete()
{
    return !m_failed && std::ferror(m_file) == 0 && std::fflush(m_file) == 0 &&
           ::FlushFileBuffers(handleOf(m_file)) != 0;
}

bool AtomicFile::replaceWhileOpen()
{
    return renameByHandle(handleOf(m_file), ansiToWide(m_path));
}

bool AtomicFile::replaceFinished(const std::string& from, const std::string& to)
{
    const std::wstring source = ansiToWide(from);
    const std::wstring target = ansiToWide(to);
    return retryWhileBusy([&] {
        return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
}

void AtomicFile::removeFile(const std::string& path)
{
    ::DeleteFileW(ansiToWide(path).c_str());
}

// A live writer's handle shares the file with readers only, so the delete
// fails for exactly the files someone still writes.
bool AtomicFile::removeIfAbandoned(const std::filesystem::path& path)
{
    return ::DeleteFileW(path.c_str()) != 0;
}

} // namespace tarvo
