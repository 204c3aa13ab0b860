// The phonebook generator that other tests and the benchmarks build their
// dialer installations with.
#include "dialing/CountryQuery.h"
#include "fixtures/Gzip.h"
#include "fixtures/TempDir.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"
#include "support/AtomicFile.h"
#include "support/FrontEnd.h"
#include "support/Tokenizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

const std::string kTool = std::string(TARVO_BINARY_DIR) + "/tools/tarvo-genbook";

int runTool(const std::string& arguments)
{
    std::string command = "'" + kTool + "' " + arguments + " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "every line ends";
        if (end == std::string::npos)
            break;
        EXPECT_TRUE(end > start && text[end - 1] == '\r') << "CR LF line ends";
        out.push_back(text.substr(start, end - start - 1));
        start = end + 1;
    }
    return out;
}

std::vector<std::string> fields(const std::string& line, int max)
{
    std::vector<std::string_view> views(static_cast<std::size_t>(max));
    int n = parseTokens(line, views.data(), max);
    return {views.begin(), views.begin() + n};
}

} // namespace

TEST(Genbook, reorderedHeaderPopLinesAndVariantPairs)
{
    TempDir dir;
    ASSERT_EQ(runTool("--out '" + dir.path().string() + "' --pops 60 --seed 7 --header"), 0);
    std::vector<std::string> book = lines(dir.read("pbook.txt"));
    ASSERT_EQ(book.size(), 62U);
    EXPECT_EQ(book[0], "#VER 1");
    ASSERT_EQ(book[1].rfind("#HDR ", 0), 0U);
    std::vector<std::string> names = fields(book[1].substr(5), 29);
    ASSERT_EQ(names.size(), 28U);
    std::vector<std::string> canonical = {
        "COUNTRY", "REGION", "CITY", "AREA_CODE", "PHONE_NUMBER", "POP", "SCRIPT", "PREFIX", "SUFFIX", "DOW",
        "TIME_START", "TIME_END", "USAGE_START", "USAGE_END", "PRICE", "MAX_SPEED", "ISDN", "PAP", "CHAP",
        "STATIC_DNS", "DNS_IP", "QOS", "SUPPORT_PHONE", "SUPPORT_MESG", "ALL_CITY", "SORT_ORDER", "MEDIA",
        "BILL_CODE"};
    EXPECT_NE(names, canonical) << "shuffled";
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> sortedCanonical = canonical;
    std::sort(sortedCanonical.begin(), sortedCanonical.end());
    EXPECT_EQ(sorted, sortedCanonical) << "each name once";

    auto at = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    };
    std::set<std::string> countriesSeen;
    int pairs = 0;
    std::string previousPop;
    std::string previousMedia;
    for (std::size_t i = 2; i < book.size(); ++i) {
        std::vector<std::string> pop = fields(book[i], 29);
        ASSERT_EQ(pop.size(), 28U) << book[i];
        countriesSeen.insert(pop[at("COUNTRY")]);
        const std::string& media = pop[at("MEDIA")];
        EXPECT_TRUE(media == "MODEM" || media == "ISDN");
        EXPECT_EQ(pop[at("ISDN")], media == "ISDN" ? "1" : "0");
        if (pop[at("POP")] == previousPop) {
            ++pairs;
            EXPECT_EQ(previousMedia, "MODEM");
            EXPECT_EQ(media, "ISDN");
        }
        previousPop = pop[at("POP")];
        previousMedia = media;
    }
    EXPECT_EQ(countriesSeen, (std::set<std::string>{"US", "CA", "GB", "DE", "FR", "ES", "JP", "AU", "NL", "SG"}));
    EXPECT_GE(pairs, 1);

    std::vector<std::string> customer = lines(dir.read("cbook.txt"));
    ASSERT_EQ(customer.size(), 2U + 3U) << "5 percent of 60";
    EXPECT_EQ(customer[1], book[1]) << "the customer book follows the same column order";
    EXPECT_EQ(fields(customer[2], 29)[at("POP")].rfind("CUS", 0), 0U);
}

