#include "app/UpdateGuard.h"

#include "support/WideText.h"

#include <windows.h>

namespace tarvo {

// The desktop's own test: an open for reading that shares the file with
// nobody fails exactly while another process has it open.
UpdateGuard::Status UpdateGuard::check(const std::string& path)
{
    HANDLE handle = ::CreateFileW(ansiToWide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        return {State::Free, {}};
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return {};
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return {State::Held, {}};
    // A marker that cannot be asked would otherwise stop every start
    // without a word, for as long as it stays.
    return {State::Unusable, unusable(path, systemMessage(error))};
}

} // namespace tarvo
