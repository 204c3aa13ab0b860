#include "support/LineCuts.h"

#include "fixtures/AllLines.h"
#include "fixtures/TempDir.h"
#include "support/LineReader.h"
#include "support/ReadOnlyFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

// Lines of every end, empty ones, lone CRs before LFs and lines past a
// small limit, so that cuts land after pieces of long lines and after the
// LF of a CR LF the limit split.
std::string mixedText(std::mt19937& rng, std::size_t bytes)
{
    static const char* const kPieces[] = {"ab", "\r\n", "\n", "\r", "x\r\r\n", "\n\n", "0123456789", "\r\n\r"};
    std::string text;
    while (text.size() < bytes)
        text += kPieces[rng() % std::size(kPieces)];
    return text;
}

} // namespace

TEST(LineCuts, partsReadOneAfterAnotherGiveTheLinesOfTheWholeFile)
{
    TempDir dir;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const std::string text = mixedText(rng, 2000 + seed * 97);
        dir.write("f.txt", text);
        const std::size_t maxLine = 1 + seed % 7;
        LineReader whole(dir.file("f.txt"), maxLine);
        const std::vector<std::string> expected = allLines(whole);

        const std::unique_ptr<ReadOnlyFile> file = ReadOnlyFile::open(dir.file("f.txt"));
        ASSERT_TRUE(file);
        for (unsigned parts : {1U, 2U, 3U, 10U, 200U}) {
            const std::vector<std::uint64_t> cuts = findLineCuts(*file, text.size(), parts);
            ASSERT_LT(cuts.size(), parts);
            std::vector<std::string> lines;
            std::uint64_t begin = 0;
            for (std::size_t k = 0; k <= cuts.size(); ++k) {
                const std::uint64_t end = k < cuts.size() ? cuts[k] : LineReader::kToEnd;
                if (k < cuts.size()) {
                    ASSERT_GT(end, begin);
                    ASSERT_LT(end, text.size());
                    ASSERT_EQ(text[end - 1], '\n');
                }
                LineReader part(*file, begin, end, maxLine);
                for (std::string& line : allLines(part))
                    lines.push_back(std::move(line));
                begin = end;
            }
            ASSERT_EQ(lines, expected) << "seed " << seed << ", " << parts << " parts";
        }
    }
}

TEST(LineCuts, noCutWithoutALineFeedAheadOrInAnEmptyFile)
{
    TempDir dir;
    dir.write("f.txt", std::string(100, 'a') + "\n" + std::string(5000, 'b'));
    const std::unique_ptr<ReadOnlyFile> file = ReadOnlyFile::open(dir.file("f.txt"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 5101U);
    EXPECT_EQ(findLineCuts(*file, 5101, 4), (std::vector<std::uint64_t>{})) << "the one LF lies before every nominal cut";
    EXPECT_EQ(findLineCuts(*file, 5101, 200), (std::vector<std::uint64_t>{101}));
    EXPECT_TRUE(findLineCuts(*file, 0, 4).empty());
}