TEST(Genbook, tablesUseTheTelephonyIdentifiers)
{
    TempDir dir;
    ASSERT_EQ(runTool("--out '" + dir.path().string() + "' --pops 10 --customer-percent 0"), 0);
    EXPECT_EQ(dir.read("cbook.txt"), "#VER 1\r\n");
    EXPECT_EQ(lines(dir.read("pbook.txt")).size(), 11U);

    CountryQuery list(std::string(TARVO_SOURCE_DIR) + "/data/telephony-countries.csv");
    std::set<std::string> codes;
    for (const std::string& line : lines(dir.read("country.txt"))) {
        std::vector<std::string> country = fields(line, 6);
        ASSERT_EQ(country.size(), 4U) << line;
        codes.insert(country[0]);
        int id = toInt32(country[1]);
        if (country[0] == "CA")
            EXPECT_EQ(id, 2);
        else
            EXPECT_TRUE(list.query(static_cast<std::uint32_t>(id), 0x00010004, 1000)) << line;
    }
    EXPECT_TRUE(codes.count("US") && codes.count("GB") && codes.count("JP") && codes.count("IT"));
    for (const std::string& line : lines(dir.read("region.txt")))
        EXPECT_EQ(fields(line, 5).size(), 4U) << line;
    for (const std::string& line : lines(dir.read("dr_country.txt"))) {
        if (!comment(line)) {
            EXPECT_EQ(fields(line, 8).size(), 7U) << line;
        }
    }
    EXPECT_NE(dir.read("config.ini").find("[Profile]\r\nDialerVersionNo=4.2\r\n"), std::string::npos);
    EXPECT_TRUE(dir.exists("dr_areacode.txt"));
}

TEST(Genbook, sameSeedSameBytesAndGzipHoldsTheSameBook)
{
    TempDir a;
    TempDir b;
    TempDir c;
    ASSERT_EQ(runTool("--out '" + a.path().string() + "' --pops 500 --seed 42"), 0);
    ASSERT_EQ(runTool("--out '" + b.path().string() + "' --pops 500 --seed 42 --gzip"), 0);
    ASSERT_EQ(runTool("--out '" + c.path().string() + "' --pops 500 --seed 43"), 0);
    std::string plain = a.read("pbook.txt");
    std::string packed = b.read("pbook.txt");
    ASSERT_GE(packed.size(), 2U);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x1FU);
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x8BU);
    EXPECT_EQ(gunzipped(packed), plain);
    EXPECT_EQ(a.read("cbook.txt"), b.read("cbook.txt"));
    EXPECT_NE(c.read("pbook.txt"), plain);
}

TEST(Genbook, scatteredBooksLoadAndCarryEveryLineAsked)
{
    TempDir a;
    TempDir b;
    ASSERT_EQ(runTool("--scattered --out '" + a.path().string() + "' --pops 400 --seed 3"), 0);
    ASSERT_EQ(runTool("--scattered --out '" + b.path().string() + "' --pops 400 --seed 3"), 0);
    EXPECT_EQ(a.read("pbook.txt"), b.read("pbook.txt"));
    EXPECT_EQ(a.read("region.txt"), b.read("region.txt"));

    std::vector<std::string> book = lines(a.read("pbook.txt"));
    ASSERT_EQ(book.size(), 401U);
    EXPECT_EQ(book[0], "#VER 1");
    std::set<std::string> countries;
    for (std::size_t i = 1; i < book.size(); ++i) {
        std::vector<std::string> f = fields(book[i], 29);
        ASSERT_EQ(f.size(), 28U) << book[i];
        countries.insert(f[0]);
    }
    EXPECT_GT(countries.size(), 10U) << "POPs lie far beyond the ten countries with regions";
    EXPECT_FALSE(a.exists("cbook.txt"));

    SilentFrontEnd frontEnd;
    CountryQuery query;
    MasterPhonebook phonebook(a.path().string(), frontEnd, a.file("out_dr_country.txt"), query);
    MasterPhonebook::LoadResult loaded = phonebook.load();
    ASSERT_TRUE(loaded.ok()) << loaded.errorText;
    std::size_t withVariants = 0;
    for (const PopRecord& pop : phonebook.pops())
        withVariants += 1 + pop.variants().size();
    EXPECT_EQ(withVariants, 400U);
}

