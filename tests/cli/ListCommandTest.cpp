// `tarvo-sync list` writes its rows straight from the dialer's bytes into
// large blocks, in the order its keyed sort gives; what it writes must be
// the rows in the order of a plain stable sort by the list comparison, each
// cell converted through UTF-16 and padded by characters, byte for byte.
#include "app/PopFilter.h"
#include "app/PopSort.h"
#include "app/SelectionModel.h"
#include "phonebook/HandheldSet.h"
#include "dialing/CountryQuery.h"
#include "fixtures/ChildProcess.h"
#include "fixtures/PopLine.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/TempDir.h"
#include "fixtures/Workspace.h"
#include "phonebook/CountryTable.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"
#include "support/FrontEnd.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string_view>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

std::string runList(std::vector<std::string> args)
{
    args.insert(args.begin(), "list");
    const CliRun run = tarvoSync(std::move(args));
    EXPECT_EQ(run.code, 0) << run.err;
    return run.out;
}

// The cells as the list showed them before: each converted through UTF-16
// on its own, widths counted in UTF-8 sequences.
std::array<std::string, 7> referenceCells(const PopRecord& pop)
{
    auto utf8 = [](std::string_view ansi) { return CodePage::utf16ToUtf8(CodePage::ansi().toUtf16(ansi)); };
    return {utf8(pop.pop()),      utf8(pop.country()),     utf8(pop.region()), utf8(pop.city()),
            utf8(pop.areaCode()), utf8(pop.phoneNumber()), HandheldSet::contains(pop) ? "yes" : "no"};
}

std::size_t widthOf(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

const std::array<std::string, 7> kHeader = {"pop", "country", "region", "city", "area_code", "phone_number",
                                            "on_handheld"};

std::string referenceTsv(const std::vector<PopRecord*>& rows)
{
    std::string out;
    for (std::size_t c = 0; c < 7; ++c)
        out += kHeader[c] + (c + 1 < 7 ? "\t" : "\n");
    for (const PopRecord* pop : rows) {
        std::array<std::string, 7> cells = referenceCells(*pop);
        for (std::size_t c = 0; c < 7; ++c)
            out += cells[c] + (c + 1 < 7 ? "\t" : "\n");
    }
    return out;
}

std::string referenceTable(const std::vector<PopRecord*>& rows)
{
    std::vector<std::array<std::string, 7>> table{kHeader};
    for (const PopRecord* pop : rows)
        table.push_back(referenceCells(*pop));
    std::array<std::size_t, 7> width{};
    for (const auto& row : table)
        for (std::size_t c = 0; c < 7; ++c)
            width[c] = std::max(width[c], widthOf(row[c]));
    std::string out;
    for (const auto& row : table) {
        for (std::size_t c = 0; c < 7; ++c) {
            out += row[c];
            if (c + 1 < 7)
                out += std::string(width[c] - widthOf(row[c]) + 2, ' ');
        }
        out += "\n";
    }
    return out;
}

class ListCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\nDE,BY,Bayern,Bavaria\r\n");
        m_ws.writeDialer("country.txt", "US,1,United States,1\r\nDE,49,Germany,0\r\n");
        m_ws.writeDialer("dr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
        m_ws.writeDialer("cbook.txt", "#VER 1\r\n");
    }

    // The country's POPs in file order, stably sorted by the plain
    // comparison: the order the list had before rows were sorted by keys.
    static std::vector<PopRecord*> referenceRows(MasterPhonebook& phonebook, std::string_view country, PopSort sort)
    {
        HandheldSet handheld(phonebook.pops(), 0);
        SelectionModel model(phonebook, handheld, -1);
        PopFilter filter;
        filter.country = model.findCountry(country);
        EXPECT_NE(filter.country, nullptr);
        if (!filter.country)
            return {};
        std::vector<PopRecord*> rows;
        for (PopRecord& pop : phonebook.pops())
            if (filter.passes(pop))
                rows.push_back(&pop);
        const int allCitySign = filter.country->allCityOrder;
        std::stable_sort(rows.begin(), rows.end(), [&](const PopRecord* a, const PopRecord* b) {
            return comparePops(*a, *b, sort, allCitySign, -1) < 0;
        });
        return rows;
    }

    Workspace m_ws;
};

} // namespace

