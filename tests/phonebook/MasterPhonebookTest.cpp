#include "phonebook/MasterPhonebook.h"

#include "dialing/CountryQuery.h"
#include "fixtures/Gzip.h"
#include "fixtures/PopLine.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"
#include "phonebook/ExpandCompressedPhonebook.h"
#include "support/FileInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace tarvo;
using Status = MasterPhonebook::LoadStatus;
using namespace tarvo::test;

namespace {

// A dialer installation with two countries, regions, a phonebook and the
// dialer's own dialing rules; each test changes what it is about.
class MasterPhonebookTest : public ::testing::Test {
protected:
    MasterPhonebookTest()
    {
        std::filesystem::create_directory(home.path() / "dialer");
        put("region.txt", "; country,code,name,alt\r\nUS,TX,Texas,Tex.\r\nUS,MA,Massachusetts,Mass.\r\n"
                          "CA,TX,Texcan,Txc\r\nshort,line\r\n");
        put("country.txt", "US,1,United States,1\r\nDE,49,Germany,0\r\nFR,33,France,2\r\n");
        put("dr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
        put("pbook.txt", PopFile({PopLine("US", "TX", "Boston", "P1").str(), PopLine("US", "MA", "Boston", "P2").str(),
                                  PopLine("US", "TX", "Austin", "P3").str(), PopLine("US", "TX", "Boston", "P4").str(),
                                  PopLine("DE", "", "Berlin", "P5").str()}));
        home.write("countries.csv", "id,calling_code,name,same_area_rule,long_distance_rule,international_rule,next_id\n"
                                    "1,1,\"United States of America\",G, 1FG,011EFG,0\n"
                                    "33,33,\"France (telephony)\",G,0FG,00EFG,0\n");
    }

    void put(const std::string& name, const std::string& content) { home.write("dialer/" + name, content); }
    std::string get(const std::string& name) const { return home.read("dialer/" + name); }
    bool has(const std::string& name) const { return home.exists("dialer/" + name); }
    std::string path(const std::string& name) const { return (home.path() / "dialer" / name).string(); }

    MasterPhonebook::LoadStatus load()
    {
        MasterPhonebook::LoadResult result = phonebook.load();
        error = result.errorText;
        return result.status;
    }

    std::vector<std::string> cityLines() const
    {
        std::vector<std::string> lines;
        for (const CityEntry& c : phonebook.cities())
            lines.push_back(std::string(c.country) + "," + std::string(c.region) + "," + std::string(c.city) + ","
                            + std::string(c.regionAltName));
        return lines;
    }

    std::set<std::string> dialerFiles() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(home.path() / "dialer"))
            names.insert(entry.path().filename().string());
        return names;
    }

    TempDir home;
    RecordingFrontEnd frontEnd;
    CountryQuery query{home.file("countries.csv")};
    MasterPhonebook phonebook{home.file("dialer"), frontEnd, home.file("dr_country.txt"), query};
    std::string error;
};

TEST_F(MasterPhonebookTest, loadsEveryTableAndDerivesTheCaches)
{
    ASSERT_EQ(load(), Status::Loaded) << error;
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_EQ(phonebook.pops().size(), 5U);
    EXPECT_EQ(phonebook.regions().size(), 3U);

    // One entry per triple, ascending by country, region, city.
    EXPECT_EQ(cityLines(), (std::vector<std::string>{"DE,,Berlin,", "US,MA,Boston,Mass.", "US,TX,Austin,Tex.",
                                                     "US,TX,Boston,Tex."}));
    EXPECT_TRUE(phonebook.cities().derived());
    EXPECT_EQ(get("city.txt"), "DE,,Berlin,\r\nUS,MA,Boston,Mass.\r\nUS,TX,Austin,Tex.\r\nUS,TX,Boston,Tex.\r\n");

    // France has no POPs; the telephony list names the US and France.
    ASSERT_EQ(phonebook.countries().size(), 3U);
    const CountryEntry& us = phonebook.countries()[0];
    const CountryEntry& de = phonebook.countries()[1];
    const CountryEntry& fr = phonebook.countries()[2];
    EXPECT_EQ(us.name, "United States of America");
    EXPECT_EQ(us.hasPops, 1);
    EXPECT_EQ(de.name, "Germany");
    EXPECT_EQ(de.allCityOrder, -1);
    EXPECT_EQ(de.hasPops, 1);
    EXPECT_EQ(fr.hasPops, 0);
    EXPECT_EQ(fr.allCityOrder, 2);
    EXPECT_EQ(get("countryp.txt"), "US,1,\"United States of America\",1,1\r\nDE,49,\"Germany\",-1,1\r\n"
                                   "FR,33,\"France (telephony)\",2,0\r\n");
    EXPECT_TRUE(phonebook.countries().derived());

    // The dialing rules of the handheld were written during the country load.
    EXPECT_EQ(home.read("dr_country.txt").substr(0, 26), "US,1,1,G, 1FG,011EFG, 1FG\r");
    // Caches are replaced atomically: no temporary file is left behind.
    EXPECT_EQ(dialerFiles(), (std::set<std::string>{"city.txt", "country.txt", "countryp.txt", "dr_country.txt",
                                                    "pbook.txt", "region.txt"}));
}

