#include "cli/ListWriter.h"

#include "cli/BlockWriter.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/PopRecord.h"
#include "support/SideBySide.h"
#include "text/CodePage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace tarvo::cli {

namespace {

constexpr std::size_t kColumns = 7;
constexpr std::array<std::string_view, kColumns> kHeader = {"pop",       "country",      "region",     "city",
                                                            "area_code", "phone_number", "on_handheld"};

// The six text cells of a row, as the dialer's files hold them (ANSI); the
// seventh says whether the POP is on the handheld.
std::array<std::string_view, kColumns - 1> textCells(const PopRecord& pop)
{
    return {pop.pop(), pop.country(), pop.region(), pop.city(), pop.areaCode(), pop.phoneNumber()};
}

std::string_view onHandheld(const PopRecord& pop)
{
    return HandheldSet::contains(pop) ? "yes" : "no";
}

// Writes a cell as UTF-8 and then `blanks` blanks and the byte `after`
// (none when it is 0).
void writeCell(BlockWriter& writer, const CodePage& page, std::string_view cell, std::size_t blanks, char after)
{
    if (page.byTable()) {
        // The padding of nearly every cell is shorter than one run of
        // blanks, which goes over whole (the room has space for it).
        constexpr std::size_t kRun = 32;
        static constexpr char kBlanks[kRun + 1] = "                                ";
        char* p = page.writeUtf8(writer.room(CodePage::utf8Room(cell.size()) + std::max(blanks, kRun) + 1), cell);
        if (blanks <= kRun)
            std::memcpy(p, kBlanks, kRun);
        else
            std::memset(p, ' ', blanks);
        p += blanks;
        if (after != 0)
            *p++ = after;
        writer.advance(p);
        return;
    }
    std::string utf8;
    page.appendUtf8(utf8, cell);
    utf8.append(blanks, ' ');
    if (after != 0)
        utf8.push_back(after);
    char* p = writer.room(utf8.size());
    std::memcpy(p, utf8.data(), utf8.size());
    writer.advance(p + utf8.size());
}

// Rows come in sort order and their records lie anywhere in the phonebook's
// memory: fetching a record some rows ahead, and its text a few rows ahead
// (the record holds where the text is), keeps the loops from waiting on
// memory at every row. Always inlined: GCC takes a call that only
// prefetches for one without effect and drops it.
constexpr std::size_t kRecordAhead = 16;
constexpr std::size_t kTextAhead = 8;

[[gnu::always_inline]] inline void prefetchAhead(const std::vector<PopRecord*>& rows, std::size_t row)
{
    if (row + kRecordAhead < rows.size()) {
        const auto* record = reinterpret_cast<const char*>(rows[row + kRecordAhead]);
        __builtin_prefetch(record);
        __builtin_prefetch(record + sizeof(PopRecord) - 1);
    }
    if (row + kTextAhead < rows.size())
        __builtin_prefetch(rows[row + kTextAhead]->location().data());
}

std::size_t widthOf(const CodePage& page, std::string_view cell)
{
    return page.byTable() ? cell.size() : page.characterCount(cell);
}

using Rows = std::vector<PopRecord*>;
using Widths = std::array<std::size_t, kColumns>;

// The widest cell (in characters) of each column among rows [from, to).
Widths widthsOf(const Rows& rows, std::size_t from, std::size_t to, const CodePage& page)
{
    Widths width{};
    for (std::size_t row = from; row < to; ++row) {
        prefetchAhead(rows, row);
        const PopRecord* pop = rows[row];
        std::array<std::string_view, kColumns - 1> cells = textCells(*pop);
        for (std::size_t c = 0; c + 1 < kColumns; ++c)
            width[c] = std::max(width[c], widthOf(page, cells[c]));
        width[kColumns - 1] = std::max(width[kColumns - 1], onHandheld(*pop).size());
    }
    return width;
}

void writeTsvRows(const Rows& rows, std::size_t from, std::size_t to, const CodePage& page, BlockWriter& writer)
{
    for (std::size_t row = from; row < to; ++row) {
        prefetchAhead(rows, row);
        const PopRecord* pop = rows[row];
        for (std::string_view cell : textCells(*pop))
            writeCell(writer, page, cell, 0, '\t');
        writeCell(writer, page, onHandheld(*pop), 0, '\n');
        writer.rowDone();
    }
}

// Columns padded to their widest cell and two blanks; the last one is not
// padded.
void writeTableRows(const Rows& rows, std::size_t from, std::size_t to, const Widths& width, const CodePage& page,
                    BlockWriter& writer)
{
    for (std::size_t row = from; row < to; ++row) {
        prefetchAhead(rows, row);
        const PopRecord* pop = rows[row];
        std::array<std::string_view, kColumns - 1> cells = textCells(*pop);
        for (std::size_t c = 0; c + 1 < kColumns; ++c)
            writeCell(writer, page, cells[c], width[c] - widthOf(page, cells[c]) + 2, 0);
        writeCell(writer, page, onHandheld(*pop), 0, '\n');
        writer.rowDone();
    }
}

} // namespace

void ListWriter::write(const std::vector<PopRecord*>& rows, bool table, const CodePage& page, std::ostream& out)
{
    constexpr std::size_t kParallelRows = 1 << 16;
    const bool split = page.byTable() && worthTwoThreads(rows.size(), kParallelRows);
    const std::size_t middle = split ? rows.size() / 2 : rows.size();
    Widths width{};
    if (table) {
        Widths second{};
        runSideBySide(
            split, [&] { width = widthsOf(rows, 0, middle, page); },
            [&] { second = widthsOf(rows, middle, rows.size(), page); });
        for (std::size_t c = 0; c < kColumns; ++c)
            width[c] = std::max({width[c], second[c], kHeader[c].size()});
    }

    BlockWriter first(&out);
    for (std::size_t c = 0; c < kColumns; ++c) {
        const bool last = c + 1 == kColumns;
        if (table)
            writeCell(first, page, kHeader[c], last ? 0 : width[c] - kHeader[c].size() + 2, last ? '\n' : 0);
        else
            writeCell(first, page, kHeader[c], 0, last ? '\n' : '\t');
    }
    BlockWriter kept(nullptr);
    const auto writePart = [&](std::size_t from, std::size_t to, BlockWriter& writer) {
        if (table)
            writeTableRows(rows, from, to, width, page, writer);
        else
            writeTsvRows(rows, from, to, page, writer);
    };
    runSideBySide(
        split, [&] { writePart(0, middle, first); }, [&] { writePart(middle, rows.size(), kept); });
    first.flush();
    kept.writeKeptTo(out);
}

} // namespace tarvo::cli
