#include "config/ProfileConfig.h"
#include "pbserver/PhonebookServer.h"
#include "pbserver/Publisher.h"
#include "fixtures/Enciphered.h"
#include "fixtures/Gzip.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/RecordingObserver.h"
#include "fixtures/TempDir.h"
#include "fixtures/TestAuthority.h"
#include "text/TagExpander.h"
#include "updater/UpdateService.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <thread>

using namespace tarvo;
using namespace tarvo::pbserver;
using namespace tarvo::test;

namespace {

// The server on a thread of its own for the life of the object.
class RunningServer {
public:
    explicit RunningServer(ServerOptions options) : m_server(std::move(options))
    {
        if (!m_server.problem().empty() || !m_server.bind())
            return;
        m_thread = std::thread([this] { m_server.listen(); });
        while (!m_server.running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~RunningServer()
    {
        if (m_thread.joinable()) {
            m_server.stop();
            m_thread.join();
        }
    }
    bool up() const { return m_thread.joinable(); }
    std::string url() const { return m_server.url(); }

private:
    PhonebookServer m_server;
    std::thread m_thread;
};

// The update service over a working folder, configured for one server.
struct Dialer {
    TempDir dir;
    ProfileConfig profile;
    TagExpander tags;
    RecordingFrontEnd frontEnd;
    RecordingObserver observer;

    explicit Dialer(const std::string& url)
    {
        for (const char* folder : {"update", "backup", "log"})
            std::filesystem::create_directories(dir.path() / folder);
        dir.write("synconfig.ini", "[Profile]\r\nProfileID=42\r\nPBServer=2\r\nPhonebookURL1=" + url +
                                       "\r\nPhonebookUserID=" + enciphered("operator") +
                                       "\r\nPhonebookPassword=" + enciphered("pw") + "\r\n");
        profile.setSettingsFile(dir.file("synconfig.ini"));
        profile.load();
        tags.fill({0, 42, 0}, "", std::nullopt);
    }

    int update(const std::string& caBundleFile = {})
    {
        UpdateOptions options;
        options.caBundleFile = caBundleFile;
        options.baseDir = dir.path();
        options.workerPriority = WorkerPriority::Normal;
        UpdateService service(profile, tags, frontEnd, options);
        EXPECT_TRUE(service.start(observer));
        return service.wait();
    }
};

} // namespace

TEST(PhonebookServer, publishedFilesReachTheUpdateServiceIntact)
{
    TempDir source;
    TempDir root;
    const std::string phonebook = "#VER 13\nUS,TX,Austin,512,5550100\r\nUS,TX,Dallas,214,5550101\n";
    std::string binary(300000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) >> 3);
    source.write("pbook.txt", phonebook);
    source.write("logo.bin", binary);

    PublishOptions publishing;
    publishing.source = source.path();
    publishing.root = root.path();
    publishing.list = "42.ver";
    publishing.major = 13;
    publishing.compressed = {"pbook.txt"};
    publishing.text = {"pbook.txt"};
    publishing.dropLog = {"logo.bin"};
    Publisher::Result published = Publisher::publish(publishing);
    ASSERT_EQ(published.error, "");

    const std::string packed = root.read("pbook.txt.13");
    EXPECT_EQ(gunzipped(packed), phonebook);
    EXPECT_EQ(root.read("logo.bin.13"), binary);
    const std::vector<std::string> lines = {"logo.bin,L,13,0," + std::to_string(crc32Of(binary)),
                                            "pbook.txt,CA,13,0," + std::to_string(crc32Of(packed))};
    EXPECT_EQ(published.lines, lines);
    EXPECT_EQ(root.read("verce/42.ver"), lines[0] + "\r\n" + lines[1] + "\r\n");

    RunningServer server({root.path(), "127.0.0.1", 0, "operator", "pw", "", ""});
    ASSERT_TRUE(server.up());
    // An address configured with a trailing '/' asks for "//verce/42.ver".
    Dialer dialer(server.url() + "/");
    EXPECT_EQ(dialer.update(), UpdateService::kUpdated);
    EXPECT_EQ(dialer.dir.read("update/logo.bin.13"), binary);
    EXPECT_EQ(dialer.dir.read("update/pbook.txt.13"),
              "#VER 13\r\nUS,TX,Austin,512,5550100\r\nUS,TX,Dallas,214,5550101\r\n");
    EXPECT_EQ(dialer.dir.read("update/42.ver"), lines[0] + "\r\n" + lines[1]);
}

TEST(PhonebookServer, refusesRequestsWithoutTheCredentialsAndPathsOutsideItsFolder)
{
    TempDir root;
    root.write("served/verce/global.ver", "a.txt,,1,0\r\n");
    root.write("secret.txt", "not served");
    RunningServer server({root.path() / "served", "127.0.0.1", 0, "operator", "pw", "", ""});
    ASSERT_TRUE(server.up());

    httplib::Client client(server.url());
    EXPECT_EQ(client.Get("/verce/global.ver")->status, 401);
    client.set_basic_auth("operator", "wrong");
    EXPECT_EQ(client.Get("/verce/global.ver")->status, 401);
    client.set_basic_auth("operator", "pw");
    auto list = client.Get("/verce/global.ver");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->status, 200);
    EXPECT_EQ(list->body, "a.txt,,1,0\r\n");
    EXPECT_EQ(list->get_header_value("Content-Length"), "12");
    EXPECT_EQ(client.Get("/verce/missing.ver")->status, 404);
    EXPECT_EQ(client.Get("//verce//global.ver")->body, "a.txt,,1,0\r\n");
    EXPECT_EQ(client.Get("//")->status, 400);
    for (const char* path : {"/../secret.txt", "/verce/../../secret.txt", "/%2e%2e/secret.txt", "/verce/..%5c..%5csecret.txt"}) {
        auto answer = client.Get(path);
        ASSERT_TRUE(answer) << path;
        EXPECT_NE(answer->status, 200) << path;
        EXPECT_EQ(answer->body.find("not served"), std::string::npos) << path;
    }
}

TEST(PhonebookServer, servesHttpsWithAGivenCertificate)
{
    TestAuthority authority;
    ASSERT_TRUE(authority.valid());
    TempDir root;
    root.write("cert.pem", authority.serverCertificatePem());
    root.write("key.pem", authority.serverKeyPem());
    root.write("ca.pem", authority.caPem());
    root.write("served/verce/global.ver", "a.txt,,1,0\r\n");
    root.write("served/a.txt.1", "secured");
    RunningServer server({root.path() / "served", "127.0.0.1", 0, "operator", "pw", root.file("cert.pem"),
                          root.file("key.pem")});
    ASSERT_TRUE(server.up());
    ASSERT_EQ(server.url().rfind("https://127.0.0.1:", 0), 0U);

    // An address configured with a trailing '/' asks for "//verce/42.ver".
    Dialer dialer(server.url() + "/");
    EXPECT_EQ(dialer.update(root.file("ca.pem")), UpdateService::kUpdated);
    EXPECT_EQ(dialer.dir.read("update/a.txt.1"), "secured");

    PhonebookServer broken({root.path(), "127.0.0.1", 0, "", "", root.file("cert.pem"), root.file("missing.pem")});
    EXPECT_NE(broken.problem(), "");
}
