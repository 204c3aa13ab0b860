#include "genbook/Genbook.h"

#include "genbook/Random.h"
#include "genbook/Sink.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvo::genbook {

namespace {

struct Country {
    std::string code;
    int id = 0;
    std::vector<std::string> regions;
    std::vector<std::string> cities;
};

bool writeLines(const std::string& path, const std::string& text)
{
    Sink sink(path, false);
    sink.buffer() = text;
    return sink.finish();
}

} // namespace

bool writeScatteredInstallation(const BookOptions& options)
{
    std::error_code ec;
    std::filesystem::create_directories(options.out, ec);
    Random random(options.seed);
    auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random.below(static_cast<std::uint32_t>(n))); };
    auto word = [&](std::size_t minLen, std::size_t maxLen) {
        std::string w;
        std::size_t len = minLen + pick(maxLen - minLen + 1);
        w.push_back(static_cast<char>('A' + pick(26)));
        while (w.size() < len)
            w.push_back(static_cast<char>('a' + pick(26)));
        return w;
    };

    // 120 countries; the first ten have regions, every country has cities.
    std::vector<Country> countries;
    std::string countryText = "; code,id,name,allcity\r\n";
    std::string rulesText;
    std::string regionText;
    const std::size_t cityCount = options.pops < 200000 ? static_cast<std::size_t>(options.pops) / 10 + 10 : 20000;
    for (int c = 0; c < 120; ++c) {
        Country country;
        country.code = std::string{static_cast<char>('A' + c / 26), static_cast<char>('A' + c % 26)};
        country.id = c == 0 ? 1 : 30 + c;
        if (c < 10)
            for (int r = 0; r < 50; ++r) {
                std::string code = std::string{static_cast<char>('A' + r / 26), static_cast<char>('A' + r % 26)};
                country.regions.push_back(code);
                regionText += country.code + "," + code + "," + word(5, 12) + "," + code.substr(0, 1) + ".\r\n";
            }
        std::size_t cities = cityCount / 120 + 1;
        for (std::size_t i = 0; i < cities; ++i)
            country.cities.push_back(word(4, 14));
        countryText += country.code + "," + std::to_string(country.id) + "," + word(6, 14) + ","
                       + std::to_string(c % 3) + "\r\n";
        if (c % 2 == 0)
            rulesText += country.code + "," + std::to_string(country.id) + "," + std::to_string(c + 1)
                         + ",G, 1FG,011EFG, 1FG\r\n";
        countries.push_back(std::move(country));
    }
    const std::string& dir = options.out;
    if (!writeLines(dir + "/region.txt", regionText) || !writeLines(dir + "/country.txt", countryText)
        || !writeLines(dir + "/dr_country.txt", rulesText))
        return false;

    Sink book(dir + "/pbook.txt", options.gzip);
    book.line("#VER " + std::to_string(options.ver));
    char line[512];
    for (std::size_t i = 0; i < options.pops;) {
        // Half the POPs lie in the ten countries with regions.
        const Country& country = countries[pick(2) ? pick(10) : pick(countries.size())];
        const std::string region = country.regions.empty() ? std::string() : country.regions[pick(country.regions.size())];
        const std::string& city = country.cities[pick(country.cities.size())];
        unsigned area = 200 + static_cast<unsigned>(pick(800));
        unsigned number = 2000000 + static_cast<unsigned>(pick(7000000));
        bool variant = pick(20) == 0 && i + 1 < options.pops;
        for (int v = 0; v <= (variant ? 1 : 0); ++v, ++i) {
            int n = std::snprintf(line, sizeof line,
                                  "%s,%s,%s,%u,%u,%s-%07zu,tarvo.scp,,,127,0,2359,0,86400,0.0%zu,%s,%d,1,1,0,"
                                  "10.%zu.%zu.1,0,18005550%03zu,Support line,%d,%zu,%s,BC%04zu\r\n",
                                  country.code.c_str(), region.c_str(), city.c_str(), area, number,
                                  country.code.c_str(), i - static_cast<std::size_t>(v), pick(10),
                                  v ? "64000" : "56000", v, pick(256), pick(256), pick(1000),
                                  static_cast<int>(pick(8) == 0), pick(100), v ? "ISDN" : "MODEM", pick(10000));
            book.buffer().append(line, static_cast<std::size_t>(n));
        }
        book.maybeFlush();
    }
    return book.finish();
}

} // namespace tarvo::genbook
