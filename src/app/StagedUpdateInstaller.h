#pragma once

#include <string>

namespace tarvo {

class FrontEnd;
class WorkingFolder;

// Staged updates are installed by an installer of their own, started as the
// program is left when "_updatelist.txt" marks them; this program never
// writes that marker, it only consumes it.
class StagedUpdateInstaller final {
public:
    // In the working folder.
    static constexpr const char* kInstaller = "update/setup.exe";
    static constexpr const char* kStartFailed = "ERROR: Unable to update Synchronizer (%d)";

    StagedUpdateInstaller() = delete;

    // Starts the installer, detached, when the marker is there (the
    // platform's process service); a start that fails is shown with the
    // system's number. The marker is removed either way, so it cannot stop
    // the next start of the program.
    static void startIfStaged(FrontEnd& frontEnd, const std::string& caption, const WorkingFolder& folder);
};

} // namespace tarvo
