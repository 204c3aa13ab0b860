#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tarvo::pbserver {

struct PublishOptions {
    // The files to publish: every regular file directly in this folder.
    std::filesystem::path source;
    // The folder the server serves.
    std::filesystem::path root;
    // The version list to write under "verce/", such as "42.ver".
    std::string list = "global.ver";
    int major = 1;
    int minor = 0;
    // Files served gzip-compressed (flag C); all of them with `compressAll`.
    std::set<std::string> compressed;
    bool compressAll = false;
    // Files that are text (flag A: expanded with CR LF line ends).
    std::set<std::string> text;
    // Files whose copy under the dialer's "log" goes after an update (flag L).
    std::set<std::string> dropLog;
};

// Lays a folder of files out the way the update service fetches them: each
// file as "<name>.<major>" (its bare name when major is 0), gzip-compressed
// when it is marked so, and the version list "verce/<list>" with one line
// "name,flags,major,minor,checksum" per file, the checksum being the CRC-32
// of the bytes served. Files and list are replaced atomically.
class Publisher final {
public:
    struct Result {
        std::string error; // empty on success
        std::vector<std::string> lines; // the version list's lines
    };

    static Result publish(const PublishOptions& options);
};

} // namespace tarvo::pbserver
