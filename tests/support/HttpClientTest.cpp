#include "support/HttpClient.h"

#include "fixtures/Gzip.h"
#include "fixtures/HttpTestServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace tarvo;
using namespace std::chrono_literals;
using namespace tarvo::test;

namespace {

// Bytes of every value, NULs and line ends included, in no regular pattern.
std::string patternBody(std::size_t size)
{
    std::string body(size, '\0');
    std::uint32_t x = 2463534242U;
    for (char& c : body) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return body;
}

std::string readAll(const HttpHandle& handle, std::size_t block, int* last = nullptr)
{
    std::string body;
    std::vector<char> buffer(block);
    int n;
    while ((n = httpRecv(handle, buffer.data(), buffer.size())) >= 1) {
        EXPECT_LE(static_cast<std::size_t>(n), block);
        body.append(buffer.data(), static_cast<std::size_t>(n));
    }
    if (last != nullptr)
        *last = n;
    return body;
}

const std::string kBigBody = patternBody(1 << 20);
const std::string kLongLine = std::string(700, 'x') + "\n";
const std::string kLinesBody = "first\r\n" + kLongLine + "\n" + std::string(259, 'y') + "\nlast, without end";

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& r = server.routes();
        r.Get("/ok", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("hello, world\n", "text/plain");
        });
        r.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/plain"); });
        r.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        r.Get("/broken", [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
        r.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kBigBody, "application/octet-stream");
        });
        r.Get("/lines", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kLinesBody, "text/plain");
        });
        r.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](std::size_t offset, httplib::DataSink& sink) {
                if (offset >= 30000) {
                    sink.done();
                    return true;
                }
                std::string piece = kBigBody.substr(offset, 10000);
                return sink.write(piece.data(), piece.size());
            });
        });
        r.Get("/auth", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.has_header("Authorization") ? req.get_header_value("Authorization") : "none",
                            "text/plain");
        });
        r.Get(R"(/files/(.*))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.path, "text/plain");
        });
        r.Get("/moved", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/ok"); });
        // Announces 1000 bytes, sends 100, then nothing until the server stops.
        r.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000, "text/plain", [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write(kBigBody.data(), 100);
                server.stallUntilStopped();
                return false;
            });
        });
        // Announces 100 bytes, sends 90 and hangs up.
        r.Get("/short", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(100, "text/plain", [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write(kBigBody.data(), 90);
                return false;
            });
        });
        // 100 bytes, a pause of 1.5 s, then 50 more.
        r.Get("/pause", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(150, "text/plain", [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset > 0)
                    std::this_thread::sleep_for(1500ms);
                return sink.write(kBigBody.data() + offset, offset == 0 ? 100 : 50);
            });
        });
        // A body without end; notes when the client has gone away.
        r.Get("/endless", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream",
                [](std::size_t, httplib::DataSink& sink) { return sink.write(kBigBody.data(), 16384); },
                [this](bool) { endlessFinished = true; });
        });
        ASSERT_TRUE(server.start());
    }

    std::atomic<bool> endlessFinished{false};
    HttpTestServer server;
};

TEST_F(HttpClientTest, statusAndAnnouncedLengthComeWithTheHandle)
{
    HttpHandle ok = httpGet(server.url("/ok"), "", 30, 0);
    ASSERT_TRUE(ok);
    EXPECT_EQ(httpStatusCode(ok), 200);
    EXPECT_EQ(httpSize(ok), 13);
    EXPECT_EQ(readAll(ok, 1024), "hello, world\n");

    HttpHandle missing = httpGet(server.url("/missing"), "", 30, 0);
    ASSERT_TRUE(missing);
    EXPECT_EQ(httpStatusCode(missing), 404);
    EXPECT_EQ(readAll(missing, 1024), "not here");

    HttpHandle broken = httpGet(server.url("/broken"), "", 30, 0);
    ASSERT_TRUE(broken);
    EXPECT_EQ(httpStatusCode(broken), 500);

    HttpHandle empty = httpGet(server.url("/empty"), "", 30, 0);
    ASSERT_TRUE(empty);
    EXPECT_EQ(httpSize(empty), 0);
    char byte;
    EXPECT_EQ(httpRecv(empty, &byte, 1), 0);
    EXPECT_EQ(httpRecv(empty, &byte, 1), 0) << "the end stays the end";
}

