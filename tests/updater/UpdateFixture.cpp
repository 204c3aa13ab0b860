#include "updater/UpdateFixture.h"

#include "config/AuthHeaderBuilder.h"
#include "support/TarvoCipher.h"
#include "support/Tokenizer.h"

#include <filesystem>

namespace tarvo::test {

UpdateTest::UpdateTest()
{
    for (const char* folder : {"update", "backup", "log"})
        std::filesystem::create_directories(m_dir.path() / folder);
}

void UpdateTest::SetUp()
{
    ASSERT_TRUE(m_server.start());
    writeProfile(m_server.profileLines());
}

void UpdateTest::writeProfile(const std::string& profileSection, const std::string& tarvoSection)
{
    m_dir.write("synconfig.ini", "[Profile]\r\nProfileID=42\r\nCustomerID=7\r\n" + profileSection + "[Tarvo]\r\n" +
                                     tarvoSection);
    m_profile.setSettingsFile(m_dir.file("synconfig.ini"));
    m_profile.load();
    m_tags.fill({m_profile.customerId(), m_profile.profileId(), m_profile.phonebookId()}, "", std::nullopt);
}

UpdateOptions UpdateTest::options() const
{
    UpdateOptions options;
    options.baseDir = m_dir.path();
    options.httpTimeout = std::chrono::seconds(5);
    options.workerPriority = WorkerPriority::Normal;
    return options;
}

std::unique_ptr<UpdateService> UpdateTest::makeService(UpdateOptions options)
{
    return std::make_unique<UpdateService>(m_profile, m_tags, m_frontEnd, std::move(options));
}

int UpdateTest::runUpdate(UpdateOptions options)
{
    auto service = makeService(std::move(options));
    EXPECT_TRUE(service->start(m_observer));
    return service->wait();
}

std::vector<std::string> UpdateTest::log() const
{
    std::string text = m_dir.read("log/update.log");
    std::vector<std::string> lines;
    const std::string base = m_server.base();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "log record without CR LF: " << text.substr(start);
            break;
        }
        std::string line = text.substr(start, end - start);
        for (std::size_t at; (at = line.find(base)) != std::string::npos;)
            line.replace(at, base.size(), "$SERVER");
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> UpdateTest::logBody() const
{
    std::vector<std::string> lines = log();
    if (lines.size() < 3 || !lines[0].empty() || lines[1].rfind("** ", 0) != 0 ||
        lines[2].rfind("** Using ", 0) != 0) {
        ADD_FAILURE() << "no run header at the start of the log";
        return lines;
    }
    return {lines.begin() + 3, lines.end()};
}

std::set<std::string> UpdateTest::folder(const std::string& name) const
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path() / name))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace tarvo::test
