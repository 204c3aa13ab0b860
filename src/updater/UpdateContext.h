#pragma once

#include "support/HttpConnection.h"
#include "support/NativePath.h"
#include "updater/UpdateLimits.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarvo {

class TagExpander;
class UpdateLog;

// What the steps of one update run share: the working folder, the tags for
// list paths, the log, the server chosen for the run with its header line
// and the HTTP options (timeouts, and when to give up waiting), the bounds
// of what a server may send, and the names no entry may take (the version
// lists' own, which "update" holds beside the files).
struct UpdateContext {
    std::filesystem::path base;
    const TagExpander& tags;
    const UpdateLog& log;
    std::string serverUrl;
    std::string authHeader;
    HttpOptions http;
    UpdateLimits limits{};
    std::vector<std::string> listNames{};

    // A path relative to the working folder, as a file name to open.
    std::string file(const std::string& relative) const { return pathUnder(base, relative); }
};

} // namespace tarvo
