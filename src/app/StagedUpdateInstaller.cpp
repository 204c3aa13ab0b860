#include "app/StagedUpdateInstaller.h"

#include "app/WorkingFolder.h"
#include "support/FileInfo.h"
#include "support/FrontEnd.h"
#include "support/ProgramStart.h"

#include <cstdio>
#include <filesystem>

namespace tarvo {

void StagedUpdateInstaller::startIfStaged(FrontEnd& frontEnd, const std::string& caption, const WorkingFolder& folder)
{
    const std::string marker = folder.path(WorkingFolder::kUpdateMarker);
    if (!fileInfo(marker).exists())
        return;
    const int error = startDetached(folder.path(kInstaller), pathText(folder.root()));
    if (error != 0) {
        char text[128];
        std::snprintf(text, sizeof text, kStartFailed, error);
        frontEnd.messageBox(text, caption, MessageIcon::Error);
    }
    std::error_code ignored;
    std::filesystem::remove(nativePath(marker), ignored);
}

} // namespace tarvo
