#include "support/HttpConnection.h"

#include "BuildInfo.h"

#include <curl/curl.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

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

// URLs are built by joining a configured server with file names from version
// lists, and those names may hold blanks or 8-bit characters that libcurl
// refuses. Encode those bytes; leave everything else (an existing %XX too).
std::string escapeUrl(const std::string& url)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (char c : url) {
        auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

bool isHttps(const std::string& url)
{
    static constexpr std::string_view kScheme = "https:";
    if (url.size() < kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        if (static_cast<char>(std::tolower(static_cast<unsigned char>(url[i]))) != kScheme[i])
            return false;
    }
    return true;
}

long toCurlMillis(std::chrono::milliseconds ms)
{
    auto count = std::max<std::chrono::milliseconds::rep>(ms.count(), 1);
    return static_cast<long>(std::min<std::chrono::milliseconds::rep>(count, std::numeric_limits<long>::max()));
}

} // namespace

// Member order is destruction order in reverse: the easy handle goes before
// the multi handle it belongs to, and the header list outlives the easy handle.
struct HttpConnection::Curl {
    std::unique_ptr<CURLM, MultiDeleter> multi;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    std::unique_ptr<CURL, EasyDeleter> easy;
    bool attached = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~Curl()
    {
        if (attached)
            curl_multi_remove_handle(multi.get(), easy.get());
    }
};

HttpConnection::HttpConnection(const HttpOptions& options)
    : m_curl(std::make_unique<Curl>()), m_lastActivity(std::chrono::steady_clock::now()),
      m_idleTimeout(options.idleTimeout), m_abort(options.abort)
{
    m_pending.reserve(CURL_MAX_WRITE_SIZE);
}

HttpConnection::~HttpConnection() = default;

std::unique_ptr<HttpConnection> HttpConnection::open(const std::string& url, const std::string& headerLine,
                                                     const HttpOptions& options)
{
    return openWithReason(url, headerLine, options).connection;
}

HttpOpenResult HttpConnection::openWithReason(const std::string& url, const std::string& headerLine,
                                              const HttpOptions& options)
{
    std::unique_ptr<HttpConnection> connection(new HttpConnection(options));
    if (!connection->start(url, headerLine, options))
        return {nullptr, "the request could not be made"};
    connection->fill();
    long status = 0;
    curl_easy_getinfo(connection->m_curl->easy.get(), CURLINFO_RESPONSE_CODE, &status);
    // No status line means the server never answered: that is "no connection"
    // to the callers, whatever the reason was.
    // A redirect that was not followed (to a refused scheme, or one too
    // many) leaves its own status behind: no answer either.
    const bool unfollowedRedirect = status >= 300 && status < 400 && connection->m_state == State::Failed;
    if (status <= 0 || status > std::numeric_limits<int>::max() || unfollowedRedirect) {
        std::string why = connection->m_error.empty() ? "no answer from the server" : connection->m_error;
        return {nullptr, std::move(why)};
    }
    connection->m_status = static_cast<int>(status);
    curl_off_t length = -1;
    if (curl_easy_getinfo(connection->m_curl->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length >= 0)
        connection->m_contentLength = length;
    return {std::move(connection), {}};
}

bool HttpConnection::start(const std::string& url, const std::string& headerLine, const HttpOptions& options)
{
    std::string header = headerLine;
    while (!header.empty() && (header.back() == '\r' || header.back() == '\n'))
        header.pop_back();
    if (header.find_first_of("\r\n") != std::string::npos)
        return false;

    Curl& c = *m_curl;
    c.multi.reset(curl_multi_init());
    c.easy.reset(curl_easy_init());
    if (!c.multi || !c.easy)
        return false;
    if (!header.empty()) {
        c.headers.reset(curl_slist_append(nullptr, header.c_str()));
        if (!c.headers)
            return false;
    }

    static const std::string userAgent = "TarvoSynchronizer/" + std::to_string(build::kVersionMajor) + "." +
                                         std::to_string(build::kVersionMinor);
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
    ok = ok && curl_easy_setopt(e, CURLOPT_USERAGENT, userAgent.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_ERRORBUFFER, c.errorBuffer) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &HttpConnection::onBody) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &HttpConnection::onHeader) == CURLE_OK;
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

