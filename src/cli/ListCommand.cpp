#include "cli/ListCommand.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/JsonOutput.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"
#include "text/CodePage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <ostream>
#include <string_view>
#include <vector>

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
    return pop.selected() == 1 ? "yes" : "no";
}

// Output gathered into large blocks: a list of hundreds of thousands of rows
// reaches the stream in a few hundred writes. Cells are written straight
// into the block; `room` makes sure one fits.
class BlockWriter final {
public:
    explicit BlockWriter(std::ostream& out) : m_out(out), m_data(new char[kBlock + kSlack]), m_capacity(kBlock + kSlack)
    {
    }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;
    ~BlockWriter() { flush(); }

    // Where `size` more bytes can go.
    char* room(std::size_t size)
    {
        if (m_used + size > m_capacity) {
            flush();
            if (size > m_capacity) {
                m_data.reset(new char[size]);
                m_capacity = size;
            }
        }
        return m_data.get() + m_used;
    }
    // The bytes up to `end` (within the last room) are written.
    void advance(char* end) { m_used = static_cast<std::size_t>(end - m_data.get()); }
    void rowDone()
    {
        if (m_used >= kBlock)
            flush();
    }
    void flush()
    {
        m_out.write(m_data.get(), static_cast<std::streamsize>(m_used));
        m_used = 0;
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    // A row of longest cells fits after a nearly full block.
    static constexpr std::size_t kSlack = 64 << 10;

    std::ostream& m_out;
    std::unique_ptr<char[]> m_data;
    std::size_t m_capacity;
    std::size_t m_used = 0;
};

// Writes a cell as UTF-8 and then `blanks` blanks and the byte `after`
// (none when it is 0).
void writeCell(BlockWriter& writer, const CodePage& page, std::string_view cell, std::size_t blanks, char after)
{
    if (page.byTable()) {
        char* p = page.writeUtf8(writer.room(CodePage::utf8Room(cell.size()) + blanks + 1), cell);
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

std::size_t widthOf(const CodePage& page, std::string_view cell)
{
    return page.byTable() ? cell.size() : page.characterCount(cell);
}

void writeTsv(const std::vector<PopRecord*>& rows, const CodePage& page, BlockWriter& writer)
{
    for (std::size_t c = 0; c < kColumns; ++c)
        writeCell(writer, page, kHeader[c], 0, c + 1 < kColumns ? '\t' : '\n');
    for (const PopRecord* pop : rows) {
        for (std::string_view cell : textCells(*pop))
            writeCell(writer, page, cell, 0, '\t');
        writeCell(writer, page, onHandheld(*pop), 0, '\n');
        writer.rowDone();
    }
}

// Columns padded to their widest cell (in characters) and two blanks; the
// last one is not padded.
void writeTable(const std::vector<PopRecord*>& rows, const CodePage& page, BlockWriter& writer)
{
    std::array<std::size_t, kColumns> width{};
    for (std::size_t c = 0; c < kColumns; ++c)
        width[c] = kHeader[c].size();
    for (const PopRecord* pop : rows) {
        std::array<std::string_view, kColumns - 1> cells = textCells(*pop);
        for (std::size_t c = 0; c + 1 < kColumns; ++c)
            width[c] = std::max(width[c], widthOf(page, cells[c]));
        width[kColumns - 1] = std::max(width[kColumns - 1], onHandheld(*pop).size());
    }
    for (std::size_t c = 0; c + 1 < kColumns; ++c)
        writeCell(writer, page, kHeader[c], width[c] - kHeader[c].size() + 2, 0);
    writeCell(writer, page, kHeader[kColumns - 1], 0, '\n');
    for (const PopRecord* pop : rows) {
        std::array<std::string_view, kColumns - 1> cells = textCells(*pop);
        for (std::size_t c = 0; c + 1 < kColumns; ++c)
            writeCell(writer, page, cells[c], width[c] - widthOf(page, cells[c]) + 2, 0);
        writeCell(writer, page, onHandheld(*pop), 0, '\n');
        writer.rowDone();
    }
}

} // namespace

int ListCommand::run(CommandContext& context)
{
    SelectionModel model = context.model();
    PopFilter filter;
    if (!m_options.filter.resolve(model, filter, context.err))
        return kExitUsage;

    SelectionModel::List which = m_options.handheld ? SelectionModel::List::Handheld : SelectionModel::List::Main;
    model.setSort(which, {m_options.sort, m_options.descending ? SortDirection::Descending : SortDirection::Ascending});
    model.applyFilter(filter);
    if (m_options.format == ListOptions::Format::Json) {
        writePopsJson(context.out, model.rows(which));
        return kExitOk;
    }

    BlockWriter writer(context.out);
    if (m_options.format == ListOptions::Format::Tsv)
        writeTsv(model.rows(which), CodePage::ansi(), writer);
    else
        writeTable(model.rows(which), CodePage::ansi(), writer);
    return kExitOk;
}

} // namespace tarvo::cli
