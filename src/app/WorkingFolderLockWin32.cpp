#include "app/WorkingFolderLock.h"

#include "support/NativePath.h"
#include "support/WideText.h"

#include <windows.h>

namespace tarvo {

namespace {

// The locked range lies far past the end of the (empty) file, so the lock
// keeps nobody from reading or writing it, only from locking it.
constexpr DWORD kLockOffsetHigh = 0x40000000;

// True when nothing can be created in the folder of `path`.
bool folderIsReadOnly(const std::string& path)
{
    std::filesystem::path folder = nativePath(path).parent_path();
    if (folder.empty())
        folder = L".";
    const std::wstring probe = (folder / L"synchronizer.lock.probe").native();
    HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
}

} // namespace

WorkingFolderLock::State WorkingFolderLock::take()
{
    // Not inherited: the update installer started at exit must not carry
    // the lock with it.
    HANDLE handle = ::CreateFileW(ansiToWide(m_path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        m_why = systemMessage(error);
        if (error == ERROR_WRITE_PROTECT || (error == ERROR_ACCESS_DENIED && folderIsReadOnly(m_path)))
            return State::ReadOnlyFolder;
        return State::Unusable;
    }
    OVERLAPPED range{};
    range.OffsetHigh = kLockOffsetHigh;
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        const DWORD error = ::GetLastError();
        m_why = systemMessage(error);
        ::CloseHandle(handle);
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? State::Taken : State::Unusable;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return State::Held;
}

void WorkingFolderLock::release()
{
    if (m_handle != kNone)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = kNone;
}

} // namespace tarvo
