#include "win32/OtherCopy.h"

#include "support/WideText.h"

namespace tarvo::win32 {

OtherCopy::~OtherCopy()
{
    if (m_mutex)
        ::CloseHandle(m_mutex);
}

bool OtherCopy::raised(const std::string& title)
{
    m_mutex = ::CreateMutexW(nullptr, TRUE, kMutexName);
    if (!m_mutex || ::GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    HWND other = ::FindWindowW(nullptr, utf8ToWide(title).c_str());
    if (!other)
        return false;
    if (::IsIconic(other))
        ::ShowWindow(other, SW_RESTORE);
    HWND popup = ::GetLastActivePopup(other);
    ::SetForegroundWindow(popup);
    ::ShowWindow(popup, SW_RESTORE);
    return true;
}

} // namespace tarvo::win32
