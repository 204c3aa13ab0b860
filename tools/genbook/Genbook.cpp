#include "genbook/Genbook.h"

#include "genbook/Countries.h"
#include "genbook/GroupedSpread.h"
#include "genbook/PopWriter.h"
#include "genbook/Random.h"
#include "genbook/RealisticSpread.h"
#include "genbook/Sink.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::genbook {

namespace {

std::string popIdText(std::string_view prefix, const char* code, std::uint64_t number, int width)
{
    std::string digits = std::to_string(number);
    std::string id(prefix);
    id += code;
    if (static_cast<int>(digits.size()) < width)
        id.append(static_cast<std::size_t>(width) - digits.size(), '0');
    return id + digits;
}

// Writes `total` POP lines spread over the countries with POPs by weight,
// grouped by country in table order and within a country by place.
bool writePopFile(const std::string& path, const BookOptions& options, std::uint64_t total, Random& random,
                  const std::array<std::size_t, kBookColumns>& order, const Spread& spread, Spread::Book book)
{
    const bool customer = book == Spread::Book::Customer;
    Sink sink(path, options.gzip && !customer);
    sink.line("#VER " + std::to_string(options.ver));
    if (options.header || options.canonicalHeader) {
        std::string header = "#HDR ";
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i > 0)
                header += ',';
            header += kBookColumnNames[order[i]];
        }
        sink.line(header);
    }

    std::vector<std::size_t> popCountries; // positions in countries()
    std::uint64_t weightSum = 0;
    for (std::size_t c = 0; c < countries().size(); ++c) {
        if (countries()[c].weight > 0) {
            popCountries.push_back(c);
            weightSum += static_cast<std::uint64_t>(countries()[c].weight);
        }
    }
    // Every country gets a line when there are enough, the rest by weight.
    std::vector<std::uint64_t> perCountry(popCountries.size(), 0);
    std::uint64_t left = total;
    for (std::size_t i = 0; i < popCountries.size() && left > 0; ++i, --left)
        perCountry[i] = 1;
    std::uint64_t shared = left;
    for (std::size_t i = 0; i < popCountries.size(); ++i) {
        std::uint64_t share = shared * static_cast<std::uint64_t>(countries()[popCountries[i]].weight) / weightSum;
        perCountry[i] += share;
        left -= share;
    }
    if (!perCountry.empty())
        perCountry[0] += left;

    PopWriter writer(random, order);
    for (std::size_t i = 0; i < popCountries.size(); ++i) {
        const Country& country = countries()[popCountries[i]];
        std::span<const Place> places = spread.places(popCountries[i]);
        std::vector<std::uint64_t> perPlace = spread.linesPerPlace(popCountries[i], perCountry[i], random, book);
        std::uint64_t number = 0;
        bool firstPair = country.isdn;
        for (std::size_t k = 0; k < places.size(); ++k) {
            std::uint64_t remaining = perPlace[k];
            while (remaining > 0) {
                bool pair = country.isdn && remaining >= 2 && (firstPair || random.below(8) == 0);
                firstPair = firstPair && !pair;
                std::string id = customer ? popIdText("C", country.code, ++number, 6)
                                          : popIdText("", country.code, ++number, 7);
                remaining -= static_cast<std::uint64_t>(writer.write(sink, country, places[k], id, pair));
            }
        }
    }
    return sink.finish();
}

bool writeTextFile(const std::string& path, const std::vector<std::string>& lines)
{
    Sink sink(path, false);
    for (const std::string& line : lines)
        sink.line(line);
    return sink.finish();
}

bool writeTables(const BookOptions& options)
{
    const std::string& dir = options.out;
    std::vector<std::string> regions;
    std::vector<std::string> countryLines;
    for (const Country& country : countries()) {
        countryLines.push_back(std::string(country.code) + "," + std::to_string(country.tapiId) + ","
                               + country.name + "," + std::to_string(country.allCityOrder));
        for (const Region& region : country.regions) {
            if (*region.code)
                regions.push_back(std::string(country.code) + "," + region.code + "," + region.name + ","
                                  + region.altName);
        }
    }
    std::vector<std::string> rules = {
        "; dialing rules: code,countryId,callingCode,sameArea,longDistance,international,fourth",
        "US,1,1,G, 1FG,011EFG, 1FG",
        "CA,2,1,G, 1FG,011EFG, 1FG",
        "GB,44,44,G,0FG,00EFG,0FG",
        "DE,49,49,G,0FG,00EFG,0FG",
        "JP,81,81,G,0FG,010EFG,0FG",
    };
    std::vector<std::string> areaCodes = {"; countryCode,areaCode,tollFree"};
    for (const Country& country : countries()) {
        if (country.tapiId != 1 && country.tapiId != 2)
            continue;
        for (const Region& region : country.regions)
            for (const City& city : region.cities)
                areaCodes.push_back("1," + std::string(city.areaCode) + ",0");
    }
    areaCodes.push_back("1,800,1");
    areaCodes.push_back("1,888,1");
    std::vector<std::string> config = {"[Profile]", "DialerVersionNo=" + options.dialerVersion,
                                       "ProfileName=Tarvo Connect"};
    return writeTextFile(dir + "/region.txt", regions) && writeTextFile(dir + "/country.txt", countryLines)
           && writeTextFile(dir + "/dr_country.txt", rules) && writeTextFile(dir + "/dr_areacode.txt", areaCodes)
           && writeTextFile(dir + "/config.ini", config);
}

} // namespace

bool writeInstallation(const BookOptions& options)
{
    if (options.layout == Layout::Scattered)
        return writeScatteredInstallation(options);
    std::error_code ec;
    std::filesystem::create_directories(options.out, ec);
    Random random(options.seed);
    std::array<std::size_t, kBookColumns> order{};
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    if (options.header) {
        for (std::size_t i = order.size() - 1; i > 0; --i)
            std::swap(order[i], order[random.below(static_cast<std::uint32_t>(i + 1))]);
    }
    std::unique_ptr<Spread> spread;
    if (options.layout == Layout::Realistic)
        spread = std::make_unique<RealisticSpread>(options.pops, options.cities, options.seed);
    else
        spread = std::make_unique<GroupedSpread>();

    std::uint64_t customers = options.pops * options.customerPercent / 100;
    if (customers == 0 && options.customerPercent > 0)
        customers = 1;
    bool ok = writeTables(options)
              && writePopFile(options.out + "/pbook.txt", options, options.pops, random, order, *spread,
                              Spread::Book::Master);
    // The customer book has its own random stream so its content does not
    // depend on how many numbers the master book drew.
    Random customerRandom(options.seed ^ 0xC0FFEEULL);
    ok = ok && writePopFile(options.out + "/cbook.txt", options, customers, customerRandom, order, *spread,
                            Spread::Book::Customer);
    return ok;
}

} // namespace tarvo::genbook
