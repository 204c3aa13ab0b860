#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// What the program's command line asks for. Files stay unset when the line
// does not name them, so the defaults ("synconfig.ini", "synuser.ini") hold.
struct CommandLineOptions {
    std::optional<std::string> profileFile; // "-c"
    std::optional<std::string> userFile;    // "-u"
    bool allowMultiple = false;             // "-m"
};

// Splits the arguments at blanks and tabs. A switch ("-c", "-u", "-r", "-b",
// "-d", ignoring case) sets the mode for the plain tokens that follow: in
// "-c" mode each names the profile settings file (the last one wins), in
// "-u" mode the user settings file; the other modes ignore them, and so are
// plain tokens before any switch. "-m" allows a second copy and leaves the
// mode as it is.
CommandLineOptions parseCommandLine(std::string_view arguments);

} // namespace tarvo