std::size_t HttpConnection::onBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* connection = static_cast<HttpConnection*>(self);
    // libcurl cannot take back part of a chunk, so we accept a chunk whole
    // and pause on the next one until the caller has emptied the first.
    if (connection->pendingSize() > 0) {
        connection->m_paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    const std::size_t bytes = size * count;
    connection->m_pending.assign(data, data + bytes);
    connection->m_pendingPos = 0;
    connection->m_lastActivity = std::chrono::steady_clock::now();
    return bytes;
}

std::size_t HttpConnection::onHeader(char*, std::size_t size, std::size_t count, void* self)
{
    static_cast<HttpConnection*>(self)->m_lastActivity = std::chrono::steady_clock::now();
    return size * count;
}

void HttpConnection::fail(std::string why)
{
    m_state = State::Failed;
    m_error = std::move(why);
    // Stop the transfer now so nothing more is read from the socket.
    if (m_curl->attached) {
        curl_multi_remove_handle(m_curl->multi.get(), m_curl->easy.get());
        m_curl->attached = false;
    }
}

void HttpConnection::pumpOnce()
{
    Curl& c = *m_curl;
    int running = 0;
    CURLMcode mc = curl_multi_perform(c.multi.get(), &running);
    if (mc != CURLM_OK) {
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
        return;
    }
}

void HttpConnection::fill()
{
    if (pendingSize() > 0 || m_state != State::Receiving)
        return;
    // The caller has taken the whole chunk; the waiting for the next one
    // starts now, not when the previous one came in.
    m_lastActivity = std::chrono::steady_clock::now();
    if (m_paused) {
        m_paused = false;
        // libcurl hands the held chunk back to onBody during this call.
        CURLcode rc = curl_easy_pause(m_curl->easy.get(), CURLPAUSE_CONT);
        if (rc != CURLE_OK) {
            fail(curl_easy_strerror(rc));
            return;
        }
    }
    for (;;) {
        pumpOnce();
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
        CURLMcode mc = curl_multi_poll(m_curl->multi.get(), nullptr, 0, waitMs, nullptr);
        if (mc != CURLM_OK) {
            fail(curl_multi_strerror(mc));
            return;
        }
    }
}

int HttpConnection::recv(char* buffer, std::size_t max)
{
    if (buffer == nullptr || max == 0)
        return -1;
    fill();
    std::size_t available = pendingSize();
    if (available == 0)
        return m_state == State::Finished ? 0 : -1;
    std::size_t n = std::min({available, max, static_cast<std::size_t>(std::numeric_limits<int>::max())});
    const char* from = m_pending.data() + m_pendingPos;
    std::memcpy(buffer, from, n);
    m_pendingPos += n;
    m_received += n;
    m_checksum = static_cast<std::uint32_t>(
        crc32(m_checksum, reinterpret_cast<const Bytef*>(from), static_cast<uInt>(n)));
    return static_cast<int>(n);
}

int HttpConnection::recvLine(char* buffer, std::size_t size)
{
    if (buffer == nullptr || size < 2) {
        if (buffer != nullptr && size == 1)
            buffer[0] = '\0';
        return -1;
    }
    const std::size_t room = std::min(size - 1, static_cast<std::size_t>(std::numeric_limits<int>::max()));
    std::size_t length = 0;
    while (length < room) {
        fill();
        std::size_t available = pendingSize();
        if (available == 0) {
            if (length > 0)
                break; // the last line of the body, without a line end
            buffer[0] = '\0';
            return m_state == State::Finished ? 0 : -1;
        }
        const char* from = m_pending.data() + m_pendingPos;
        std::size_t take = std::min(available, room - length);
        const void* newline = std::memchr(from, '\n', take);
        if (newline != nullptr)
            take = static_cast<std::size_t>(static_cast<const char*>(newline) - from) + 1;
        std::memcpy(buffer + length, from, take);
        m_pendingPos += take;
        m_received += take;
        m_checksum = static_cast<std::uint32_t>(
            crc32(m_checksum, reinterpret_cast<const Bytef*>(from), static_cast<uInt>(take)));
        length += take;
        if (newline != nullptr)
            break;
    }
    buffer[length] = '\0';
    return static_cast<int>(length);
}

} // namespace tarvo
