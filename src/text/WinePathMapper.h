#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Where a Windows path of a Wine prefix ("C:\Program Files\Tarvo") lies on
// this machine. The drive is the prefix's "dosdevices/" entry for its letter
// (Wine makes "c:" a link to "../drive_c" and "z:" one to "/"); the names
// after it are found on disk ignoring case, as Wine finds them, and those
// not there are kept as written. Backslashes and slashes both separate;
// "." and ".." are resolved in the text, as Windows does, never above the
// drive.
class WinePathMapper final {
public:
    explicit WinePathMapper(std::string prefix);

    const std::string& prefix() const { return m_prefix; }

    // The path on this machine, or nullopt for a path without a drive letter
    // (a share "\\server\share", a relative path, "%ProgramFiles%\...") or
    // with a drive the prefix does not have.
    std::optional<std::string> toLinuxPath(std::string_view windowsPath) const;

private:
    std::string m_prefix;
};

} // namespace tarvo
