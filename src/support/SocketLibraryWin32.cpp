#include "support/SocketLibrary.h"

#include <winsock2.h>

namespace tarvo {

bool SocketLibrary::start()
{
    if (!m_started) {
        WSADATA data{};
        m_started = ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
    }
    return m_started;
}

void SocketLibrary::stop()
{
    if (m_started) {
        ::WSACleanup();
        m_started = false;
    }
}

} // namespace tarvo
