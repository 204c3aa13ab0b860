#include "cli/ListCommand.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/JsonOutput.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"
#include "text/CodePage.h"

#include <algorithm>
#include <array>
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
// reaches the stream in a few hundred writes.
class BlockWriter final {
public:
    explicit BlockWriter(std::ostream& out) : m_out(out) { m_block.reserve(kBlock + kBlock / 8); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;
    ~BlockWriter() { flush(); }

    std::string& block() { return m_block; }
    void rowDone()
    {
        if (m_block.size() >= kBlock)
            flush();
    }
    void flush()
    {
        m_out.write(m_block.data(), static_cast<std::streamsize>(m_block.size()));
        m_block.clear();
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;

    std::ostream& m_out;
    std::string m_block;
};

void writeTsv(const std::vector<PopRecord*>& rows, const CodePage& page, BlockWriter& writer)
{
    std::string& out = writer.block();
    for (std::size_t c = 0; c < kColumns; ++c)
        out.append(kHeader[c]).push_back(c + 1 < kColumns ? '\t' : '\n');
    for (const PopRecord* pop : rows) {
        for (std::string_view cell : textCells(*pop)) {
            page.appendUtf8(out, cell);
            out.push_back('\t');
        }
        out.append(onHandheld(*pop)).push_back('\n');
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
            width[c] = std::max(width[c], page.characterCount(cells[c]));
        width[kColumns - 1] = std::max(width[kColumns - 1], onHandheld(*pop).size());
    }
    std::string& out = writer.block();
    auto pad = [&](std::size_t column, std::size_t shown) { out.append(width[column] - shown + 2, ' '); };
    for (std::size_t c = 0; c < kColumns; ++c) {
        out.append(kHeader[c]);
        if (c + 1 < kColumns)
            pad(c, kHeader[c].size());
    }
    out.push_back('\n');
    for (const PopRecord* pop : rows) {
        std::array<std::string_view, kColumns - 1> cells = textCells(*pop);
        for (std::size_t c = 0; c + 1 < kColumns; ++c) {
            page.appendUtf8(out, cells[c]);
            pad(c, page.characterCount(cells[c]));
        }
        out.append(onHandheld(*pop)).push_back('\n');
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
