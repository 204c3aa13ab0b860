#pragma once

// A dialer installation of a given size for the benchmarks: "region.txt",
// "country.txt", the dialer's "dr_country.txt" and a "pbook.txt" of `pops`
// POP lines (about 150 bytes each, one POP in twenty followed by an ISDN
// variant), in random location order. Deterministic for a seed.

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace tarvo::bench {

struct BookFiles {
    std::uintmax_t pbookBytes = 0;
    std::size_t lines = 0;
};

inline bool writeText(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

inline BookFiles GenerateBook(const std::string& dir, std::size_t pops, std::uint32_t seed = 1)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    auto word = [&](std::size_t minLen, std::size_t maxLen) {
        std::string w;
        std::size_t len = minLen + pick(maxLen - minLen + 1);
        w.push_back(static_cast<char>('A' + pick(26)));
        while (w.size() < len)
            w.push_back(static_cast<char>('a' + pick(26)));
        return w;
    };

    // 120 countries; the first ten have regions, every country has cities.
    struct Country {
        std::string code;
        int id;
        std::vector<std::string> regions;
        std::vector<std::string> cities;
    };
    std::vector<Country> countries;
    std::string countryText = "; code,id,name,allcity\r\n";
    std::string rulesText;
    std::string regionText;
    const std::size_t cityCount = pops < 200000 ? pops / 10 + 10 : 20000;
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
        countryText += country.code + "," + std::to_string(country.id) + "," + word(6, 14) + "," +
                       std::to_string(c % 3) + "\r\n";
        if (c % 2 == 0)
            rulesText += country.code + "," + std::to_string(country.id) + "," + std::to_string(c + 1) +
                         ",G, 1FG,011EFG, 1FG\r\n";
        countries.push_back(std::move(country));
    }
    writeText(dir + "/region.txt", regionText);
    writeText(dir + "/country.txt", countryText);
    writeText(dir + "/dr_country.txt", rulesText);

    BookFiles result;
    std::FILE* out = std::fopen((dir + "/pbook.txt").c_str(), "wb");
    if (!out)
        return result;
    std::string block = "#VER 20240101\r\n";
    char line[512];
    for (std::size_t i = 0; i < pops;) {
        // Half the POPs lie in the ten countries with regions.
        const Country& country = countries[pick(2) ? pick(10) : pick(countries.size())];
        const std::string& region = country.regions.empty() ? std::string() : country.regions[pick(country.regions.size())];
        const std::string& city = country.cities[pick(country.cities.size())];
        unsigned area = 200 + static_cast<unsigned>(pick(800));
        unsigned number = 2000000 + static_cast<unsigned>(pick(7000000));
        bool variant = pick(20) == 0 && i + 1 < pops;
        for (int v = 0; v <= (variant ? 1 : 0); ++v, ++i) {
            int n = std::snprintf(line, sizeof line,
                                  "%s,%s,%s,%u,%u,%s-%07zu,tarvo.scp,,,127,0,2359,0,86400,0.0%zu,%s,%d,1,1,0,"
                                  "10.%zu.%zu.1,0,18005550%03zu,Support line,%d,%zu,%s,BC%04zu\r\n",
                                  country.code.c_str(), region.c_str(), city.c_str(), area, number,
                                  country.code.c_str(), i - static_cast<std::size_t>(v), pick(10),
                                  v ? "64000" : "56000", v, pick(256), pick(256), pick(1000),
                                  static_cast<int>(pick(8) == 0), pick(100), v ? "ISDN" : "MODEM", pick(10000));
            block.append(line, static_cast<std::size_t>(n));
            ++result.lines;
        }
        if (block.size() > (1 << 20)) {
            std::fwrite(block.data(), 1, block.size(), out);
            result.pbookBytes += block.size();
            block.clear();
        }
    }
    std::fwrite(block.data(), 1, block.size(), out);
    result.pbookBytes += block.size();
    std::fclose(out);
    return result;
}

} // namespace tarvo::bench
