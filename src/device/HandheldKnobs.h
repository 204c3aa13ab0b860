#pragma once

#include <filesystem>
#include <string>

namespace tarvo {

// What a handheld simulated by a folder is told to do: `simulator.ini`
// [Simulator] beside its `fs/` (README.md). The simulated handheld
// (FolderDevice) and the tests' stand-in for the remote API's library read
// the same knobs, so a fault is set up one way for both.
struct HandheldKnobs {
    int startDelayMs = 0; // negative: never answers
    int startStatus = 0;
    bool refuseSession = false;
    int writeLimitBytes = -1; // negative: no limit
    std::string writeLimitFile;
    int readLimitBytes = -1;
    std::string failCreateFile;
    std::string failRegistryKey;
    bool failValueWrites = false;
    std::string failValueName;
    // The link drops once this many bytes of file data moved in a session
    // (negative: never).
    int dropAfterBytes = -1;

    // The knobs of the handheld in `folder`; a missing file is a handheld
    // that behaves perfectly.
    static HandheldKnobs read(const std::filesystem::path& folder);
};

} // namespace tarvo
