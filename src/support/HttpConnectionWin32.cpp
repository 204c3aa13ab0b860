#include "support/HttpConnection.h"

#include "support/WideText.h"

#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <limits>
#include <string_view>

namespace tarvo {

namespace {

constexpr int kMaxRedirects = 5;
// A chunk handed to the caller, as libcurl's at most.
constexpr DWORD kChunk = 16384;
// How often a wait looks at the caller's abort and the idle clock.
constexpr std::chrono::milliseconds kWaitSlice{250};
// How long closing a request may take to be confirmed before its state is
// left to the process rather than freed under a late callback.
constexpr DWORD kCloseWait = 5000;

using Clock = std::chrono::steady_clock;

int toWinHttpMillis(std::chrono::milliseconds ms)
{
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(ms.count(), 1, std::numeric_limits<int>::max()));
}

std::string winHttpMessage(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
        return "the server did not answer in time";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "the server's name could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return "the server could not be reached";
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return "the connection to the server broke";
    case ERROR_WINHTTP_SECURE_FAILURE:
        return "the server's certificate could not be verified";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return "the server's answer was not HTTP";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
    case ERROR_WINHTTP_INVALID_URL:
        return "the URL is not an HTTP or HTTPS URL";
    default:
        return "WinHTTP error " + std::to_string(error);
    }
}

// The parts of a URL the request is made from.
struct UrlParts {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path; // path and query
    std::wstring origin() const
    {
        return std::wstring(secure ? L"https://" : L"http://") + host + L":" + std::to_wstring(port);
    }
};

bool crack(const std::wstring& url, UrlParts& parts)
{
    URL_COMPONENTS c{};
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = static_cast<DWORD>(-1);
    c.dwHostNameLength = static_cast<DWORD>(-1);
    c.dwUrlPathLength = static_cast<DWORD>(-1);
    c.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &c))
        return false;
    if (c.nScheme != INTERNET_SCHEME_HTTP && c.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    parts.secure = c.nScheme == INTERNET_SCHEME_HTTPS;
    parts.host.assign(c.lpszHostName, c.dwHostNameLength);
    parts.port = c.nPort;
    parts.path.assign(c.lpszUrlPath, c.dwUrlPathLength);
    parts.path.append(c.lpszExtraInfo, c.dwExtraInfoLength);
    if (parts.path.empty() || parts.path.front() != L'/')
        parts.path.insert(parts.path.begin(), L'/');
    return !parts.host.empty();
}

// Where a Location header points, taken against the URL that answered.
std::wstring resolveLocation(const UrlParts& base, const std::wstring& location)
{
    const std::size_t colon = location.find(L':');
    const bool hasScheme = colon != std::wstring::npos && colon > 0 &&
                           std::all_of(location.begin(), location.begin() + static_cast<std::ptrdiff_t>(colon),
                                       [](wchar_t c) { return std::iswalpha(c) || c == L'+' || c == L'-' || c == L'.'; });
    if (hasScheme)
        return location;
    if (location.starts_with(L"//"))
        return std::wstring(base.secure ? L"https:" : L"http:") + location;
    if (location.starts_with(L"/"))
        return base.origin() + location;
    std::wstring folder = base.path.substr(0, base.path.find_first_of(L"?#"));
    folder.erase(folder.rfind(L'/') + 1);
    return base.origin() + folder + location;
}

} // namespace

// WinHTTP in its asynchronous mode: each step is started here and finished
// by a callback on one of WinHTTP's threads, which records the outcome and
// sets `done`. The connection waits for it in slices, so the caller's abort
// and the idle limit are looked at while the server is silent, and closing
// the request is the one way to stop a step in flight.
struct HttpConnection::Transfer {
    HINTERNET session = nullptr;
    HINTERNET connect = nullptr;
    HINTERNET request = nullptr;
    HANDLE done = nullptr;   // a step has finished
    HANDLE closed = nullptr; // the request handle is gone, no callback follows

