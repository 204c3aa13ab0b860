#pragma once

#include <cstdint>
#include <string>

namespace tarvo::genbook {

// How the POP lines of "pbook.txt" lie.
enum class Layout {
    // As the dialer ships it: a dozen real countries, grouped by country,
    // region and city, a few hundred cities; with "cbook.txt",
    // "dr_areacode.txt" and "config.ini".
    Grouped,
    // The hard case for the city derivation: 120 made-up countries, POPs in
    // random location order, about one city per ten POPs (up to 20,000),
    // one POP in twenty followed by an ISDN line; no customer book.
    Scattered,
    // The grouped layout's countries, tables and customer book, with the
    // cities of a phonebook that has grown: many per country (about one per
    // fifteen POPs, or `cities`), POPs crowding into the big ones.
    Realistic,
};

// What to write; the same options and seed give the same bytes.
struct BookOptions {
    std::string out = ".";        // the folder (created when missing)
    std::uint64_t pops = 1000;    // POP lines in "pbook.txt" (a MODEM/ISDN pair counts as two)
    std::uint64_t seed = 1;
    std::uint64_t cities = 0;     // the realistic layout's cities (0: about one per 15 POPs)
    Layout layout = Layout::Grouped;
    bool gzip = false;            // "pbook.txt" holds gzip data, as the dialer ships it
    bool header = false;          // a "#HDR" line, columns in an order shuffled by the seed
    bool canonicalHeader = false; // a "#HDR" line in the canonical order
    unsigned customerPercent = 5; // "cbook.txt" holds this percentage of `pops` more POPs
    int ver = 1;                  // the number of the "#VER" line
    std::string dialerVersion = "4.2"; // "DialerVersionNo" of "config.ini"
};

// Writes a dialer installation into `options.out`: "pbook.txt" and the
// tables the phonebook load needs (see tarvo-genbook.cpp for the files and
// their content). False when a file could not be written.
[[nodiscard]] bool writeInstallation(const BookOptions& options);

// The scattered layout's files; writeInstallation calls it for that layout.
[[nodiscard]] bool writeScatteredInstallation(const BookOptions& options);

} // namespace tarvo::genbook