TEST_F(HttpClientTest, redirectIsFollowedToTheFinalResponse)
{
    HttpHandle h = httpGet(server.url("/moved"), "", 30, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(httpStatusCode(h), 200);
    EXPECT_EQ(readAll(h, 1024), "hello, world\n");
}

TEST_F(HttpClientTest, largeBodyArrivesIntactInSmallBlocksWithItsChecksum)
{
    HttpHandle h = httpGet(server.url("/big"), "", 30, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(httpSize(h), static_cast<int>(kBigBody.size()));
    int last = 1;
    std::string body = readAll(h, 1024, &last);
    EXPECT_EQ(last, 0);
    ASSERT_EQ(body.size(), kBigBody.size());
    EXPECT_TRUE(body == kBigBody);
    EXPECT_EQ(h->checksum(), crc32Of(kBigBody));
    EXPECT_EQ(h->received(), kBigBody.size());

    // Odd block sizes split libcurl's chunks unevenly; the bytes must not care.
    HttpHandle odd = httpGet(server.url("/big"), "", 30, 0);
    ASSERT_TRUE(odd);
    EXPECT_TRUE(readAll(odd, 7777) == kBigBody);
}

TEST_F(HttpClientTest, bodyWithoutAnnouncedLengthReportsMinusOne)
{
    HttpHandle h = httpGet(server.url("/chunked"), "", 30, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(httpSize(h), -1);
    std::string body = readAll(h, 1024);
    EXPECT_TRUE(body == kBigBody.substr(0, 30000));
    EXPECT_EQ(h->checksum(), crc32Of(body));
}

TEST_F(HttpClientTest, linesComeWithTheirEndsAndLongOnesInPieces)
{
    HttpHandle h = httpGet(server.url("/lines"), "", 30, 0);
    ASSERT_TRUE(h);
    char buffer[260];
    std::vector<std::string> lines;
    int n;
    while ((n = httpRecvLn(h, buffer, sizeof buffer)) >= 1) {
        ASSERT_LE(n, 259);
        EXPECT_EQ(buffer[n], '\0');
        lines.emplace_back(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(n, 0);
    std::vector<std::string> expected = {"first\r\n",
                                         std::string(259, 'x'),
                                         std::string(259, 'x'),
                                         std::string(182, 'x') + "\n",
                                         "\n",
                                         std::string(259, 'y'),
                                         "\n",
                                         "last, without end"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(h->checksum(), crc32Of(kLinesBody));
}

TEST_F(HttpClientTest, tinyLineBufferStillMakesProgress)
{
    HttpHandle h = httpGet(server.url("/ok"), "", 30, 0);
    ASSERT_TRUE(h);
    char buffer[2];
    std::string joined;
    int n;
    while ((n = httpRecvLn(h, buffer, sizeof buffer)) >= 1) {
        ASSERT_EQ(n, 1);
        joined += buffer[0];
    }
    EXPECT_EQ(joined, "hello, world\n");
    char none[1];
    EXPECT_LT(httpRecvLn(h, none, sizeof none), 1) << "no room for a byte and the NUL";
}

TEST_F(HttpClientTest, headerLineReachesTheServerAndEmptyOneSendsNothing)
{
    HttpHandle h = httpGet(server.url("/auth"), "Authorization: Basic dXNlcjpwYXNz", 30, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(readAll(h, 1024), "Basic dXNlcjpwYXNz");

    HttpHandle withLineEnd = httpGet(server.url("/auth"), "Authorization: Basic YQ==\r\n", 30, 0);
    ASSERT_TRUE(withLineEnd);
    EXPECT_EQ(readAll(withLineEnd, 1024), "Basic YQ==");

    HttpHandle without = httpGet(server.url("/auth"), "", 30, 0);
    ASSERT_TRUE(without);
    EXPECT_EQ(readAll(without, 1024), "none");

    EXPECT_FALSE(httpGet(server.url("/auth"), "Authorization: Basic YQ==\r\nX-Smuggled: 1", 30, 0))
        << "a line break inside the header line would add a header of the caller's data";
}

TEST_F(HttpClientTest, namesWithBlanksAndEightBitBytesAreSentEncoded)
{
    HttpHandle h = httpGet(server.url("/files/my phone book.txt"), "", 30, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(httpStatusCode(h), 200);
    EXPECT_EQ(readAll(h, 1024), "/files/my phone book.txt");

    HttpHandle latin = httpGet(server.url("/files/caf\xE9%41"), "", 30, 0);
    ASSERT_TRUE(latin);
    EXPECT_EQ(readAll(latin, 1024), "/files/caf\xE9" "A") << "an existing escape stays an escape";
}

TEST_F(HttpClientTest, noConnectionGivesNull)
{
    int port = tarvo::test::UnusedLoopbackPort();
    ASSERT_GT(port, 0);
    EXPECT_FALSE(httpGet("http://127.0.0.1:" + std::to_string(port) + "/ok", "", 30, 0));
    EXPECT_FALSE(httpGet("", "", 30, 0));
    EXPECT_FALSE(httpGet("ftp://127.0.0.1:" + std::to_string(server.port()) + "/ok", "", 30, 0))
        << "only http and https";
    HttpHandle none;
    char buffer[8];
    EXPECT_EQ(httpStatusCode(none), 0);
    EXPECT_EQ(httpRecv(none, buffer, sizeof buffer), -1);
    EXPECT_EQ(httpRecvLn(none, buffer, sizeof buffer), -1);
    httpClose(none);
}

TEST_F(HttpClientTest, serverThatStopsSendingTimesOutWithAnError)
{
    auto started = std::chrono::steady_clock::now();
    HttpHandle h = httpGet(server.url("/stall"), "", 0, 300000);
    ASSERT_TRUE(h);
    EXPECT_EQ(httpStatusCode(h), 200);
    EXPECT_EQ(httpSize(h), 1000);
    int last = 1;
    std::string body = readAll(h, 1024, &last);
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(body.size(), 100U);
    EXPECT_EQ(last, -1) << "a stall is an error, not the end of the body";
    EXPECT_GE(elapsed, 300ms);
    EXPECT_LT(elapsed, 10s) << "the 0.3 s timeout was not applied";
    EXPECT_FALSE(h->errorText().empty());
}

TEST_F(HttpClientTest, bodyCutShortOfItsLengthEndsWithAnError)
{
    HttpHandle h = httpGet(server.url("/short"), "", 30, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(httpSize(h), 100);
    int last = 1;
    std::string body = readAll(h, 1024, &last);
    EXPECT_EQ(body.size(), 90U);
    EXPECT_EQ(last, -1);
}

TEST_F(HttpClientTest, timeSpentByTheCallerBetweenReadsIsNotIdleTime)
{
    // The server pauses 1.5 s after the first piece; the caller spends 1.2 s
    // of that itself, so the connection waits only 0.3 s of its 1 s.
    HttpHandle h = httpGet(server.url("/pause"), "", 1, 0);
    ASSERT_TRUE(h);
    char buffer[1024];
    ASSERT_EQ(httpRecv(h, buffer, sizeof buffer), 100);
    std::this_thread::sleep_for(1200ms);
    int last = 1;
    std::string rest = readAll(h, 1024, &last);
    EXPECT_EQ(rest.size(), 50U) << h->errorText();
    EXPECT_EQ(last, 0);
}

TEST_F(HttpClientTest, closingInTheMiddleOfAnEndlessBodyDropsTheConnection)
{
    HttpHandle h = httpGet(server.url("/endless"), "", 30, 0);
    ASSERT_TRUE(h);
    char buffer[1024];
    for (int i = 0; i < 50; ++i)
        ASSERT_GE(httpRecv(h, buffer, sizeof buffer), 1);
    httpClose(h);
    EXPECT_FALSE(h);
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!endlessFinished && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(endlessFinished) << "the server still sends to a closed handle";
}

TEST(HttpClientTimeout, serverThatNeverAnswersGivesNullWithinTheCallersTimeout)
{
    // Accepts connections (through the backlog) but never reads or answers.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/list.ver";

    // As seconds and microseconds, and as options: both bound the wait.
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(httpGet(url, "", 0, 400000));
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_GE(elapsed, 400ms);
    EXPECT_LT(elapsed, 10s) << "the 400 ms timeout was not applied";

    HttpOptions options;
    options.connectTimeout = 300ms;
    options.idleTimeout = 300ms;
    started = std::chrono::steady_clock::now();
    EXPECT_FALSE(httpGet(url, "", options));
    elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_GE(elapsed, 300ms);
    EXPECT_LT(elapsed, 10s) << "the options' timeout was not applied";
    ::close(fd);
}

} // namespace
