#include "phonebook/PopList.h"

#include "fixtures/NoThreads.h"
#include "fixtures/PopLine.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

// A phonebook read in parts side by side must come out as reading it from
// start to end makes it. The files here are small, so the parts are made as
// small as a byte allows: cuts then fall next to every kind of line.

namespace {

const char* const kEnds[] = {"\r\n", "\n", "\r", "\r\n"};

// A file with what can go wrong at a cut: runs of one POP id (variants)
// of any length, headers that move some or all columns, other comments,
// short lines, quoted fields, empty lines, every line end, and physical
// lines longer than the line buffer (read as several lines).
std::string trickyFile(std::mt19937& rng, int lines)
{
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::string text = "#VER 7\r\n";
    int pop = 0;
    for (int i = 0; i < lines; ++i) {
        const char* end = kEnds[pick(std::size(kEnds))];
        switch (pick(40)) {
        case 0:
            text += std::string("#HDR,") + (pick(2) ? "CITY,REGION,COUNTRY" : "COUNTRY,REGION,CITY") + end;
            continue;
        case 1:
            // The POP id then comes from the country: one long run.
            text += std::string("#HDR POP,AREA_CODE") + end;
            continue;
        case 6:
        case 7:
            text += std::string("#HDR COUNTRY,REGION,CITY,AREA_CODE,PHONE_NUMBER,POP") + end;
            continue;
        case 2:
        case 8:
            text += std::string("# a remark") + end;
            continue;
        case 3:
            text += std::string("US,TX,short line") + end;
            continue;
        case 4:
            text += end;
            continue;
        case 5:
            // 1023 bytes and more without a line end: the reader hands out
            // the pieces, and a piece may itself look like a record.
            text += PopLine("US", "TX", std::string(900 + pick(400), 'L'), "LONG" + std::to_string(i)).str();
            text += PopLine("US", "TX", "After", "TAIL" + std::to_string(i)).str() + end;
            continue;
        default:
            break;
        }
        if (pick(3) != 0)
            ++pop; // otherwise the same POP id again: a variant
        PopLine line("US", pick(2) ? "TX" : "CA", "City " + std::to_string(pick(50)), "P" + std::to_string(pop));
        line.set(PopColumn::PHONE_NUMBER, std::to_string(5550000 + i));
        if (pick(10) == 0)
            line.set(PopColumn::CITY, "\"Quoted, City\"");
        if (pick(10) == 0)
            line.set(PopColumn::SORT_ORDER, std::to_string(70000 + i)); // a wide number
        text += line.str() + end;
    }
    return text;
}

struct Loaded {
    PopFileStatus status = PopFileStatus::CannotOpen;
    std::vector<std::string> records; // each record written with its variants
    std::vector<bool> fromMaster;
    std::array<int, kPopColumnCount> columns{};
};

Loaded load(const std::vector<std::string>& paths, PopList::Parallelism parallelism)
{
    PopList list;
    list.setParallelism(parallelism);
    Loaded loaded;
    for (std::size_t f = 0; f < paths.size(); ++f) {
        loaded.status = list.loadFile(f == 0 ? PopList::Mode::ClearFirst : PopList::Mode::Append, paths[f],
                                      f == 0 ? PopList::Source::Master : PopList::Source::Customer);
        if (loaded.status != PopFileStatus::Read)
            break;
    }
    for (const PopRecord& record : list) {
        std::string out;
        record.write(out);
        loaded.records.push_back(out);
        loaded.fromMaster.push_back(record.fromMaster());
    }
    EXPECT_EQ(loaded.records.size(), list.size());
    loaded.columns = list.columnMap().positions();
    return loaded;
}

void expectSame(const Loaded& whole, const Loaded& parts, const std::string& what)
{
    EXPECT_EQ(parts.status, whole.status) << what;
    ASSERT_EQ(parts.records.size(), whole.records.size()) << what;
    for (std::size_t i = 0; i < whole.records.size(); ++i)
        ASSERT_EQ(parts.records[i], whole.records[i]) << what << ", record " << i;
    EXPECT_EQ(parts.fromMaster, whole.fromMaster) << what;
    EXPECT_EQ(parts.columns, whole.columns) << what;
}

const PopList::Parallelism kWhole{1, 0};

// The master phonebook `path` read into `list` in at most `parts` parts.
PopFileStatus loadInParts(PopList& list, const std::string& path, unsigned parts)
{
    list.setParallelism({parts, 1});
    return list.loadFile(PopList::Mode::ClearFirst, path, PopList::Source::Master);
}

} // namespace

