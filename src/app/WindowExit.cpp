#include "app/WindowExit.h"

#include "app/StagedUpdateInstaller.h"
#include "app/SyncApp.h"
#include "support/FrontEnd.h"

namespace tarvo {

bool WindowExit::mayClose(SyncApp& app, FrontEnd& frontEnd, bool changed, const std::function<bool()>& save)
{
    StagedUpdateInstaller::startIfStaged(frontEnd, app.applicationName(), app.folder());
    if (!changed)
        return true;
    const MessageAnswer answer =
        frontEnd.messageBox(kChangesQuestion, app.applicationName(), MessageIcon::None, MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Cancel)
        return false;
    if (answer == MessageAnswer::Yes)
        return save();
    return true;
}

} // namespace tarvo
