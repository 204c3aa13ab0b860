#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// What a path names, links followed, as the file system says (stat on
// Linux, the wide API on Windows).
struct FileInfo {
    enum class Kind {
        Missing, // nothing there, or a path through something that is no folder
        Regular, // a file
        Folder,
        Other,   // a device, a pipe, a socket
        Unknown, // there may be something, but it cannot be asked (no search right)
    };
    Kind kind = Kind::Missing;
    std::uint64_t size = 0; // for a regular file
    // Why the path is Missing or Unknown, in the system's words.
    std::string error;

    [[nodiscard]] bool isRegular() const { return kind == Kind::Regular; }
    [[nodiscard]] bool isFolder() const { return kind == Kind::Folder; }
    [[nodiscard]] bool exists() const { return kind != Kind::Missing; }
};

FileInfo fileInfo(const std::string& path);

// True when both paths name one and the same file (two links of it).
bool isSameFile(const std::string& a, const std::string& b);

// Makes `copy` another link of the file `original` and puts it in place
// under the name `copy` atomically (a temporary name first, as AtomicFile
// names its files, then a rename over `copy`). False when the file system
// gives no links or either step failed; `copy` is then as it was.
bool linkReplacing(const std::string& original, const std::string& copy);

// Creates the folder `path` (its parent must exist). Empty on success, else
// why not, in the system's words.
std::string makeFolder(const std::string& path);

} // namespace tarvo
