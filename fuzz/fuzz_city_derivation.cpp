// The city table derived from a POP file against a plain sort: POP lines
// are made from the input (short fields with any bytes but the separators,
// so many POPs share countries, regions and cities or differ late in them),
// loaded, and the derived table must be each distinct (country, region,
// city) of the list's records once, in byte order field by field, with
// "city.txt" holding exactly those lines.

#include "phonebook/CityTable.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "phonebook/RegionTable.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>

namespace {

namespace fs = std::filesystem;

const std::string& scratchDir()
{
    static const std::string dir = [] {
        // The table is written atomically, with a sync each time: in memory
        // the sync costs nothing, and a smoke run stays short.
        std::string pattern = fs::is_directory("/dev/shm") ? "/dev/shm/fuzz_city_derivation_XXXXXX"
                                                           : "/tmp/fuzz_city_derivation_XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    static const bool cleanup = [] {
        return std::atexit([] {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }) == 0;
    }();
    (void)cleanup;
    return dir;
}

void write(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A field of a few bytes from a small alphabet, with now and then a byte
// from anywhere (quotes, commas and line ends left out: they would make
// other fields, which the file's own reading already covers).
std::string field(FuzzedDataProvider& input, std::size_t longest)
{
    std::string text;
    const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, longest);
    for (std::size_t i = 0; i < size && input.remaining_bytes() > 0; ++i) {
        char c = input.ConsumeBool() ? static_cast<char>('A' + input.ConsumeIntegralInRange(0, 2))
                                     : input.ConsumeIntegral<char>();
        if (c == ',' || c == '"' || c == '\n' || c == '\r')
            c = 'x';
        text.push_back(c);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string& dir = scratchDir();
    std::string regions;
    std::string book = "#VER 1\n";
    while (input.remaining_bytes() > 0) {
        const std::string country = field(input, 3);
        const std::string region = field(input, 3);
        if (input.ConsumeBool() && !region.empty())
            regions += country + "," + region + ",Name," + field(input, 4) + "\n";
        std::string line = country + "," + region + "," + field(input, 12);
        for (int i = 3; i < 28; ++i)
            line += ",1";
        book += line + "\n";
    }
    write(dir + "/pbook.txt", book);
    write(dir + "/region.txt", regions);

    tarvo::PopList pops;
    if (pops.loadFile(tarvo::PopList::Mode::ClearFirst, dir + "/pbook.txt", tarvo::PopList::Source::Master)
        != tarvo::PopFileStatus::Read)
        return 0;
    tarvo::RegionTable regionTable;
    if (!regionTable.load(dir + "/region.txt"))
        std::abort();

    std::set<std::tuple<std::string, std::string, std::string>> expected;
    for (const tarvo::PopRecord& pop : pops)
        expected.emplace(pop.country(), pop.region(), pop.city());

    fs::remove(dir + "/city.txt");
    tarvo::CityTable cities;
    cities.loadOrBuild(dir + "/city.txt", pops, regionTable);
    if (!cities.derived() || cities.size() != expected.size())
        std::abort();
    std::string file;
    std::size_t i = 0;
    for (const auto& [country, region, city] : expected) {
        const tarvo::CityEntry& entry = cities[i++];
        if (entry.country != country || entry.region != region || entry.city != city)
            std::abort();
        const tarvo::RegionEntry* found = region.empty() ? nullptr : regionTable.find(region);
        if (entry.regionAltName != (found ? std::string_view(found->altName) : std::string_view()))
            std::abort();
        file += country + "," + region + "," + city + "," + std::string(entry.regionAltName) + "\r\n";
    }
    std::FILE* f = std::fopen((dir + "/city.txt").c_str(), "rb");
    if (!f)
        std::abort();
    std::string written;
    char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0)
        written.append(block, got);
    std::fclose(f);
    if (written != file)
        std::abort();
    return 0;
}
