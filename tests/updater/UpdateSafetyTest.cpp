#include "updater/UpdateFixture.h"

#include <filesystem>

using namespace tarvo;
using namespace tarvo::test;
using namespace std::string_literals;
using Lines = std::vector<std::string>;
using Names = std::set<std::string>;

namespace {

std::set<std::string> tree(const std::filesystem::path& root)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        names.insert(std::filesystem::relative(entry.path(), root).string());
    return names;
}

} // namespace

TEST_F(UpdateTest, hostileListEntriesAreRejectedAndNothingOutsideTheWorkingFoldersIsTouched)
{
    // The working folder sits one level down, so that a path that climbs
    // out would land beside it, where the test can see it.
    const std::filesystem::path work = m_dir.path() / "work";
    for (const char* folder : {"update", "backup", "log"})
        std::filesystem::create_directories(work / folder);
    m_dir.write("victim.txt", "must stay");
    m_dir.write("work/ok.txt", "installed");
    UpdateOptions inWork = options();
    inWork.baseDir = work;

    // Only the name reaches the disk; a folder part, whatever it holds,
    // only goes into the URL.
    const std::string hostile = "../victim.txt,L,1,0\r\n"
                                "/etc/passwd,,1,0\r\n"
                                "c:/books/ok2.txt,,1,0\r\n"
                                "..\\victim.txt,,1,0\r\n"
                                "nul\0.txt,,1,0\r\n"s
                                "..,L,1,0\r\n"
                                "sub/../../victim.txt,,1,0\r\n"
                                "books/,,1,0\r\n"
                                "bad:name.txt,,1,0\r\n"
                                "esc\x1b[2J.txt,,1,0\r\n"
                                "42.ver,,1,0\r\n"
                                "three.txt,,1\r\n"
                                "ok.txt,,1,0\r\n";
    m_server.put("/verce/42.ver", hostile);
    m_server.put("/ok.txt.1", "new");
    // libcurl takes the dot segments out of the URL.
    for (const char* path : {"/victim.txt.1", "//etc/passwd.1", "/c:/books/ok2.txt.1"})
        m_server.put(path, "served");

    EXPECT_EQ(runUpdate(inWork), UpdateService::kUpdated);

    std::string text = m_dir.read("work/log/update.log");
    EXPECT_NE(text.find("Rejected entry ..\\victim.txt,,1,0 (backslash in the name)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Rejected entry nul\\x00.txt,,1,0 (NUL in the path)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Rejected entry ..,L,1,0 (dots for a name)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Rejected entry sub/../../victim.txt,,1,0 (duplicate name)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Rejected entry books/,,1,0 (no file name)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Rejected entry bad:name.txt,,1,0 (colon in the name)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Rejected entry esc\\x1B[2J.txt,,1,0 (control character in the path)\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Rejected entry 42.ver,,1,0 (name of a version list)\r\n"), std::string::npos);
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << "a control character reached the log";
    EXPECT_EQ(text.find("three.txt"), std::string::npos); // too short to be an entry: skipped quietly
    EXPECT_NE(text.find("Update process succeeded"), std::string::npos);

    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/victim.txt.1", "//etc/passwd.1", "/c:/books/ok2.txt.1",
                                          "/ok.txt.1", "/verce/global.ver"}));
    EXPECT_EQ(m_dir.read("victim.txt"), "must stay");
    EXPECT_EQ(tree(m_dir.path()),
              (Names{"synconfig.ini", "victim.txt", "work", "work/ok.txt", "work/update", "work/update/victim.txt.1",
                     "work/update/passwd.1", "work/update/ok2.txt.1", "work/update/ok.txt.1", "work/update/42.ver",
                     "work/backup", "work/backup/ok.txt", "work/log", "work/log/update.log", "update", "backup",
                     "log"}));
    EXPECT_EQ(m_dir.read("work/update/42.ver"), "../victim.txt,L,1,0\r\n/etc/passwd,,1,0\r\nc:/books/ok2.txt,,1,0\r\n"
                                                "ok.txt,,1,0");
}

TEST_F(UpdateTest, overlongListLinesAreRejectedWholeSoTheirTailsPoseAsNoEntry)
{
    // 300 characters: the receive buffer hands the line out in two pieces,
    // and the second would read as an entry of its own.
    const std::string longLine = std::string(270, 'x') + ",,1,0,tail.txt,,1,0";
    m_server.put("/verce/42.ver", longLine + "\r\nok.txt,,1,0\r\n");
    m_server.put("/ok.txt.1", "ok");
    write("42.ver", std::string(400, 'y') + ",,1,0\r\nlocal.txt,,1,0\r\n");

    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    Lines body = logBody();
    EXPECT_EQ(body[1], "(42.ver)");
    EXPECT_EQ(body[2], "Rejected entry " + std::string(259, 'y') + "... (line too long)");
    EXPECT_EQ(body[3], "Rejected entry " + std::string(259, 'x') + "... (line too long)");
    EXPECT_EQ(body[4], "Retrieving $SERVER/ok.txt.1");
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/ok.txt.1", "/verce/global.ver"}));
}

TEST_F(UpdateTest, aListThatBreaksOffFailsThePassInsteadOfPruningTheStoredList)
{
    write("42.ver", "a.txt,,1,0\r\nb.txt,,1,0\r\n");
    m_server.put("/verce/42.ver",
                 Served{.body = "a.txt,,2,0\r\nb.tx", .announced = 400, .fault = Served::Fault::Drop});

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    Lines body = logBody();
    ASSERT_EQ(body.size(), 5U);
    EXPECT_EQ(body[2], "Unable to get $SERVER/verce/42.ver");
    EXPECT_FALSE(body[3].empty()); // libcurl's reason
    EXPECT_EQ(body[4], "Update process failed -2");
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver"}));
    EXPECT_EQ(folder("update"), Names{});
}

TEST_F(UpdateTest, aPassPrunesDroppedEntriesAndSkipsBackupsOfFilesNotInstalled)
{
    write("42.ver", "a.txt,,1,0\r\nb.txt,,1,0\r\nc.txt,,1,0\r\nd.txt,,1,0");
    write("a.txt", "installed a");
    m_server.put("/verce/42.ver", "a.txt,,2,0\r\nd.txt,,2,0\r\nnew.txt,,1,0\r\n");
    m_server.put("/a.txt.2", "a2");
    m_server.put("/d.txt.2", "d2");
    m_server.put("/new.txt.1", "n1");

    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(read("update/42.ver"), "a.txt,,2,0\r\nd.txt,,2,0\r\nnew.txt,,1,0");
    EXPECT_EQ(folder("backup"), (Names{"42.ver", "a.txt"}));
    EXPECT_EQ(read("backup/a.txt"), "installed a");
}
