// The file services' contract (and the byte search the readers use), one body for each platform's implementation
// (the POSIX one on Linux, the Win32 one on Windows under Wine).
#include "support/AtomicFile.h"
#include "support/BoundedFileRead.h"
#include "support/ByteSearch.h"
#include "support/DiskSpace.h"
#include "support/FileHandle.h"
#include "support/FileInfo.h"
#include "support/LineReader.h"
#include "support/NativePath.h"
#include "support/PathJoin.h"
#include "support/ReadOnlyFile.h"

#include "fixtures/ChildProcess.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using namespace tarvo;
using tarvo::test::ChildProcess;
using tarvo::test::TempDir;

namespace {

// "Tarvo Café" as the program holds a path: UTF-8 on Linux, ANSI on Windows.
std::string cafeFolder(const TempDir& dir)
{
    return pathText(dir.path() / std::filesystem::path(u8"Tarvo Caf\u00e9"));
}

} // namespace

TEST(PlatformFiles, aReplacementNeverMixesWithAReaderAndTakesPlaceOnceTheReaderLetsGo)
{
    TempDir dir;
    const std::string path = dir.file("cepbook.txt");
    const std::string old(100000, 'o');
    dir.write("cepbook.txt", old);

    FilePtr reader = openFile(path, "rb");
    ASSERT_TRUE(reader);
    std::string seen(old.size() / 2, '\0');
    ASSERT_EQ(std::fread(seen.data(), 1, seen.size(), reader.get()), seen.size());
    // The writer may have to wait for the reader (Windows without POSIX
    // renames): it runs beside it, and the reader lets go in a moment.
    bool replaced = false;
    std::thread writer([&] { replaced = writeFileAtomically(path, "new"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string rest(old.size(), '\0');
    rest.resize(std::fread(rest.data(), 1, rest.size(), reader.get()));
    reader.reset();
    writer.join();

    EXPECT_TRUE(seen + rest == old) << "the reader saw the old file whole";
    EXPECT_TRUE(replaced);
    EXPECT_EQ(dir.read("cepbook.txt"), "new");
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path().string()), 0U);
}

TEST(PlatformFiles, aKilledWritersLeftoverGoesAndALiveWritersStays)
{
    TempDir dir;
    ChildProcess killed({tarvo::test::testChildProgram(), "write-unfinished", dir.file("cepbook.txt")},
                        dir.file("killed.out"));
    ASSERT_EQ(killed.wait(), 0);
    ChildProcess live({tarvo::test::testChildProgram(), "write-when", dir.file("go"), dir.file("city.txt"), "mine"},
                      dir.file("live.out"));
    ASSERT_TRUE(tarvo::test::waitForLine(dir.file("live.out"), "ready"));

    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path().string()), 1U) << "the killed writer's file only";
    dir.write("go", "");
    EXPECT_EQ(live.wait(), 0);
    EXPECT_EQ(dir.read("city.txt"), "mine");
    EXPECT_FALSE(dir.exists("cepbook.txt"));
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path().string()), 0U);
}

TEST(PlatformFiles, aFolderNamedOutsideAsciiIsReadAndWrittenUnderItsOwnName)
{
    TempDir dir;
    const std::string folder = cafeFolder(dir);
    EXPECT_EQ(makeFolder(folder), "");
    EXPECT_TRUE(fileInfo(folder).isFolder());
    const std::string file = joinPath(folder, "config.ini");
    ASSERT_TRUE(writeFileAtomically(file, "[Profile]\r\nDialerVersionNo=9\r\n"));
    // The name the file system holds is the real one, not its bytes taken
    // for some other code page.
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / std::filesystem::path(u8"Tarvo Caf\u00e9") / "config.ini"));

    const FileInfo info = fileInfo(file);
    EXPECT_TRUE(info.isRegular());
    EXPECT_EQ(info.size, 30U);
    std::string content;
    EXPECT_EQ(readBoundedFile(file, 1000, content), BoundedRead::Read);
    EXPECT_EQ(content, "[Profile]\r\nDialerVersionNo=9\r\n");
    EXPECT_EQ(readBoundedFile(file, 10, content), BoundedRead::TooLarge);
    EXPECT_EQ(readBoundedFile(folder, 1000, content), BoundedRead::NotRegular);
    EXPECT_EQ(readBoundedFile(joinPath(folder, "none.ini"), 1000, content), BoundedRead::Missing);

    LineReader lines(file);
    std::string_view line;
    ASSERT_TRUE(lines.next(line));
    EXPECT_EQ(line, "[Profile]\r\n");

    const std::unique_ptr<ReadOnlyFile> parts = ReadOnlyFile::open(file);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->size(), 30U);
    char at[5] = {};
    EXPECT_EQ(parts->readAt(at, 4, 11), 4);
    EXPECT_EQ(std::string(at), "Dial");
    EXPECT_EQ(parts->readAt(at, 4, 29), 1) << "short at the end of the file";
    EXPECT_EQ(parts->readAt(at, 4, 30), 0);
    EXPECT_FALSE(ReadOnlyFile::open(joinPath(folder, "none.ini")));

    EXPECT_TRUE(isSameFile(file, joinPath(folder, "config.ini")));
    EXPECT_FALSE(isSameFile(file, folder));
    EXPECT_EQ(fileInfo(joinPath(folder, "none.ini")).kind, FileInfo::Kind::Missing);
    EXPECT_FALSE(fileInfo(joinPath(folder, "none.ini")).error.empty());
    EXPECT_FALSE(makeFolder(folder).empty()) << "it is there already";
}

TEST(PlatformFiles, freeSpaceIsKnownForAFolderThatIsThere)
{
    TempDir dir;
    EXPECT_TRUE(leavesFreeSpace(dir.path().string(), 0));
    EXPECT_FALSE(leavesFreeSpace(dir.path().string(), UINT64_MAX));
    EXPECT_TRUE(leavesFreeSpace(dir.file("no/such/folder"), UINT64_MAX)) << "nothing known: no reason to stop";
}

TEST(PlatformFiles, theByteSearchFindsTheFirstByteAtEveryPlaceAndLength)
{
    for (std::size_t length = 0; length <= 40; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            // The wanted byte at `at` (none when at == length) and once more
            // after it; an 8-bit byte, as dialer texts have them.
            std::string text(length + 1, 'x');
            if (at < length)
                text[at] = '\xE9';
            if (at + 3 < length)
                text[at + 3] = '\xE9';
            const char* found = findByte(text.data(), length, '\xE9');
            if (at < length)
                EXPECT_EQ(found, text.data() + at) << length << " " << at;
            else
                EXPECT_EQ(found, nullptr) << length;
        }
    }
}
