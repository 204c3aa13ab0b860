#pragma once

#include "support/HttpConnection.h"

#include <cstddef>
#include <memory>
#include <string>

namespace tarvo {

// The support library's HTTP calls, as the update service uses them:
//
//     HttpHandle h = httpGet(url, authHeader, 30, 0);
//     if (!h) ... no connection
//     if (httpStatusCode(h) != 200) ...
//     int size = httpSize(h);
//     while ((n = httpRecv(h, buffer, sizeof buffer)) >= 1) ...
//     std::uint32_t sum = h->checksum();
//     httpClose(h);
//
// The handle owns the connection; dropping it closes the connection too, so
// HttpClose is only needed to close early. All calls take a null handle and
// then report the end (or -1 / 0).
using HttpHandle = std::unique_ptr<HttpConnection>;

// GET `url` (http:// or https://). A non-empty `headerLine` such as
// "Authorization: Basic dXNlcjpwdw==" goes with the request. The timeout
// (seconds plus microseconds, 30 and 0 in the program) limits both reaching
// the server and each wait for more data from it; zero or less means 30 s.
// Null: no connection (refused, unknown host, no answer within the timeout).
[[nodiscard]] HttpHandle httpGet(const std::string& url, const std::string& headerLine, long timeoutSeconds,
                                 long timeoutMicros);
// The same with the connection's options spelled out: a caller that keeps
// its timeouts as options (the update service, which tests run with short
// ones) passes them here.
[[nodiscard]] HttpHandle httpGet(const std::string& url, const std::string& headerLine, const HttpOptions& options);

// The HTTP status of the response; 0 for a null handle.
[[nodiscard]] int httpStatusCode(const HttpConnection* handle);
// The body length the server announced. -1 when it announced none (chunked
// or close-delimited bodies), or when the length does not fit an int; a
// server that announces its length (as the version lists and files must)
// gives 0 for an empty body.
[[nodiscard]] int httpSize(const HttpConnection* handle);
// Next body bytes, at most `max`: n >= 1; 0 at the end of the body; -1 on an
// error or when the server sent nothing for the timeout.
[[nodiscard]] int httpRecv(HttpConnection* handle, char* buffer, std::size_t max);
// Next body line with its line end and a NUL, at most `size` - 1 bytes (a
// longer line comes in pieces): n >= 1; below 1 the end, as HttpRecv.
[[nodiscard]] int httpRecvLn(HttpConnection* handle, char* buffer, std::size_t size);
// Closes the connection at once, also in the middle of the body.
void httpClose(HttpHandle& handle);

inline int httpStatusCode(const HttpHandle& handle) { return httpStatusCode(handle.get()); }
inline int httpSize(const HttpHandle& handle) { return httpSize(handle.get()); }
inline int httpRecv(const HttpHandle& handle, char* buffer, std::size_t max)
{
    return httpRecv(handle.get(), buffer, max);
}
inline int httpRecvLn(const HttpHandle& handle, char* buffer, std::size_t size)
{
    return httpRecvLn(handle.get(), buffer, size);
}

} // namespace tarvo