TEST_F(MasterPhonebookTest, existingCachesAreReadAsTheyStand)
{
    put("city.txt", "US,TX,Zeta,Z\r\nUS,TX,Alpha,\r\nUS,TX,Zeta,Z\r\n; note\r\nUS,TX\r\n");
    put("countryp.txt", "US,1,\"United, States\",0,0\r\nDE,49,Germany,3\r\n");
    ASSERT_EQ(load(), Status::Loaded) << error;
    EXPECT_EQ(cityLines(), (std::vector<std::string>{"US,TX,Zeta,Z", "US,TX,Alpha,", "US,TX,Zeta,Z"}));
    EXPECT_FALSE(phonebook.cities().derived());
    ASSERT_EQ(phonebook.countries().size(), 2U);
    EXPECT_EQ(phonebook.countries()[0].name, "United, States");
    EXPECT_EQ(phonebook.countries()[0].allCityOrder, -1);
    EXPECT_EQ(phonebook.countries()[0].hasPops, 0) << "the fifth column is taken as it stands";
    EXPECT_EQ(phonebook.countries()[1].hasPops, 1) << "four columns give 1";
    EXPECT_EQ(get("countryp.txt"), "US,1,\"United, States\",0,0\r\nDE,49,Germany,3\r\n");
    EXPECT_EQ(get("city.txt"), "US,TX,Zeta,Z\r\nUS,TX,Alpha,\r\nUS,TX,Zeta,Z\r\n; note\r\nUS,TX\r\n");
}

TEST_F(MasterPhonebookTest, cityDerivationTakesCustomerPopsButNotVariants)
{
    put("pbook.txt", PopFile({PopLine("US", "TX", "Waco", "P1").str(), PopLine("US", "TX", "Yoakum", "P1").str()}));
    put("cbook.txt", PopFile({PopLine("US", "TX", "Abilene", "C1").str()}));
    ASSERT_EQ(load(), Status::Loaded) << error;
    EXPECT_EQ(cityLines(), (std::vector<std::string>{"US,TX,Abilene,Tex.", "US,TX,Waco,Tex."}));
    EXPECT_EQ(phonebook.pops().size(), 2U);
}

TEST_F(MasterPhonebookTest, eachMissingTableStopsTheLoadWithItsMessage)
{
    put("countryp.txt", "US,1,\"United States\",1,1\r\n");
    std::filesystem::remove(path("country.txt"));
    EXPECT_EQ(load(), Status::Loaded) << "an existing countryp.txt is enough";
    // One that names no country is no cache: without country.txt nothing is left.
    put("countryp.txt", "");
    EXPECT_EQ(load(), Status::NoCountries);
    EXPECT_EQ(error, "Error: Unable to open: country.txt");
    std::filesystem::remove(path("countryp.txt"));
    EXPECT_EQ(load(), Status::NoCountries);
    EXPECT_EQ(error, "Error: Unable to open: country.txt");
    EXPECT_FALSE(has("countryp.txt"));

    std::filesystem::remove(path("region.txt"));
    EXPECT_EQ(load(), Status::NoRegions);
    EXPECT_EQ(error, "Error: Unable to open: region.txt");
    EXPECT_TRUE(frontEnd.boxes.empty());
}

