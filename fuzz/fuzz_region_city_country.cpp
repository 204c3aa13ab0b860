// The location tables and the whole load sequence: "region.txt",
// "pbook.txt" (plain, gzip or junk), "cbook.txt", "city.txt" and the country
// files come from the input, each present or not, and the master phonebook
// is loaded from them. Derived caches are then read back and must give the
// same tables.

#include "dialing/CountryQuery.h"
#include "phonebook/MasterPhonebook.h"
#include "support/FrontEnd.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string& scratchDir()
{
    static const std::string dir = [] {
        std::string pattern = "/tmp/fuzz_region_city_country_XXXXXX";
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

void put(const std::string& name, FuzzedDataProvider& input)
{
    std::string path = scratchDir() + "/" + name;
    if (!input.ConsumeBool()) {
        fs::remove(path);
        return;
    }
    std::string text = input.ConsumeRandomLengthString(2048);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// Cache lines are written unquoted, as the dialer writes them, so only
// texts without commas, quotes and line ends, on lines that are not comments
// and fit the 1023-byte line, come back as they went out.
bool plain(std::string_view text)
{
    return text.find_first_of(std::string_view(",\"\r\n\0", 5)) == std::string_view::npos;
}

bool readsBack(std::initializer_list<std::string_view> fields)
{
    std::string line;
    for (std::string_view field : fields) {
        if (!plain(field))
            return false;
        line.append(field).append(",");
    }
    std::size_t first = line.find_first_not_of(" \t");
    return line.size() < 1000 && line[first] != '#' && line[first] != ';';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string& dir = scratchDir();
    for (const char* name : {"region.txt", "pbook.txt", "pbook.txt.gz", "cbook.txt", "city.txt", "country.txt",
                             "countryp.txt", "dr_country.txt"})
        put(name, input);

    static tarvo::CountryQuery query; // the country list shipped with the program
    tarvo::SilentFrontEnd frontEnd;
    tarvo::MasterPhonebook phonebook(dir, frontEnd, dir + "/out_dr_country.txt", query);
    const tarvo::MasterPhonebook::LoadResult result = phonebook.load();
    if (result.ok() != result.errorText.empty())
        std::abort();
    if (!result.ok())
        return 0;

    // Caches written by this load read back as the same tables.
    if (phonebook.cities().derived() || phonebook.countries().derived()) {
        tarvo::MasterPhonebook again(dir, frontEnd, dir + "/out_dr_country.txt", query);
        if (!again.load().ok())
            std::abort();
        bool citiesRoundTrip = true;
        for (const tarvo::CityEntry& c : phonebook.cities())
            citiesRoundTrip = citiesRoundTrip && readsBack({c.country, c.region, c.city, c.regionAltName});
        bool countriesRoundTrip = true;
        for (const tarvo::CountryEntry& c : phonebook.countries())
            countriesRoundTrip = countriesRoundTrip && readsBack({c.code, c.name});
        if (phonebook.cities().derived() && citiesRoundTrip) {
            if (again.cities().size() != phonebook.cities().size())
                std::abort();
            for (std::size_t i = 0; i < again.cities().size(); ++i)
                if (again.cities()[i].city != phonebook.cities()[i].city
                    || again.cities()[i].regionAltName != phonebook.cities()[i].regionAltName)
                    std::abort();
        }
        if (phonebook.countries().derived() && countriesRoundTrip) {
            if (again.countries().size() != phonebook.countries().size())
                std::abort();
            for (std::size_t i = 0; i < again.countries().size() && i < phonebook.countries().size(); ++i)
                if (again.countries()[i].hasPops != phonebook.countries()[i].hasPops)
                    std::abort();
        }
    }
    return 0;
}
