#include "fixtures/TestAuthority.h"
#include "updater/UpdateFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using Lines = std::vector<std::string>;

TEST_F(UpdateTest, aServerWhoseCertificateDoesNotVerifyFailsThePassAndTheLogSaysWhy)
{
    TestAuthority authority;
    ASSERT_TRUE(authority.valid());
    PhonebookTestServer https(authority.selfSignedCertificate(), authority.selfSignedKey());
    https.put("/verce/42.ver", "a.txt,,1,0\r\n");
    ASSERT_TRUE(https.start());
    writeProfile(https.profileLines());

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    Lines body = logBody();
    ASSERT_EQ(body.size(), 5U);
    EXPECT_EQ(body[2], "Unable to get " + https.base() + "/verce/42.ver");
    EXPECT_NE(body[3].find("certificate"), std::string::npos) << body[3];
    EXPECT_EQ(body[4], "Update process failed -2");
    // Neither the request nor the credentials reached it.
    EXPECT_EQ(https.requests(), Lines{});
}

TEST_F(UpdateTest, aServerCertifiedByAnAuthorityInCurlCaBundleIsTrusted)
{
    TestAuthority authority;
    ASSERT_TRUE(authority.valid());
    write("ca.pem", authority.caPem());
    UpdateOptions trusting = options();
    trusting.caBundleFile = m_dir.file("ca.pem");
    PhonebookTestServer https(authority.serverCertificate(), authority.serverKey());
    https.put("/verce/42.ver", "a.txt,,1,0\r\n");
    https.put("/a.txt.1", "over TLS");
    ASSERT_TRUE(https.start());
    ASSERT_EQ(https.base().rfind("https://", 0), 0U);
    writeProfile(https.profileLines());

    EXPECT_EQ(runUpdate(trusting), UpdateService::kUpdated);
    EXPECT_EQ(read("update/a.txt.1"), "over TLS");
    EXPECT_EQ(https.requests(), (Lines{"/verce/42.ver", "/a.txt.1", "/verce/global.ver"}));
}