TEST_F(MasterPhonebookTest, missingPhonebookKeepsTheCompressedCopy)
{
    std::filesystem::remove(path("pbook.txt"));
    std::string old = gzipped(PopFile({PopLine("US", "TX", "Austin", "P1").str()}));
    put("pbook.txt.gz", old);
    EXPECT_EQ(load(), Status::NoPhonebook);
    // The dialer's texts, each with a line that names the file and what is
    // wrong, in the system's words.
    const std::string missing = fileInfo(path("pbook.txt")).error;
    EXPECT_FALSE(missing.empty());
    EXPECT_EQ(error, "Error: Unable to open: pbook.txt\n" + path("pbook.txt") + ": " + missing);
    ASSERT_EQ(frontEnd.boxes.size(), 1U);
    EXPECT_EQ(frontEnd.boxes[0].text, "ERROR: Unable to rename compressed phonebook file\n" + path("pbook.txt") + ": " + missing);
    EXPECT_EQ(frontEnd.boxes[0].caption, "Tarvo Windows CE Synchronizer");
    EXPECT_EQ(frontEnd.boxes[0].icon, MessageIcon::None);
    EXPECT_EQ(frontEnd.boxes[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(get("pbook.txt.gz"), old);
}

TEST_F(MasterPhonebookTest, compressedPhonebookIsExpandedAndBothFilesStay)
{
    std::string plain = PopFile({PopLine("US", "TX", "Austin", "P1").str(), PopLine("US", "TX", "Austin", "P1").str()});
    std::string packed = gzipped(plain);
    put("pbook.txt", packed);
    put("pbook.txt.gz", "an older copy");
    ASSERT_EQ(load(), Status::Loaded) << error;
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_EQ(get("pbook.txt"), plain);
    EXPECT_EQ(get("pbook.txt.gz"), packed);
    ASSERT_EQ(phonebook.pops().size(), 1U);
    EXPECT_EQ(phonebook.pops().begin()->variants().size(), 1U);
}

TEST_F(MasterPhonebookTest, emptyPhonebookLoadsWithoutExpansion)
{
    put("pbook.txt", "");
    ASSERT_EQ(load(), Status::Loaded) << error;
    EXPECT_TRUE(phonebook.pops().empty());
    EXPECT_FALSE(has("pbook.txt.gz"));
    EXPECT_TRUE(phonebook.cities().empty());
    EXPECT_EQ(get("city.txt"), "");
    EXPECT_EQ(phonebook.countries()[0].hasPops, 0);
}

TEST_F(MasterPhonebookTest, aDamagedGzipIsKeptAndAGoodCopyIsNotReplaced)
{
    std::string lines;
    for (int i = 0; i < 2000; ++i)
        lines += PopLine("US", "TX", "City" + std::to_string(i), "P" + std::to_string(i)).str() + "\r\n";
    std::string packed = gzipped("#VER 1\r\n" + lines);
    const std::string good = gzipped(PopFile({PopLine("US", "TX", "Austin", "P1").str()}));
    put("pbook.txt.gz", good);
    std::string truncated = packed.substr(0, packed.size() / 2);
    put("pbook.txt", truncated);
    EXPECT_EQ(load(), Status::NoPhonebook);
    EXPECT_EQ(error, "Error: Unable to open: pbook.txt\n" + path("pbook.txt") +
                         ": gzip-compressed data that does not expand to a phonebook");
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Compressed phonebook file is damaged"});
    EXPECT_EQ(get("pbook.txt"), truncated) << "the damaged file stays for the user or the next update";
    EXPECT_EQ(get("pbook.txt.gz"), good);

    // The next start says the same, rather than that nothing can be renamed.
    frontEnd.boxes.clear();
    EXPECT_EQ(load(), Status::NoPhonebook);
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Compressed phonebook file is damaged"});

    // A damaged stream (bytes flipped past the header) fails the same way.
    frontEnd.boxes.clear();
    std::string corrupt = packed;
    for (std::size_t i = 20; i < corrupt.size() - 8; i += 7)
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    put("pbook.txt", corrupt);
    EXPECT_EQ(load(), Status::NoPhonebook);
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Compressed phonebook file is damaged"});
    EXPECT_EQ(get("pbook.txt"), corrupt);
    EXPECT_EQ(get("pbook.txt.gz"), good);
    EXPECT_EQ(dialerFiles(), (std::set<std::string>{"country.txt", "dr_country.txt", "pbook.txt", "pbook.txt.gz",
                                                    "region.txt"}))
        << "no temporary file is left";
}

TEST_F(MasterPhonebookTest, textThatIsNeitherGzipNorAPhonebookIsRefused)
{
    const std::string good = gzipped(PopFile({PopLine("US", "TX", "Austin", "P1").str()}));
    put("pbook.txt.gz", good);
    put("pbook.txt", "hello, this is not a phonebook\r\n");
    EXPECT_EQ(load(), Status::NoPhonebook);
    EXPECT_EQ(error, "Error: Unable to open: pbook.txt\n" + path("pbook.txt") +
                         ": neither a phonebook (its first line does not begin with \"#VER\") nor gzip-compressed data");
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_EQ(get("pbook.txt"), "hello, this is not a phonebook\r\n");
    EXPECT_EQ(get("pbook.txt.gz"), good) << "never replaced by what is not gzip data";
}

TEST_F(MasterPhonebookTest, leftoversOfAKilledRunGoAtTheNextLoad)
{
    put("pbook.txt.tmpAbC123", "half an expansion");
    put("pbook.txt.gz.tmpXyZ789", "half a copy");
    put("city.txt.tmp000000", "half a city table");
    put("countryp.txt.tmpzzzzzz", "");
    put("notes.txt.tmpKeepMe", "not a file this program writes");
    home.write("dr_country.txt.tmpQQQQQQ", "half a rule table");
    ASSERT_EQ(load(), Status::Loaded) << error;
    EXPECT_EQ(dialerFiles(), (std::set<std::string>{"city.txt", "country.txt", "countryp.txt", "dr_country.txt",
                                                    "notes.txt.tmpKeepMe", "pbook.txt", "region.txt"}));
    EXPECT_FALSE(home.exists("dr_country.txt.tmpQQQQQQ"));
}

TEST_F(MasterPhonebookTest, cachesThatNameNothingAreDerivedAgain)
{
    for (const std::string& useless : {std::string(), std::string(1000, ',') + "\r\n", std::string(";x\r\n,,,\r\n")}) {
        put("city.txt", useless);
        put("countryp.txt", useless);
        ASSERT_EQ(load(), Status::Loaded) << error;
        EXPECT_TRUE(phonebook.cities().derived());
        EXPECT_TRUE(phonebook.countries().derived());
        EXPECT_EQ(phonebook.countries().size(), 3U);
        EXPECT_EQ(get("countryp.txt").substr(0, 5), "US,1,");
        EXPECT_EQ(cityLines().front(), "DE,,Berlin,");
        EXPECT_EQ(home.read("dr_country.txt").substr(0, 26), "US,1,1,G, 1FG,011EFG, 1FG\r");
    }
    // A folder of that name cannot be replaced, but the table is still derived.
    std::filesystem::remove(path("countryp.txt"));
    std::filesystem::create_directory(path("countryp.txt"));
    ASSERT_EQ(load(), Status::Loaded) << error;
    EXPECT_TRUE(phonebook.countries().derived());
    EXPECT_EQ(phonebook.countries().size(), 3U);
}

TEST_F(MasterPhonebookTest, readBackDecidesTheOutcome)
{
    int calls = 0;
    phonebook.setReadBack([&](PopList& pops) {
        ++calls;
        EXPECT_EQ(pops.size(), 5U) << "runs after every table is loaded";
        EXPECT_EQ(phonebook.countries().size(), 3U);
        return ReadBackOutcome{ReadBackResult::Marked, 7};
    });
    ASSERT_EQ(load(), Status::Loaded);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(phonebook.readBackOutcome().popsOnHandheld, 7U);

    phonebook.setReadBack([](PopList&) { return ReadBackOutcome{ReadBackResult::NoDevice}; });
    EXPECT_EQ(load(), Status::NoDevice);
    EXPECT_EQ(error, "Unable to connect to the device, please check the connection.");
    phonebook.setReadBack([](PopList&) { return ReadBackOutcome{ReadBackResult::NotAPhonebook}; });
    EXPECT_EQ(load(), Status::HandheldUnreadable);
    EXPECT_EQ(error, "An error occured while reading CE phonebook");
    // A copy that failed otherwise marks nothing, and the run goes on.
    phonebook.setReadBack([](PopList&) { return ReadBackOutcome{ReadBackResult::CopyFailed}; });
    EXPECT_EQ(load(), Status::Loaded);
    EXPECT_EQ(error, "");
    EXPECT_EQ(phonebook.readBackOutcome().result, ReadBackResult::CopyFailed) << "kept for start-up and the Save";
    EXPECT_EQ(phonebook.readBackOutcome().popsOnHandheld, 0U);
}

// Expansion failures that the load sequence cannot provoke on its own.
class ExpandTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingFrontEnd frontEnd;
};

TEST_F(ExpandTest, aRunStoppedBetweenItsTwoRenamesIsCompletedWithoutLeftovers)
{
    // Killed after the compressed original took the ".gz" name (a second
    // link to it) and before the expansion took "pbook.txt".
    const std::string plain = "#VER 1\r\n" + PopLine("US", "TX", "Austin", "P1").str() + "\r\n";
    const std::string packed = gzipped(plain);
    dir.write("pbook.txt", packed);
    std::filesystem::create_hard_link(dir.path() / "pbook.txt", dir.path() / "pbook.txt.gz");

    EXPECT_TRUE(ExpandCompressedPhonebook(dir.file("pbook.txt"), frontEnd));
    EXPECT_EQ(dir.read("pbook.txt"), plain);
    EXPECT_EQ(dir.read("pbook.txt.gz"), packed);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"pbook.txt", "pbook.txt.gz"}));
}

