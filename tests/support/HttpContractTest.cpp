// The HTTP client's contract, one body for each platform's client (libcurl
// on Linux, WinHTTP on Windows under Wine), against one server for both:
// tests/fixtures/contract-http-server, which ctest starts for the run.
#include "support/HttpClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

using namespace tarvo;
using namespace std::chrono_literals;

namespace {

class HttpContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ifstream port(TARVO_HTTP_CONTRACT_PORT_FILE);
        ASSERT_TRUE(port >> m_port) << "no contract server: run the tests through ctest";
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    static std::string body(HttpConnection& connection)
    {
        std::string out;
        char block[7];
        int n;
        while ((n = connection.recv(block, sizeof block)) >= 1)
            out.append(block, static_cast<std::size_t>(n));
        return n == 0 ? out : out + "<error>";
    }

    int m_port = 0;
};

} // namespace

TEST_F(HttpContract, aShortBodyWithItsLengthStatusAndChecksum)
{
    HttpHandle h = httpGet(url("/short"), "", 30, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(httpStatusCode(h), 200);
    EXPECT_EQ(httpSize(h), 11);
    EXPECT_EQ(body(*h), "short body\n");
    EXPECT_EQ(h->checksum(), 0x6D126329u) << "CRC-32 of the body";
    EXPECT_EQ(httpRecv(h, nullptr, 1), -1);

    HttpHandle lines = httpGet(url("/lines"), "", 30, 0);
    ASSERT_TRUE(lines);
    char line[5];
    EXPECT_EQ(httpRecvLn(lines, line, sizeof line), 4);
    EXPECT_STREQ(line, "one\n");
    EXPECT_EQ(httpRecvLn(lines, line, sizeof line), 4) << "a longer line comes in pieces";
    EXPECT_STREQ(line, "two\r");
    EXPECT_EQ(httpRecvLn(lines, line, sizeof line), 1);
    EXPECT_EQ(httpRecvLn(lines, line, sizeof line), 4);
    EXPECT_STREQ(line, "thre");
    EXPECT_EQ(httpRecvLn(lines, line, sizeof line), 1);
    EXPECT_EQ(httpRecvLn(lines, line, sizeof line), 0);

    HttpHandle chunked = httpGet(url("/chunked"), "", 30, 0);
    ASSERT_TRUE(chunked);
    EXPECT_EQ(httpSize(chunked), -1) << "no length announced";
    EXPECT_EQ(body(*chunked), "chunked body\n");

    HttpHandle missing = httpGet(url("/none"), "", 30, 0);
    ASSERT_TRUE(missing);
    EXPECT_EQ(httpStatusCode(missing), 404);
}

TEST_F(HttpContract, redirectsAreFollowedFiveTimesAndTheHeaderStaysWithItsHost)
{
    HttpHandle once = httpGet(url("/redirect"), "", 30, 0);
    ASSERT_TRUE(once);
    EXPECT_EQ(httpStatusCode(once), 200);
    EXPECT_EQ(body(*once), "short body\n");

    HttpHandle five = httpGet(url("/hops/5"), "", 30, 0);
    ASSERT_TRUE(five);
    EXPECT_EQ(body(*five), "arrived\n");
    HttpOpenResult six = HttpConnection::openWithReason(url("/hops/6"), "", {});
    EXPECT_FALSE(six.connection) << "one redirect too many is no answer";
    EXPECT_FALSE(six.failure.empty());

    HttpHandle same = httpGet(url("/header"), "Authorization: Basic dXNlcjpwdw==\r\n", 30, 0);
    ASSERT_TRUE(same);
    EXPECT_EQ(body(*same), "Basic dXNlcjpwdw==");
    HttpHandle elsewhere = httpGet(url("/elsewhere"), "Authorization: Basic dXNlcjpwdw==", 30, 0);
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(body(*elsewhere), "none") << "credentials never go to another host";

    EXPECT_FALSE(httpGet(url("/short"), "X-Smuggled: a\r\nHost: b", 30, 0)) << "a header line with a line break";
    EXPECT_FALSE(httpGet("ftp://127.0.0.1/short", "", 30, 0));
}

TEST_F(HttpContract, aBodyCutShortOrAStalledServerEndsInAnError)
{
    HttpHandle cut = httpGet(url("/cut"), "", 30, 0);
    ASSERT_TRUE(cut);
    EXPECT_EQ(httpSize(cut), 100);
    EXPECT_EQ(body(*cut), "0123456789<error>");

    HttpOptions shortWait;
    shortWait.idleTimeout = 300ms;
    HttpHandle stalled = httpGet(url("/stall"), "", shortWait);
    ASSERT_TRUE(stalled);
    EXPECT_EQ(body(*stalled), "0123456789<error>");
    EXPECT_NE(stalled->errorText().find("no data from the server"), std::string::npos) << stalled->errorText();
}

TEST_F(HttpContract, aCallerThatGivesUpLeavesAStalledTransferAtOnce)
{
    std::atomic<bool> cancelled{false};
    HttpOptions options;
    options.idleTimeout = 60s; // the abort, not the clock, ends it
    options.abort = [&cancelled] { return cancelled.load(); };
    HttpHandle stalled = httpGet(url("/stall"), "", options);
    ASSERT_TRUE(stalled);
    char block[64];
    EXPECT_EQ(httpRecv(stalled, block, sizeof block), 10);
    std::thread canceller([&cancelled] {
        std::this_thread::sleep_for(200ms);
        cancelled = true;
    });
    EXPECT_EQ(httpRecv(stalled, block, sizeof block), -1);
    canceller.join();
    EXPECT_EQ(stalled->errorText(), "transfer abandoned");
    EXPECT_EQ(httpRecv(stalled, block, sizeof block), -1) << "the end is sticky";
}