// A grown phonebook: the cities grow with the book (about one per fifteen
// POPs), POPs crowd into the big ones, every region a POP names has its
// alternative name, and the customer book and the MODEM/ISDN pairs are
// there as in the grouped layout.
TEST(Genbook, realisticBooksHaveManyCitiesAndCrowdedBigOnes)
{
    TempDir a;
    TempDir b;
    ASSERT_EQ(runTool("--realistic --out '" + a.path().string() + "' --pops 6000 --seed 5"), 0);
    ASSERT_EQ(runTool("--realistic --out '" + b.path().string() + "' --pops 6000 --seed 5"), 0);
    EXPECT_EQ(a.read("pbook.txt"), b.read("pbook.txt"));
    EXPECT_EQ(a.read("cbook.txt"), b.read("cbook.txt"));

    std::set<std::pair<std::string, std::string>> regionsWithAltName;
    for (const std::string& line : lines(a.read("region.txt"))) {
        std::vector<std::string> region = fields(line, 5);
        ASSERT_EQ(region.size(), 4U) << line;
        if (!region[3].empty())
            regionsWithAltName.emplace(region[0], region[1]);
    }

    std::vector<std::string> book = lines(a.read("pbook.txt"));
    ASSERT_EQ(book.size(), 6001U);
    std::map<std::tuple<std::string, std::string, std::string>, int> perCity;
    std::set<std::string> countries;
    int pairs = 0;
    std::string previousPop;
    for (std::size_t i = 1; i < book.size(); ++i) {
        std::vector<std::string> pop = fields(book[i], 29);
        ASSERT_EQ(pop.size(), 28U) << book[i];
        ++perCity[{pop[0], pop[1], pop[2]}];
        countries.insert(pop[0]);
        if (!pop[1].empty()) {
            EXPECT_TRUE(regionsWithAltName.count({pop[0], pop[1]})) << book[i];
        }
        pairs += pop[5] == previousPop ? 1 : 0;
        previousPop = pop[5];
    }
    EXPECT_EQ(countries, (std::set<std::string>{"US", "CA", "GB", "DE", "FR", "ES", "JP", "AU", "NL", "SG"}));
    EXPECT_GE(perCity.size(), 6000U / 20) << "one city per 10 to 20 POPs";
    EXPECT_LE(perCity.size(), 6000U / 10);
    std::vector<int> sizes;
    for (const auto& [city, count] : perCity)
        sizes.push_back(count);
    std::sort(sizes.rbegin(), sizes.rend());
    EXPECT_GE(sizes.front(), 20 * sizes[sizes.size() / 2]) << "the biggest city dwarfs the median one";
    EXPECT_GE(pairs, 10);

    std::vector<std::string> customer = lines(a.read("cbook.txt"));
    ASSERT_EQ(customer.size(), 1U + 300U) << "5 percent of 6000";
    for (std::size_t i = 1; i < customer.size(); ++i) {
        std::vector<std::string> pop = fields(customer[i], 29);
        ASSERT_EQ(pop.size(), 28U);
        EXPECT_EQ(pop[5].rfind("C" + pop[0], 0), 0U) << customer[i];
        EXPECT_TRUE(perCity.count({pop[0], pop[1], pop[2]})) << "customer POPs lie in the book's cities";
    }
}

// --cities N with --pops N: the hard case of the city derivation, nearly
// every POP in a city of its own; the phonebook loads and derives one city
// entry for each.
TEST(Genbook, citiesOptionGivesNearlyOneCityPerPop)
{
    TempDir dir;
    ASSERT_EQ(runTool("--realistic --cities 3000 --out '" + dir.path().string() + "' --pops 3000 --customer-percent 0"), 0);
    std::vector<std::string> book = lines(dir.read("pbook.txt"));
    ASSERT_EQ(book.size(), 3001U);
    std::set<std::tuple<std::string, std::string, std::string>> triples;
    for (std::size_t i = 1; i < book.size(); ++i) {
        std::vector<std::string> pop = fields(book[i], 29);
        ASSERT_EQ(pop.size(), 28U);
        triples.emplace(pop[0], pop[1], pop[2]);
    }
    EXPECT_GE(triples.size(), 2970U);
    EXPECT_LE(triples.size(), 3000U);

    SilentFrontEnd frontEnd;
    CountryQuery query;
    MasterPhonebook phonebook(dir.path().string(), frontEnd, dir.file("out_dr_country.txt"), query);
    MasterPhonebook::LoadResult loaded = phonebook.load();
    ASSERT_TRUE(loaded.ok()) << loaded.errorText;
    EXPECT_EQ(phonebook.cities().size(), triples.size());
}

TEST(Genbook, badOptionsAreUsageErrors)
{
    TempDir dir;
    EXPECT_EQ(runTool("--pops 0 --out '" + dir.path().string() + "'"), 2);
    EXPECT_EQ(runTool("--header --canonical-header --out '" + dir.path().string() + "'"), 2);
    EXPECT_EQ(runTool("--frobnicate"), 2);
    EXPECT_EQ(runTool("--cities 10 --out '" + dir.path().string() + "'"), 2) << "--cities needs --realistic";
    EXPECT_EQ(runTool("--realistic --scattered --out '" + dir.path().string() + "'"), 2);
    EXPECT_EQ(runTool("--realistic --cities 0 --out '" + dir.path().string() + "'"), 2);
    EXPECT_EQ(runTool("--help"), 0);
    EXPECT_FALSE(dir.exists("pbook.txt"));
    dir.write("blocker", "a file where the folder should be");
    EXPECT_EQ(runTool("--out '" + dir.file("blocker") + "'"), 1);
}