    // Written by the callback before it sets `done`.
    DWORD error = 0;
    DWORD available = 0;
    DWORD bytesRead = 0;

    UrlParts first;           // the URL asked for
    std::wstring header;      // the extra header line, for the first host only
    std::chrono::milliseconds connectTimeout{HttpOptions::kDefaultTimeout};
    std::uint32_t lowSpeedBytes = 0;
    std::chrono::seconds lowSpeedWindow{0};
    // The low-speed count: time spent waiting and bytes received since the
    // window began.
    Clock::duration windowWaited{};
    std::uint64_t windowBytes = 0;
    std::vector<char> buffer;

    Transfer() : done(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), closed(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    ~Transfer()
    {
        closeRequest();
        if (connect)
            ::WinHttpCloseHandle(connect);
        if (session)
            ::WinHttpCloseHandle(session);
        if (done)
            ::CloseHandle(done);
        if (closed)
            ::CloseHandle(closed);
    }

    // True once no callback can come any more.
    bool closeRequest()
    {
        if (request) {
            ::WinHttpCloseHandle(request);
            request = nullptr;
        }
        return ::WaitForSingleObject(closed, kCloseWait) == WAIT_OBJECT_0;
    }

    static void CALLBACK onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length);
};

void CALLBACK HttpConnection::Transfer::onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                                 DWORD length)
{
    auto* transfer = reinterpret_cast<Transfer*>(context);
    if (transfer == nullptr)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        transfer->error = 0;
        break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        transfer->error = 0;
        transfer->available = info != nullptr ? *static_cast<DWORD*>(info) : 0;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        transfer->error = 0;
        transfer->bytesRead = length;
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        transfer->error = info != nullptr ? static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError : ERROR_WINHTTP_INTERNAL_ERROR;
        break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        ::SetEvent(transfer->closed);
        return;
    default:
        return;
    }
    ::SetEvent(transfer->done);
}

// Here, where the transfer is a complete type.
HttpConnection::HttpConnection(const HttpOptions& options)
    : m_lastActivity(Clock::now()), m_idleTimeout(options.idleTimeout), m_abort(options.abort)
{
}

HttpConnection::~HttpConnection()
{
    // A request whose close was never confirmed may still be called back:
    // its state stays rather than being freed under the callback.
    if (m_transfer && !m_transfer->closeRequest())
        (void)m_transfer.release();
}

namespace {

enum class Waited { Done, Aborted, TimedOut };

} // namespace

bool HttpConnection::start(const std::string& url, const std::string& header, const HttpOptions& options)
{
    m_transfer = std::make_unique<Transfer>();
    Transfer& t = *m_transfer;
    m_pending.reserve(kChunk);
    t.buffer.resize(kChunk);
    t.connectTimeout = options.connectTimeout;
    t.lowSpeedBytes = options.lowSpeedBytes;
    t.lowSpeedWindow = options.lowSpeedWindow;
    t.header = ansiToWide(header);
    m_secure = isHttps(url);
    if (!t.done || !t.closed || !crack(ansiToWide(escapeUrl(url)), t.first))
        return false;
    t.session = ::WinHttpOpen(ansiToWide(userAgent()).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!t.session)
        return false;
    const int connect = toWinHttpMillis(options.connectTimeout);
    // The idle limit is ours (it must not count the caller's time); WinHTTP's
    // own receive limit only backs it up.
    const int receive = toWinHttpMillis(options.idleTimeout + std::chrono::seconds(5));
    if (!::WinHttpSetTimeouts(t.session, connect, connect, connect, receive))
        return false;
    if (::WinHttpSetStatusCallback(t.session, &Transfer::onStatus,
                                   WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                                   0) == WINHTTP_INVALID_STATUS_CALLBACK)
        return false;
    m_lastActivity = Clock::now();
    return true;
}