TEST(PopListParts, anyCutsGiveTheListOfAReadingFromStartToEnd)
{
    TempDir dir;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        dir.write("pbook.txt", trickyFile(rng, 300));
        dir.write("cbook.txt", trickyFile(rng, 60));
        const std::vector<std::string> paths = {dir.file("pbook.txt"), dir.file("cbook.txt")};
        const Loaded whole = load(paths, kWhole);
        ASSERT_EQ(whole.status, PopFileStatus::Read);
        ASSERT_GT(whole.records.size(), 60U);
        for (unsigned parts : {2U, 3U, 5U, 16U})
            expectSame(whole, load(paths, {parts, 1}), "seed " + std::to_string(seed) + ", " + std::to_string(parts) + " parts");
    }
}

TEST(PopListParts, aPopRunAcrossEveryCutStaysOneRecord)
{
    TempDir dir;
    std::string text = "#VER 1\r\n";
    for (int i = 0; i < 400; ++i)
        text += PopLine("US", "TX", "Austin", "SAME").set(PopColumn::PHONE_NUMBER, std::to_string(i)).str() + "\r\n";
    text += PopLine("US", "TX", "Austin", "NEXT").str() + "\r\n";
    dir.write("pbook.txt", text);
    for (unsigned parts : {2U, 7U, 64U}) {
        PopList list;
        ASSERT_EQ(loadInParts(list, dir.file("pbook.txt"), parts), PopFileStatus::Read);
        ASSERT_EQ(list.size(), 2U) << parts << " parts";
        const PopRecord& first = *list.begin();
        ASSERT_EQ(first.variants().size(), 399U) << parts << " parts";
        EXPECT_EQ(first.phoneNumber(), "0");
        for (std::size_t v = 0; v < first.variants().size(); ++v)
            ASSERT_EQ(first.variants()[v].phoneNumber(), std::to_string(v + 1)) << parts << " parts";
        EXPECT_EQ((++list.begin())->pop(), "NEXT");
    }
}

TEST(PopListParts, aHeaderBeforeACutMovesTheColumnsOfTheLaterParts)
{
    // Every line after the header has COUNTRY and CITY swapped; the parts
    // after the cut start with the columns as they were before the file.
    TempDir dir;
    std::string text = "#VER 1\r\n" + PopLine("US", "TX", "Austin", "P0").str() + "\r\n#HDR CITY,REGION,COUNTRY\r\n";
    for (int i = 1; i < 300; ++i)
        text += PopLine("Dallas", "TX", "US", "P" + std::to_string(i)).str() + "\r\n";
    dir.write("pbook.txt", text);
    PopList list;
    ASSERT_EQ(loadInParts(list, dir.file("pbook.txt"), 4), PopFileStatus::Read);
    ASSERT_EQ(list.size(), 300U);
    for (const PopRecord& record : list) {
        ASSERT_EQ(record.country(), "US") << record.pop();
        ASSERT_EQ(record.city(), record.pop() == "P0" ? "Austin" : "Dallas") << record.pop();
    }
    EXPECT_EQ(list.columnMap().position(PopColumn::COUNTRY), 2) << "the header stays for the next file";
}

TEST(PopListParts, onlyTheFirstLineDecidesWhetherTheFileIsAPhonebook)
{
    TempDir dir;
    std::string text = "not a phonebook\r\n";
    for (int i = 0; i < 100; ++i)
        text += PopLine("US", "TX", "Austin", "P" + std::to_string(i)).str() + "\r\n";
    dir.write("pbook.txt", text);
    PopList list;
    EXPECT_EQ(loadInParts(list, dir.file("pbook.txt"), 4), PopFileStatus::NotAPhonebook);
    EXPECT_TRUE(list.empty()) << "no part read past the first line is kept";
}

// A process that cannot start another thread (at its limit of threads or of
// address space) reads its phonebook all the same, on the one it has.
TEST(PopListParts, partsNoThreadCouldBeStartedForAreReadHere)
{
    if (!tarvo::test::kCanLeaveNoRoomForThreads)
        GTEST_SKIP() << "the sanitizers' address space does not fit under the limit";
    TempDir dir;
    std::mt19937 rng(99);
    dir.write("pbook.txt", trickyFile(rng, 400));
    const std::vector<std::string> paths = {dir.file("pbook.txt")};
    const Loaded whole = load(paths, kWhole);
    ASSERT_GT(whole.records.size(), 60U);
    const auto readWithoutThreads = [&] {
        if (!tarvo::test::leaveNoRoomForThreads())
            return 2; // a thread could still start: nothing would be tested
        const Loaded parts = load(paths, {4, 1});
        return parts.status == whole.status && parts.records == whole.records ? 0 : 1;
    };
    EXPECT_EXIT(std::_Exit(readWithoutThreads()), ::testing::ExitedWithCode(0), "");
}
