#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvo {

struct HttpOptions {
    static constexpr std::chrono::milliseconds kDefaultTimeout{30000};

    // Reaching the server (name lookup, TCP and TLS handshakes).
    std::chrono::milliseconds connectTimeout = kDefaultTimeout;
    // The longest stretch without a single byte from the server while we
    // are waiting for one. Time the caller spends between reads never counts,
    // so a slow consumer is not punished for a server that is ready.
    std::chrono::milliseconds idleTimeout = kDefaultTimeout;
    // PEM certificates to trust instead of the system's bundle (a private
    // phonebook server with its own authority); empty: the file
    // `caBundleFile` when one is named (the environment's CURL_CA_BUNDLE, as
    // the curl tool takes it), else the system's bundle. Linux only: on
    // Windows TLS trusts the system's certificate store alone.
    std::string caCertificatesPem;
    std::string caBundleFile;
    // Asked while waiting for the server; true gives up at once (the
    // transfer then fails). Lets a caller that is shutting down leave a
    // stalled server without sitting out the timeouts.
    std::function<bool()> abort;
    // A transfer slower than `lowSpeedBytes` a second for `lowSpeedWindow`
    // fails (libcurl's low-speed limit; on Windows a count of our own): a
    // server that trickles a byte now and then would otherwise never reach
    // the idle timeout. Zero: no such limit. Only time spent waiting for the
    // server counts, so a caller slow to take the data is not counted
    // against the server.
    std::uint32_t lowSpeedBytes = 0;
    std::chrono::seconds lowSpeedWindow{0};
};

struct HttpOpenResult;

// One HTTP or HTTPS GET whose body is pulled by the caller a piece at a time.
//
// The body never sits in memory as a whole: the client (libcurl on Linux,
// WinHTTP on Windows) hands us one chunk (at most 16 KiB), and no more is
// read until the caller has taken that chunk, so the server is held back by
// TCP flow control.
//
// Redirects (at most 5, HTTP and HTTPS only) are followed; the extra header
// line is not passed on to a different host. A request made over HTTPS
// follows redirects to HTTPS only: a server that sends it to plain HTTP
// gives no connection. The body is not decoded (no Accept-Encoding), so the
// bytes received are the bytes that the announced length counts. TLS trusts
// the system's authorities (on Windows its certificate store, where the
// options' own certificates are not used).
class HttpConnection final {
public:
    // Connects, sends the request and waits until the status line and the
    // headers are in (and usually the first piece of the body). Null when no
    // response came: refused, unknown host, connect or idle timeout before
    // the status line, a malformed URL, or a header line that holds a line
    // break in its middle (it would smuggle a header in). `headerLine` is a
    // full "Name: value" line; empty sends none; a trailing CR/LF is dropped.
    static std::unique_ptr<HttpConnection> open(const std::string& url, const std::string& headerLine,
                                                 const HttpOptions& options = {});
    // The same, and when there is no connection, the client's reason for
    // it (such as a certificate that does not verify).
    static HttpOpenResult openWithReason(const std::string& url, const std::string& headerLine,
                                         const HttpOptions& options = {});

    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;
    ~HttpConnection();

    // The final response's status (after redirects).
    [[nodiscard]] int statusCode() const { return m_status; }
    // The announced Content-Length; -1 when the server announced none (a
    // chunked body, or one that ends when the connection closes).
    [[nodiscard]] std::int64_t contentLength() const { return m_contentLength; }

    // Copies up to `max` next body bytes. Returns how many (>= 1), 0 at the
    // clean end of the body, -1 after an error: the connection broke, the
    // body was cut short of its announced length, or the server sent nothing
    // for the idle timeout. The end is sticky: later calls return the same.
    int recv(char* buffer, std::size_t max);

    // Copies the next body line with its line end ('\n', so CR LF stays CR
    // LF) and a terminating NUL: at most `size - 1` bytes, so a longer line
    // comes in pieces; the last line may lack a line end. Returns the length
    // (>= 1), or as `recv` 0 at the end and -1 after an error; -1 also when
    // `size` leaves no room for one byte and the NUL.
    int recvLine(char* buffer, std::size_t size);

    // CRC-32 (zlib's `crc32`, the one of gzip and PNG) of every body byte
    // received so far; after the end of the body, the checksum of the body.
    [[nodiscard]] std::uint32_t checksum() const { return m_checksum; }
    // Body bytes handed out so far.
    [[nodiscard]] std::uint64_t received() const { return m_received; }

    // Why the transfer failed (the client's words), empty while all is well.
    [[nodiscard]] const std::string& errorText() const { return m_error; }

private:
    enum class State { Receiving, Finished, Failed };
    // The platform's transfer: libcurl's handles (HttpConnectionPosix.cpp)
    // or WinHTTP's (HttpConnectionWin32.cpp).
    struct Transfer;

    explicit HttpConnection(const HttpOptions& options);

    // The platform's part. `start` makes the request (false: it could not
    // be made); `fill` runs the transfer until a chunk is pending or the
    // transfer has ended; `takeResponse`, after the first fill, sets the
    // final response's status and announced length, false when no answer
    // came; `stopTransfer` reads nothing more from the server.
    [[nodiscard]] bool start(const std::string& url, const std::string& headerLine, const HttpOptions& options);
    void fill();
    [[nodiscard]] bool takeResponse();
    void stopTransfer();

    void fail(std::string why);
    // Hands out `n` pending bytes: counted and summed.
    void consume(char* to, std::size_t n);
    [[nodiscard]] std::size_t pendingSize() const { return m_pending.size() - m_pendingPos; }

    // URLs are built by joining a configured server with file names from
    // version lists, and those names may hold blanks or 8-bit characters
    // that no client sends as they are: those bytes are %-encoded, everything
    // else (an existing %XX too) stays.
    static std::string escapeUrl(const std::string& url);
    static bool isHttps(const std::string& url);
    static const std::string& userAgent();

    std::unique_ptr<Transfer> m_transfer;
    std::vector<char> m_pending;
    std::size_t m_pendingPos = 0;
    bool m_secure = false; // asked for over HTTPS
    State m_state = State::Receiving;
    std::chrono::steady_clock::time_point m_lastActivity;
    std::chrono::milliseconds m_idleTimeout;
    std::function<bool()> m_abort;
    int m_status = 0;
    std::int64_t m_contentLength = -1;
    std::uint32_t m_checksum = 0;
    std::uint64_t m_received = 0;
    std::string m_error;
};

struct HttpOpenResult {
    std::unique_ptr<HttpConnection> connection;
    // Why there is no connection; empty when there is one.
    std::string failure;
};

} // namespace tarvo
