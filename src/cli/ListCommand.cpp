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
#include <vector>

namespace tarvo::cli {

namespace {

constexpr std::size_t kColumns = 7;
constexpr std::array<const char*, kColumns> kHeader = {"pop",       "country",      "region",     "city",
                                                       "area_code", "phone_number", "on_handheld"};

std::array<std::string, kColumns> rowOf(const PopRecord& pop)
{
    return {CodePage::ansiToUtf8(pop.pop()),      CodePage::ansiToUtf8(pop.country()),
            CodePage::ansiToUtf8(pop.region()),   CodePage::ansiToUtf8(pop.city()),
            CodePage::ansiToUtf8(pop.areaCode()), CodePage::ansiToUtf8(pop.phoneNumber()),
            pop.selected() == 1 ? "yes" : "no"};
}

// Display width in characters, counting each UTF-8 sequence once.
std::size_t widthOf(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
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

    std::vector<std::array<std::string, kColumns>> rows;
    rows.reserve(model.rows(which).size());
    for (const PopRecord* pop : model.rows(which))
        rows.push_back(rowOf(*pop));

    std::ostream& out = context.out;
    if (m_options.format == ListOptions::Format::Tsv) {
        for (std::size_t c = 0; c < kColumns; ++c)
            out << kHeader[c] << (c + 1 < kColumns ? '\t' : '\n');
        for (const auto& row : rows)
            for (std::size_t c = 0; c < kColumns; ++c)
                out << row[c] << (c + 1 < kColumns ? '\t' : '\n');
        return kExitOk;
    }

    std::array<std::size_t, kColumns> width{};
    for (std::size_t c = 0; c < kColumns; ++c)
        width[c] = widthOf(kHeader[c]);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < kColumns; ++c)
            width[c] = std::max(width[c], widthOf(row[c]));
    auto printRow = [&](auto cell) {
        for (std::size_t c = 0; c < kColumns; ++c) {
            std::string text = cell(c);
            out << text;
            if (c + 1 < kColumns)
                out << std::string(width[c] - widthOf(text) + 2, ' ');
        }
        out << '\n';
    };
    printRow([&](std::size_t c) { return std::string(kHeader[c]); });
    for (const auto& row : rows)
        printRow([&](std::size_t c) { return row[c]; });
    return kExitOk;
}

} // namespace tarvo::cli
