#pragma once

#include "support/HttpConnection.h"

#include <filesystem>
#include <string>

namespace tarvo {

class TagExpander;
class UpdateLog;

// What the steps of one update run share: the working folder, the tags for
// list paths, the log, and the server chosen for the run with its header
// line and the HTTP options (timeouts, and when to give up waiting).
struct UpdateContext {
    std::filesystem::path base;
    const TagExpander& tags;
    const UpdateLog& log;
    std::string serverUrl;
    std::string authHeader;
    HttpOptions http;

    // A path relative to the working folder, as a file name to open.
    std::string file(const std::string& relative) const { return (base / relative).string(); }
};

} // namespace tarvo
