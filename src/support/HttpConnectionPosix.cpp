#include "support/HttpConnection.h"

#include <curl/curl.h>

#include <algorithm>
#include <limits>

namespace tarvo {

namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const noexcept { curl_multi_cleanup(multi); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};

constexpr long kMaxRedirects = 5;
// The longest single wait in curl_multi_poll, so the idle clock is looked at
// even when libcurl has no timer of its own running.
constexpr std::chrono::milliseconds kPollSlice{250};

long toCurlMillis(std::chrono::milliseconds ms)
{
    auto count = std::max<std::chrono::milliseconds::rep>(ms.count(), 1);
    return static_cast<long>(std::min<std::chrono::milliseconds::rep>(count, std::numeric_limits<long>::max()));
}

} // namespace

// Member order is destruction order in reverse: the easy handle goes before
// the multi handle it belongs to, and the header list outlives the easy handle.
struct HttpConnection::Transfer {
    std::unique_ptr<CURLM, MultiDeleter> multi;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    std::unique_ptr<CURL, EasyDeleter> easy;
    bool attached = false;
    // libcurl cannot take back part of a chunk: a second chunk that comes
    // while the first is still pending pauses the transfer.
    bool paused = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~Transfer()
    {
        if (attached)
            curl_multi_remove_handle(multi.get(), easy.get());
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
};

// Here, where the transfer is a complete type.
HttpConnection::HttpConnection(const HttpOptions& options)
    : m_lastActivity(std::chrono::steady_clock::now()), m_idleTimeout(options.idleTimeout), m_abort(options.abort)
{
}

HttpConnection::~HttpConnection() = default;

bool HttpConnection::start(const std::string& url, const std::string& header, const HttpOptions& options)
{
    m_transfer = std::make_unique<Transfer>();
    m_pending.reserve(CURL_MAX_WRITE_SIZE);
    Transfer& c = *m_transfer;
    c.multi.reset(curl_multi_init());
    c.easy.reset(curl_easy_init());
    if (!c.multi || !c.easy)
        return false;
    if (!header.empty()) {
        c.headers.reset(curl_slist_append(nullptr, header.c_str()));
        if (!c.headers)
            return false;
    }

    const std::string escaped = escapeUrl(url);
    CURL* e = c.easy.get();
    bool ok = curl_easy_setopt(e, CURLOPT_URL, escaped.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    // Credentials and data asked for over HTTPS never go on in the clear.
    m_secure = isHttps(url);
    ok = ok && curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, m_secure ? "https" : "http,https") == CURLE_OK;
    if (options.lowSpeedBytes > 0 && options.lowSpeedWindow.count() > 0) {
        ok = ok && curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(options.lowSpeedBytes)) == CURLE_OK;
        ok = ok && curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.lowSpeedWindow.count())) ==
                       CURLE_OK;
    }
    ok = ok && curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK;
    // The update worker is a thread of its own; signals would hit the window.
    ok = ok && curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, toCurlMillis(options.connectTimeout)) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_USERAGENT, userAgent().c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_ERRORBUFFER, c.errorBuffer) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::onBody) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::onHeader) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HEADERDATA, this) == CURLE_OK;
    if (c.headers)
        ok = ok && curl_easy_setopt(e, CURLOPT_HTTPHEADER, c.headers.get()) == CURLE_OK;
    if (!options.caCertificatesPem.empty()) {
        curl_blob blob{};
        blob.data = const_cast<char*>(options.caCertificatesPem.data());
        blob.len = options.caCertificatesPem.size();
        blob.flags = CURL_BLOB_COPY;
        ok = ok && curl_easy_setopt(e, CURLOPT_CAINFO_BLOB, &blob) == CURLE_OK;
    } else if (!options.caBundleFile.empty()) {
        ok = ok && curl_easy_setopt(e, CURLOPT_CAINFO, options.caBundleFile.c_str()) == CURLE_OK;
    }
    if (!ok)
        return false;
    if (curl_multi_add_handle(c.multi.get(), e) != CURLM_OK)
        return false;
    c.attached = true;
    m_lastActivity = std::chrono::steady_clock::now();
    return true;
}