TEST_F(ExpandTest, creationFailureLeavesTheCompressedCopy)
{
    // Too long a name for a temporary file beside it.
    std::string name(250, 'p');
    std::string packed = gzipped("#VER 1\r\n");
    dir.write(name, packed);
    EXPECT_FALSE(ExpandCompressedPhonebook(dir.file(name), frontEnd));
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Can't create phonebook file"});
    EXPECT_EQ(frontEnd.boxes[0].caption, "Tarvo Windows CE Synchronizer");
    EXPECT_EQ(dir.read(name), packed);
    EXPECT_FALSE(dir.exists(name + ".gz"));
}

TEST_F(ExpandTest, aBombStopsAtItsBoundAsDamaged)
{
    // 8 MiB of one byte packs into a few KiB: far past any phonebook's ratio.
    std::string packed = gzipped("#VER 1\r\n" + std::string(8 << 20, 'x'));
    ASSERT_LT(packed.size(), 64U << 10);
    dir.write("pbook.txt", packed);
    EXPECT_FALSE(ExpandCompressedPhonebook(dir.file("pbook.txt"), frontEnd));
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Compressed phonebook file is damaged"});
    EXPECT_EQ(dir.read("pbook.txt"), packed);
    EXPECT_FALSE(dir.exists("pbook.txt.gz"));

    // Within the ratio it expands; a disk that would keep too little free
    // space stops it too, as the failed write it would have become.
    frontEnd.boxes.clear();
    EXPECT_TRUE(ExpandCompressedPhonebook(dir.file("pbook.txt"), frontEnd, {.ratio = 100000}));
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_EQ(dir.read("pbook.txt").size(), (8U << 20) + 8U);
    EXPECT_EQ(dir.read("pbook.txt.gz"), packed);

    dir.write("pbook.txt", packed);
    EXPECT_FALSE(ExpandCompressedPhonebook(dir.file("pbook.txt"), frontEnd,
                                           {.ratio = 100000, .keepFree = std::uint64_t{1} << 62}));
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Can't create phonebook file"});
    EXPECT_EQ(dir.read("pbook.txt"), packed);
}

