#include "cli/ListCommand.h"

#include "app/SelectionModel.h"
#include "cli/JsonOutput.h"
#include "cli/ListWriter.h"
#include "cli/OptionSet.h"
#include "text/CodePage.h"

#include <ostream>

namespace tarvo::cli {

void ListCommand::addOptions(OptionSet& options)
{
    m_options.filter.addOptions(options);
    options.add("--handheld", "The Handheld list: chosen POPs passing the filter", &m_options.handheld);
    options.add("--sort", "Sort column", &m_sortName).allowed = {"city", "number"};
    options.add("--descending", "Descending order", &m_options.descending);
    options.add("--format", "Output format: table, tsv or json", &m_formatName).allowed = {"table", "tsv", "json"};
}

bool ListCommand::finishOptions(std::ostream&)
{
    m_options.sort = m_sortName == "number" ? SortColumn::Number : SortColumn::City;
    m_options.format = m_formatName == "tsv"    ? ListOptions::Format::Tsv
                       : m_formatName == "json" ? ListOptions::Format::Json
                                                : ListOptions::Format::Table;
    return true;
}

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

    ListWriter::write(model.rows(which), m_options.format == ListOptions::Format::Table, CodePage::ansi(), context.out);
    return kExitOk;
}

} // namespace tarvo::cli
