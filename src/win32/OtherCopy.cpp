#include "win32/OtherCopy.h"

#include "support/WideText.h"

#include <windows.h>

namespace tarvo::win32 {

bool OtherCopy::raised(const std::string& title)
{
    m_mutex = std::make_unique<SessionMutex>(SessionMutex::kSynchronizerName, std::string());
    if (m_mutex->state() != SessionMutex::State::AlreadyExisted)
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
