// tarvo-genbook: writes a realistic dialer installation into a folder, for
// tests, benchmarks and the demo.
//
//   tarvo-genbook [--out DIR] [--pops N] [--seed S]
//                 [--scattered | --realistic [--cities C]] [--gzip]
//                 [--header] [--canonical-header] [--customer-percent P]
//                 [--ver V] [--dialer-version TEXT]
//
//   --out DIR             folder to write (created if missing; default ".")
//   --pops N              POP lines in "pbook.txt" (default 1000, at least 1);
//                         a MODEM/ISDN pair counts as two lines
//   --seed S              the same seed and options give the same bytes (default 1)
//   --scattered           the hard case for the city derivation instead of
//                         the files below: 120 made-up countries, POPs in
//                         random location order, about one city per ten
//                         POPs; only pbook.txt, region.txt, country.txt and
//                         dr_country.txt (--gzip and --ver apply)
//   --realistic           the files below, with the cities of a grown
//                         phonebook: many per country (about one per 15
//                         POPs), the cities of the table first and then
//                         made-up ones (some with accented letters), each in
//                         a region of its country; POPs crowd into the big
//                         cities (the city of rank k draws in proportion to
//                         1/k), every city getting one first while lines last
//   --cities C            with --realistic, C cities in all (at least the
//                         table's); --cities N with --pops N gives nearly one
//                         city per POP
//   --gzip                "pbook.txt" holds gzip data, as the dialer ships it
//   --header              a "#HDR" line with the 28 column names in an order
//                         shuffled by the seed; POP lines (in "cbook.txt" too)
//                         follow that order
//   --canonical-header    a "#HDR" line in the canonical column order
//   --customer-percent P  "cbook.txt" holds P percent of N more POPs (default 5,
//                         at least 1 line when P > 0; with 0 only its "#VER" line)
//   --ver V               number of the "#VER" line (default 1)
//   --dialer-version TEXT "DialerVersionNo" of "config.ini" (default "4.2")
//
// Exit status: 0 written, 1 a file could not be written, 2 usage error.
// The files are made by the generator library in genbook/, which the
// benchmarks call directly.
//
// Files written (Windows text: CR LF line ends, windows-1252 bytes, some
// names carry accented letters such as "M\xFCnchen"):
//   pbook.txt      "#VER <V>", optional "#HDR ..." line, then N POP lines of
//                  28 comma-separated columns, grouped by country, region
//                  and city (--realistic: by country, then city by city,
//                  the largest first, regions mixed); POP ids "<country><7 digits>"; in countries with
//                  ISDN about one POP in eight is a MODEM line followed by an
//                  ISDN line with the same POP id (the first one always is)
//   cbook.txt      customer POPs, same layout, POP ids "C<country><6 digits>"
//   region.txt     countryCode,regionCode,name,altName ("WA" is a region of
//                  both the US and Australia)
//   country.txt    code,tapiCountryId,name,allCityOrder: US 1, CA 2, GB 44,
//                  DE 49, FR 33, ES 34, JP 81, AU 61, NL 31, SG 65, and IT 39,
//                  CH 41, BR 55 without POPs. Canada's 2 is not in the shipped
//                  telephony country list (which has it as 107), so its rules
//                  come only from "dr_country.txt".
//   dr_country.txt the dialer's dialing rules for US, CA, GB, DE, JP
//   dr_areacode.txt area codes of the North American cities (copied unread)
//   config.ini     [Profile] DialerVersionNo
#include "genbook/Genbook.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    tarvo::genbook::BookOptions options;
    bool scattered = false;
    bool realistic = false;
    CLI::App app{"Writes a dialer installation (phonebook and tables) for tests and benchmarks."};
    app.add_option("--out", options.out, "folder to write (created if missing)");
    app.add_option("--pops", options.pops, "POP lines in pbook.txt")->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 40));
    app.add_option("--seed", options.seed, "random seed; same seed, same files");
    auto* scatteredFlag =
        app.add_flag("--scattered", scattered, "POPs in random location order over 120 made-up countries");
    auto* realisticFlag = app.add_flag("--realistic", realistic,
                                       "many cities per country (about one per 15 POPs), POPs crowding into big ones")
                              ->excludes(scatteredFlag);
    app.add_option("--cities", options.cities, "with --realistic: cities in all")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 32))
        ->needs(realisticFlag);
    app.add_flag("--gzip", options.gzip, "write pbook.txt gzip-compressed");
    auto* shuffled = app.add_flag("--header", options.header, "#HDR line with the columns in a shuffled order");
    app.add_flag("--canonical-header", options.canonicalHeader, "#HDR line with the columns in canonical order")
        ->excludes(shuffled);
    app.add_option("--customer-percent", options.customerPercent, "customer POPs in cbook.txt, percent of --pops")
        ->check(CLI::Range(0u, 1000u));
    app.add_option("--ver", options.ver, "number of the #VER line");
    app.add_option("--dialer-version", options.dialerVersion, "DialerVersionNo of config.ini");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        (void)app.exit(e);
        return 2;
    }

    options.layout = scattered   ? tarvo::genbook::Layout::Scattered
                     : realistic ? tarvo::genbook::Layout::Realistic
                                 : tarvo::genbook::Layout::Grouped;
    const bool ok = tarvo::genbook::writeInstallation(options);
    if (!ok) {
        std::fprintf(stderr, "tarvo-genbook: cannot write the files in %s\n", options.out.c_str());
        return 1;
    }
    return 0;
}