bool HttpConnection::takeResponse()
{
    long status = 0;
    curl_easy_getinfo(m_transfer->easy.get(), CURLINFO_RESPONSE_CODE, &status);
    // A redirect that was not followed (to a refused scheme, or one too
    // many) leaves its own status behind: no answer either.
    const bool unfollowedRedirect = status >= 300 && status < 400 && m_state == State::Failed;
    if (status <= 0 || status > std::numeric_limits<int>::max() || unfollowedRedirect)
        return false;
    m_status = static_cast<int>(status);
    curl_off_t length = -1;
    if (curl_easy_getinfo(m_transfer->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length >= 0)
        m_contentLength = length;
    return true;
}

std::size_t HttpConnection::Transfer::onBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* connection = static_cast<HttpConnection*>(self);
    // libcurl cannot take back part of a chunk, so we accept a chunk whole
    // and pause on the next one until the caller has emptied the first.
    if (connection->pendingSize() > 0) {
        connection->m_transfer->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    const std::size_t bytes = size * count;
    connection->m_pending.assign(data, data + bytes);
    connection->m_pendingPos = 0;
    connection->m_lastActivity = std::chrono::steady_clock::now();
    return bytes;
}

std::size_t HttpConnection::Transfer::onHeader(char*, std::size_t size, std::size_t count, void* self)
{
    static_cast<HttpConnection*>(self)->m_lastActivity = std::chrono::steady_clock::now();
    return size * count;
}

void HttpConnection::stopTransfer()
{
    if (m_transfer && m_transfer->attached) {
        curl_multi_remove_handle(m_transfer->multi.get(), m_transfer->easy.get());
        m_transfer->attached = false;
    }
}

void HttpConnection::fill()
{
    if (pendingSize() > 0 || m_state != State::Receiving)
        return;
    Transfer& c = *m_transfer;
    // The caller has taken the whole chunk; the waiting for the next one
    // starts now, not when the previous one came in.
    m_lastActivity = std::chrono::steady_clock::now();
    if (c.paused) {
        c.paused = false;
        // libcurl hands the held chunk back to onBody during this call.
        CURLcode rc = curl_easy_pause(c.easy.get(), CURLPAUSE_CONT);
        if (rc != CURLE_OK) {
            fail(curl_easy_strerror(rc));
            return;
        }
    }
    for (;;) {
        int running = 0;
        if (CURLMcode mc = curl_multi_perform(c.multi.get(), &running); mc != CURLM_OK) {
            fail(curl_multi_strerror(mc));
            return;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(c.multi.get(), &queued)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            CURLcode result = msg->data.result;
            if (result == CURLE_OK) {
                m_state = State::Finished;
                curl_multi_remove_handle(c.multi.get(), c.easy.get());
                c.attached = false;
            } else if (result == CURLE_UNSUPPORTED_PROTOCOL && m_secure) {
                fail("the HTTPS server redirected to another scheme, which is refused");
            } else {
                fail(c.errorBuffer[0] != '\0' ? c.errorBuffer : curl_easy_strerror(result));
            }
            break;
        }
        if (pendingSize() > 0 || m_state != State::Receiving)
            return;
        if (m_abort && m_abort()) {
            fail("transfer abandoned");
            return;
        }
        auto idle = std::chrono::steady_clock::now() - m_lastActivity;
        if (idle >= m_idleTimeout) {
            fail("no data from the server for " + std::to_string(m_idleTimeout.count()) + " ms");
            return;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_idleTimeout - idle) +
                    std::chrono::milliseconds(1);
        int waitMs = static_cast<int>(std::min(left, kPollSlice).count());
        if (CURLMcode mc = curl_multi_poll(c.multi.get(), nullptr, 0, waitMs, nullptr); mc != CURLM_OK) {
            fail(curl_multi_strerror(mc));
            return;
        }
    }
}

} // namespace tarvo