TEST_F(ListCommandTest, accentedCellsAreShownAsUtf8AndPaddedByCharacters)
{
    m_ws.writeDialer("pbook.txt", test::PopFile({PopLine("DE", "BY", "M\xFCnchen", "DE1").set(PopColumn::AREA_CODE, "89").str(),
                                                 PopLine("DE", "BY", "Ab\x80\x81", "DE22").str()}));
    EXPECT_EQ(runList({"--country", "DE"}),
              "pop   country  region  city     area_code  phone_number  on_handheld\n"
              "DE22  DE       BY      Ab\xE2\x82\xAC\xC2\x81     408        5550100       no\n"
              "DE1   DE       BY      M\xC3\xBCnchen  89         5550100       no\n");
    EXPECT_EQ(runList({"--country", "DE", "--format", "tsv"}),
              "pop\tcountry\tregion\tcity\tarea_code\tphone_number\ton_handheld\n"
              "DE22\tDE\tBY\tAb\xE2\x82\xAC\xC2\x81\t408\t5550100\tno\n"
              "DE1\tDE\tBY\tM\xC3\xBCnchen\t89\t5550100\tno\n");
}

// Enough rows that the output spans several blocks and is sorted and
// written by two threads, with every byte above 0x7F somewhere in a city, a
// region or a number, and many rows of one city.
TEST_F(ListCommandTest, largeListsAreTheCellsConvertedOneByOne)
{
    constexpr int kRows = 70000;
    std::mt19937 rng(3);
    std::string book = "#VER 1\r\n";
    for (int i = 0; i < kRows; ++i) {
        std::string city = "City" + std::to_string(rng() % 300);
        city.push_back(static_cast<char>(0x80 + i % 128));
        if (i % 7 == 0)
            city += std::string(static_cast<std::size_t>(rng() % 40), static_cast<char>(0xA0 + i % 96));
        PopLine line("US", i % 3 == 0 ? "TX" : "T\xC9", city, "P" + std::to_string(i));
        line.set(PopColumn::AREA_CODE, std::to_string(rng() % 1000));
        line.set(PopColumn::PHONE_NUMBER, "55\xB7" + std::to_string(rng() % 100000));
        // Numbers that share their first sixteen bytes, all-city POPs and
        // sort orders: the rows a sort key alone cannot place.
        if (i % 5 == 0)
            line.set(PopColumn::PHONE_NUMBER, "1800555010020304" + std::to_string(rng() % 50));
        line.set(PopColumn::ALL_CITY, i % 11 == 0 ? "1" : "0");
        line.set(PopColumn::SORT_ORDER, std::to_string(rng() % 3));
        book += line.str() + "\r\n";
    }
    m_ws.writeDialer("pbook.txt", book);

    std::string table = runList({"--country", "US"});
    std::string tsv = runList({"--country", "US", "--format", "tsv"});
    std::string byNumber = runList({"--country", "US", "--sort", "number", "--descending", "--format", "tsv"});
    EXPECT_GT(table.size(), std::size_t{2} << 20) << "several output blocks";

    SilentFrontEnd frontEnd;
    CountryQuery query;
    MasterPhonebook phonebook(m_ws.dialer(""), frontEnd, m_ws.work("reference_dr_country.txt"), query);
    ASSERT_TRUE(phonebook.load().ok());
    std::vector<PopRecord*> rows = referenceRows(phonebook, "US", {});
    ASSERT_EQ(rows.size(), std::size_t{kRows});
    EXPECT_EQ(table, referenceTable(rows));
    EXPECT_EQ(tsv, referenceTsv(rows));
    EXPECT_EQ(byNumber, referenceTsv(referenceRows(phonebook, "US", {SortColumn::Number, SortDirection::Descending})));
}

// A desktop code page without a table of our own goes through iconv, cell
// by cell, and a cell's width is its characters, not its bytes. The page is
// chosen once per process: the program runs in a child.
TEST_F(ListCommandTest, aCodePageThroughIconvIsConvertedAndPaddedByCharacters)
{
    // windows-1250: 0x8A is S with caron (U+0160), 0xB9 a with ogonek (U+0105).
    m_ws.writeDialer("pbook.txt", test::PopFile({PopLine("DE", "BY", "\x8A\xB9" "d", "DE1").str(),
                                                 PopLine("DE", "BY", "Ulm", "DE22").set(PopColumn::AREA_CODE, "731").str()}));
    test::ScopedEnv page("TARVO_ANSI_CODEPAGE", "CP1250");
    const std::string output = m_ws.dir().file("list.out");
    test::ChildProcess child({test::tarvoSyncProgram(), "list", "--country", "DE"}, output);
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.wait(), 0) << Workspace::read(output);
    EXPECT_EQ(Workspace::read(output), "pop   country  region  city  area_code  phone_number  on_handheld\n"
                                       "DE22  DE       BY      Ulm   731        5550100       no\n"
                                       "DE1   DE       BY      \xC5\xA0\xC4\x85" "d   408        5550100       no\n");
}
