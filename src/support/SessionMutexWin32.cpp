#include "support/SessionMutex.h"

#include "support/WideText.h"

#include <windows.h>

namespace tarvo {

SessionMutex::SessionMutex(const std::string& name, const std::string&)
{
    // "Local\": the login session's namespace, so another user's copy, or
    // one in another session, is no copy of this one.
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, (L"Local\\" + ansiToWide(name)).c_str());
    if (mutex == nullptr)
        return;
    // The handle stays either way: the lock is kept until the process ends.
    m_handle = reinterpret_cast<std::intptr_t>(mutex);
    m_state = ::GetLastError() == ERROR_ALREADY_EXISTS ? State::AlreadyExisted : State::Created;
}

SessionMutex::~SessionMutex()
{
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

} // namespace tarvo
