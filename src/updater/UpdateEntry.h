#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

class TagExpander;

// One line of a version list: path, flags, major, minor and an optional
// checksum, separated by commas, such as "pbook.txt,C,12,0,77".
struct UpdateEntry {
    // Lines are split in a buffer of this many characters plus the NUL;
    // a list line longer than that is no entry.
    static constexpr std::size_t kMaxLine = 259;

    std::string line;    // as read, line end removed; stored back verbatim
    std::string path;    // first field, tags expanded
    std::string dir;     // `path` up to and including its last '/'
    std::string name;    // `path` after its last '/'
    bool binary = true;  // false with flag A or T: expanded data is written as text
    bool compressed = false; // flag C: the server holds gzip data
    bool flagD = false;  // recorded, no effect
    bool dropLog = false; // flag L: "log/<name>" goes after a successful pass
    std::int32_t major = 0; // becomes the version suffix of the file names
    std::int32_t minor = 0;
    std::uint32_t checksum = 0; // CRC-32 of the served bytes; 0 = no check
    std::int32_t suffix = 0;    // set by the download
    int fieldCount = 0;

    // Splits `line` into at most five fields. With fewer than four the entry
    // keeps an empty name (no entry); the path goes through tag expansion.
    static UpdateEntry parse(std::string_view line, const TagExpander& tags);

    // `name`, or "<name>.<suffix>" once the download set a suffix.
    [[nodiscard]] std::string localName() const;
    // "update/" + the local name.
    [[nodiscard]] std::string updatePath() const;
    // Where the server keeps the file: `dir` and the local name.
    [[nodiscard]] std::string remotePath() const;

    // Empty when acting on the entry keeps every file operation inside the
    // working folders; otherwise why not. The lists come from a server. Only
    // the name reaches the disk ("update/<name>.<major>", "backup/<name>",
    // "log/<name>"), so the name must be one plain file name: no separator
    // (a backslash is one on Windows), no colon (a drive or a stream there),
    // not only dots. The folder part goes into the server's URL alone and
    // may hold what the server makes of it. No part may hold a control
    // character, as the path is printed.
    [[nodiscard]] std::string_view unsafeReason() const;
};

} // namespace tarvo
