#include "support/SocketLibrary.h"

#include <curl/curl.h>

namespace tarvo {

bool SocketLibrary::start()
{
    if (!m_started)
        m_started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return m_started;
}

void SocketLibrary::stop()
{
    if (m_started) {
        curl_global_cleanup();
        m_started = false;
    }
}

} // namespace tarvo
