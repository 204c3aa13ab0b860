#include "support/HttpConnection.h"

#include "BuildInfo.h"
#include "support/ByteSearch.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <string_view>

namespace tarvo {

std::string HttpConnection::escapeUrl(const std::string& url)
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

bool HttpConnection::isHttps(const std::string& url)
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

const std::string& HttpConnection::userAgent()
{
    static const std::string agent = "TarvoSynchronizer/" + std::to_string(build::kVersionMajor) + "." +
                                     std::to_string(build::kVersionMinor);
    return agent;
}

std::unique_ptr<HttpConnection> HttpConnection::open(const std::string& url, const std::string& headerLine,
                                                     const HttpOptions& options)
{
    return openWithReason(url, headerLine, options).connection;
}

HttpOpenResult HttpConnection::openWithReason(const std::string& url, const std::string& headerLine,
                                              const HttpOptions& options)
{
    std::string header = headerLine;
    while (!header.empty() && (header.back() == '\r' || header.back() == '\n'))
        header.pop_back();
    std::unique_ptr<HttpConnection> connection(new HttpConnection(options));
    if (header.find_first_of("\r\n") != std::string::npos || !connection->start(url, header, options))
        return {nullptr, "the request could not be made"};
    connection->fill();
    // No status line means the server never answered: that is "no
    // connection" to the callers, whatever the reason was.
    if (!connection->takeResponse()) {
        std::string why = connection->m_error.empty() ? "no answer from the server" : connection->m_error;
        return {nullptr, std::move(why)};
    }
    return {std::move(connection), {}};
}

void HttpConnection::fail(std::string why)
{
    m_state = State::Failed;
    m_error = std::move(why);
    // Stop the transfer now so nothing more is read from the socket.
    stopTransfer();
}

void HttpConnection::consume(char* to, std::size_t n)
{
    const char* from = m_pending.data() + m_pendingPos;
    std::memcpy(to, from, n);
    m_pendingPos += n;
    m_received += n;
    m_checksum = static_cast<std::uint32_t>(crc32(m_checksum, reinterpret_cast<const Bytef*>(from), static_cast<uInt>(n)));
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
    consume(buffer, n);
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
        const char* newline = findByte(from, take, '\n');
        if (newline != nullptr)
            take = static_cast<std::size_t>(newline - from) + 1;
        consume(buffer + length, take);
        length += take;
        if (newline != nullptr)
            break;
    }
    buffer[length] = '\0';
    return static_cast<int>(length);
}

} // namespace tarvo
