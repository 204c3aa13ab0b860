// The local protocol between tarvo-cehub and the programs that ask it for a
// handheld: the lines both ways, and what is refused.
#include "ceproto/CeHubProtocol.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(CeHubProtocol, requestsAndAnswersCarryTextAsHex)
{
    EXPECT_EQ(CeHubProtocol::connectRequest("", ""), "connect\n");
    EXPECT_EQ(CeHubProtocol::connectRequest("Po ck", "p\xC3\xA9"), "connect device=506f20636b password=70c3a9\n");
    CeHubProtocol::Request request = CeHubProtocol::parseRequest("connect device=506f20636b password=70c3a9");
    EXPECT_EQ(request.kind, CeHubProtocol::Request::Kind::Connect);
    EXPECT_EQ(request.device, "Po ck");
    EXPECT_EQ(request.password, "p\xC3\xA9");
    EXPECT_EQ(CeHubProtocol::parseRequest("devices").kind, CeHubProtocol::Request::Kind::Devices);
    for (const char* bad : {"", "connect device=5", "connect device=zz", "connect colour=00", "connect x",
                            "devices now", "CONNECT"})
        EXPECT_EQ(CeHubProtocol::parseRequest(bad).kind, CeHubProtocol::Request::Kind::Invalid) << bad;

    EXPECT_EQ(CeHubProtocol::okAnswer(5, 1, "PPC"), "ok 5 1 505043\n");
    std::optional<CeHubProtocol::Answer> ok = CeHubProtocol::parseAnswer("ok 5 1 505043");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->ok);
    EXPECT_EQ(ok->osMajor, 5u);
    EXPECT_EQ(ok->osMinor, 1u);
    EXPECT_EQ(ok->name, "PPC");
    std::optional<CeHubProtocol::Answer> nameless = CeHubProtocol::parseAnswer("ok 6 0 ");
    ASSERT_TRUE(nameless);
    EXPECT_EQ(nameless->name, "");
    std::optional<CeHubProtocol::Answer> refused = CeHubProtocol::parseAnswer("error password-required");
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->ok);
    EXPECT_EQ(refused->error, CeHubProtocol::kErrorPasswordRequired);
    for (const char* bad : {"ok", "ok five 1 00", "ok 5 1 0", "fine 5 1 00", "error", "ok 5 1 00 extra"})
        EXPECT_FALSE(CeHubProtocol::parseAnswer(bad)) << bad;
}

TEST(CeHubProtocol, theDefaultSocketFollowsTheRuntimeFolder)
{
    EXPECT_EQ(CeHubProtocol::defaultSocketPath("/run/user/1000"), "/run/user/1000/tarvo-cehub.sock");
    EXPECT_EQ(CeHubProtocol::defaultSocketPath(""), "/run/tarvo-cehub/socket");
}

} // namespace
} // namespace tarvo
