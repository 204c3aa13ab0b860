#include "cli/Command.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"

namespace tarvo::cli {

SelectionModel CommandContext::model() const
{
    return SelectionModel(app.phonebook(), app.profile().popSortOrder(), app.profile().maxPops());
}

} // namespace tarvo::cli