namespace {

// Waits for the step in flight: until it is done, the caller gives up, or
// `limit` passes without word from the server.
Waited waitStep(HANDLE done, const std::function<bool()>& abort, Clock::time_point since,
                std::chrono::milliseconds limit, Clock::duration* waited)
{
    const Clock::time_point began = Clock::now();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(since + limit - Clock::now());
        if (left.count() <= 0) {
            if (waited)
                *waited += Clock::now() - began;
            return Waited::TimedOut;
        }
        const DWORD slice = static_cast<DWORD>(std::min(left, kWaitSlice).count()) + 1;
        if (::WaitForSingleObject(done, slice) == WAIT_OBJECT_0) {
            if (waited)
                *waited += Clock::now() - began;
            return Waited::Done;
        }
        if (abort && abort()) {
            if (waited)
                *waited += Clock::now() - began;
            return Waited::Aborted;
        }
    }
}

} // namespace

bool HttpConnection::takeResponse()
{
    Transfer& t = *m_transfer;
    UrlParts at = t.first;
    for (int redirects = 0;; ++redirects) {
        if (t.connect) {
            if (!t.closeRequest())
                return false;
            ::WinHttpCloseHandle(t.connect);
            t.connect = nullptr;
        }
        t.connect = ::WinHttpConnect(t.session, at.host.c_str(), at.port, 0);
        if (!t.connect)
            return false;
        t.request = ::WinHttpOpenRequest(t.connect, L"GET", at.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, at.secure ? WINHTTP_FLAG_SECURE : 0);
        if (!t.request)
            return false;
        // From here on every callback of the request, its closing too,
        // finds this transfer.
        ::ResetEvent(t.closed);
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&t);
        ::WinHttpSetOption(t.request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context);
        // Redirects are followed here, where the scheme rule and the header
        // rule can be kept; cookies and logons have no part in the program.
        DWORD disable = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION;
        ::WinHttpSetOption(t.request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
        // The Authorization line goes to the host it was meant for only.
        if (!t.header.empty() && at.origin() == t.first.origin())
            ::WinHttpAddRequestHeaders(t.request, t.header.c_str(), static_cast<DWORD>(-1L),
                                       WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);

        const Clock::time_point asked = Clock::now();
        ::ResetEvent(t.done);
        if (!::WinHttpSendRequest(t.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                  reinterpret_cast<DWORD_PTR>(&t))) {
            m_error = winHttpMessage(::GetLastError());
            return false;
        }
        Waited w = waitStep(t.done, m_abort, asked, t.connectTimeout, nullptr);
        if (w == Waited::Done && t.error == 0) {
            m_lastActivity = Clock::now();
            if (!::WinHttpReceiveResponse(t.request, nullptr)) {
                m_error = winHttpMessage(::GetLastError());
                return false;
            }
            w = waitStep(t.done, m_abort, m_lastActivity, m_idleTimeout, nullptr);
        }
        if (w != Waited::Done || t.error != 0) {
            m_error = w == Waited::Aborted    ? "transfer abandoned"
                      : w == Waited::TimedOut ? "no answer from the server in time"
                                              : winHttpMessage(t.error);
            return false;
        }
        m_lastActivity = Clock::now();

        DWORD status = 0;
        DWORD size = sizeof status;
        if (!::WinHttpQueryHeaders(t.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                   WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
            status == 0 || status > static_cast<DWORD>(std::numeric_limits<int>::max()))
            return false;

        std::wstring location(2048, L'\0');
        DWORD locationSize = static_cast<DWORD>(location.size() * sizeof(wchar_t));
        const bool redirect = status >= 300 && status < 400 &&
                              ::WinHttpQueryHeaders(t.request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                                                    location.data(), &locationSize, WINHTTP_NO_HEADER_INDEX);
        if (!redirect) {
            m_status = static_cast<int>(status);
            wchar_t length[32] = {};
            DWORD lengthSize = sizeof length;
            if (::WinHttpQueryHeaders(t.request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length,
                                      &lengthSize, WINHTTP_NO_HEADER_INDEX)) {
                wchar_t* end = nullptr;
                const long long value = std::wcstoll(length, &end, 10);
                if (end != length && *end == L'\0' && value >= 0)
                    m_contentLength = value;
            }
            return true;
        }
        // A redirect not followed (one too many, or to a refused scheme)
        // leaves no answer, as with libcurl.
        location.resize(locationSize / sizeof(wchar_t));
        UrlParts next;
        if (redirects >= kMaxRedirects) {
            m_error = "more than " + std::to_string(kMaxRedirects) + " redirects";
            return false;
        }
        if (!crack(ansiToWide(escapeUrl(wideToAnsi(resolveLocation(at, location)))), next)) {
            m_error = "a redirect to a URL that is not HTTP or HTTPS";
            return false;
        }
        if (m_secure && !next.secure) {
            m_error = "the HTTPS server redirected to another scheme, which is refused";
            return false;
        }
        at = std::move(next);
    }
}

void HttpConnection::stopTransfer()
{
    if (m_transfer && m_transfer->request && !m_transfer->closeRequest())
        (void)m_transfer.release();
}

void HttpConnection::fill()
{
    if (pendingSize() > 0 || m_state != State::Receiving || !m_transfer || !m_transfer->request)
        return;
    Transfer& t = *m_transfer;
    m_lastActivity = Clock::now();
    Clock::duration waited{};
    ::ResetEvent(t.done);
    t.available = 0;
    if (!::WinHttpQueryDataAvailable(t.request, nullptr)) {
        fail(winHttpMessage(::GetLastError()));
        return;
    }
    Waited w = waitStep(t.done, m_abort, m_lastActivity, m_idleTimeout, &waited);
    DWORD got = 0;
    if (w == Waited::Done && t.error == 0 && t.available > 0) {
        ::ResetEvent(t.done);
        t.bytesRead = 0;
        if (!::WinHttpReadData(t.request, t.buffer.data(), std::min(t.available, kChunk), nullptr)) {
            fail(winHttpMessage(::GetLastError()));
            return;
        }
        w = waitStep(t.done, m_abort, m_lastActivity, m_idleTimeout, &waited);
        got = t.bytesRead;
    }
    if (w == Waited::Aborted) {
        fail("transfer abandoned");
        return;
    }
    if (w == Waited::TimedOut) {
        fail("no data from the server for " + std::to_string(m_idleTimeout.count()) + " ms");
        return;
    }
    if (t.error != 0) {
        fail(winHttpMessage(t.error));
        return;
    }
    if (got == 0) {
        // WinHTTP ends a body cut short of its announced length as if it
        // were whole; libcurl calls that an error, and so do we.
        if (m_contentLength >= 0 && m_received < static_cast<std::uint64_t>(m_contentLength)) {
            fail("the body ended after " + std::to_string(m_received) + " of " + std::to_string(m_contentLength) +
                 " bytes");
            return;
        }
        m_state = State::Finished;
        (void)t.closeRequest();
        return;
    }
    m_pending.assign(t.buffer.data(), t.buffer.data() + got);
    m_pendingPos = 0;
    m_lastActivity = Clock::now();
    if (t.lowSpeedBytes > 0 && t.lowSpeedWindow.count() > 0) {
        t.windowWaited += waited;
        t.windowBytes += got;
        if (t.windowWaited >= t.lowSpeedWindow) {
            if (t.windowBytes < std::uint64_t{t.lowSpeedBytes} * static_cast<std::uint64_t>(t.lowSpeedWindow.count())) {
                m_pending.clear();
                fail("slower than " + std::to_string(t.lowSpeedBytes) + " bytes a second for " +
                     std::to_string(t.lowSpeedWindow.count()) + " s");
                return;
            }
            t.windowWaited = {};
            t.windowBytes = 0;
        }
    }
}

} // namespace tarvo
