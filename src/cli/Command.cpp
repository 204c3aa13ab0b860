#include "cli/Command.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"

namespace tarvo::cli {

SelectionModel CommandContext::model() const
{
    return SelectionModel(app.phonebook(), app.handheld(), app.profile().popSortOrder());
}

} // namespace tarvo::cli