// A regular file that this process may not read: a write-only file of our
// own, or, when running as root (which reads anyway), a write-only kernel
// setting. Empty when neither is available.
std::string unreadableFile(const TempDir& dir)
{
    std::string own = dir.file("write-only");
    dir.write("write-only", "x");
    std::filesystem::permissions(own, std::filesystem::perms::owner_write);
    for (const std::string& candidate : {own, std::string("/proc/sys/vm/compact_memory")}) {
        struct stat info {};
        if (::stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        int fd = ::open(candidate.c_str(), O_RDONLY);
        if (fd < 0)
            return candidate;
        ::close(fd);
    }
    return {};
}

TEST_F(ExpandTest, compressedFileThatCannotBeOpenedIsReported)
{
    // The phonebook is a link to a file that cannot be read: nothing moves.
    std::string target = unreadableFile(dir);
    if (target.empty())
        GTEST_SKIP() << "no unreadable regular file available";
    std::filesystem::create_symlink(target, dir.path() / "pbook.txt");
    EXPECT_FALSE(ExpandCompressedPhonebook(dir.file("pbook.txt"), frontEnd));
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Can't open compressed phonebook file"});
    EXPECT_EQ(frontEnd.boxes[0].caption, "Tarvo Windows CE Synchronizer");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "pbook.txt"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.path() / "pbook.txt.gz")));
}

TEST_F(ExpandTest, onlyARegularFileIsMoved)
{
    std::filesystem::create_directory(dir.path() / "pbook.txt");
    EXPECT_FALSE(ExpandCompressedPhonebook(dir.file("pbook.txt"), frontEnd));
    EXPECT_EQ(frontEnd.texts(), std::vector<std::string>{"ERROR: Unable to rename compressed phonebook file\n" +
                                                         dir.file("pbook.txt") + ": not a regular file"});
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "pbook.txt"));
    EXPECT_FALSE(dir.exists("pbook.txt.gz"));
}

} // namespace
