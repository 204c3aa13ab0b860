#include "support/HttpClient.h"

#include <algorithm>
#include <limits>

namespace tarvo {

namespace {

std::chrono::milliseconds toTimeout(long seconds, long micros)
{
    // A timeval may carry its microseconds past a second; round up so a
    // tiny positive timeout never becomes none.
    constexpr std::int64_t kMaxSeconds = std::numeric_limits<std::int32_t>::max();
    std::int64_t total = (std::min<std::int64_t>(seconds, kMaxSeconds) * 1000) +
                         (std::min<std::int64_t>(micros, kMaxSeconds) + 999) / 1000;
    if (seconds < 0 || micros < 0 || total <= 0)
        return HttpOptions::kDefaultTimeout;
    return std::chrono::milliseconds(total);
}

} // namespace

HttpHandle httpGet(const std::string& url, const std::string& headerLine, long timeoutSeconds, long timeoutMicros)
{
    HttpOptions options;
    options.connectTimeout = toTimeout(timeoutSeconds, timeoutMicros);
    options.idleTimeout = options.connectTimeout;
    return httpGet(url, headerLine, options);
}

HttpHandle httpGet(const std::string& url, const std::string& headerLine, const HttpOptions& options)
{
    return HttpConnection::open(url, headerLine, options);
}

int httpStatusCode(const HttpConnection* handle)
{
    return handle != nullptr ? handle->statusCode() : 0;
}

int httpSize(const HttpConnection* handle)
{
    if (handle == nullptr)
        return -1;
    std::int64_t length = handle->contentLength();
    return length >= 0 && length <= std::numeric_limits<int>::max() ? static_cast<int>(length) : -1;
}

int httpRecv(HttpConnection* handle, char* buffer, std::size_t max)
{
    return handle != nullptr ? handle->recv(buffer, max) : -1;
}

int httpRecvLn(HttpConnection* handle, char* buffer, std::size_t size)
{
    if (handle == nullptr) {
        if (buffer != nullptr && size > 0)
            buffer[0] = '\0';
        return -1;
    }
    return handle->recvLine(buffer, size);
}

void httpClose(HttpHandle& handle)
{
    handle.reset();
}

} // namespace tarvo
