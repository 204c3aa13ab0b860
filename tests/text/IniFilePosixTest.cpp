// The settings file where the platform has file permissions that the
// program cannot get past (Linux; root acts as an unprivileged user).
#include "text/IniFile.h"

#include "fixtures/TempDir.h"
#include "support/AtomicFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvo;
using tarvo::test::TempDir;

namespace {

// Root reads every file: for the test it acts as an unprivileged user.
class ScopedUnprivileged final {
public:
    ScopedUnprivileged() : m_wasRoot(::geteuid() == 0)
    {
        if (m_wasRoot && ::seteuid(65534) != 0)
            m_wasRoot = false;
    }
    ScopedUnprivileged(const ScopedUnprivileged&) = delete;
    ScopedUnprivileged& operator=(const ScopedUnprivileged&) = delete;
    ~ScopedUnprivileged()
    {
        if (m_wasRoot && ::seteuid(0) != 0)
            std::abort();
    }

private:
    bool m_wasRoot;
};

} // namespace

TEST(IniFilePermissions, writeNeverReplacesAFileItCannotRead)
{
    TempDir dir;
    dir.write("s.ini", "[S]\r\nkeep=me\r\n");
    IniFile ini(dir.file("s.ini"));
    // The folder stays writable, so the file could be replaced by a rename.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(dir.file("s.ini").c_str(), 0), 0);
    {
        ScopedUnprivileged user;
        std::string probe;
        if (readWholeFile(dir.file("s.ini"), probe))
            GTEST_SKIP() << "this user reads unreadable files";
        EXPECT_FALSE(ini.writeString("S", "k", "v"));
    }
    ASSERT_EQ(::chmod(dir.file("s.ini").c_str(), 0600), 0);
    EXPECT_EQ(dir.read("s.ini"), "[S]\r\nkeep=me\r\n");
}

