#pragma once

#include <string>

namespace tarvo {

// "_updatelist.txt" marks an installation of staged updates. While the
// installer holds the file, this program must not start: on Windows while
// any other process has it open (an open that shares it with nobody fails),
// on Linux while another process holds an exclusive lock on it. The program
// itself never writes the file.
class UpdateGuard final {
public:
    // Followed by the marker's full path and the reason in parentheses.
    static constexpr const char* kUnusableMessage = "ERROR: Unable to check the update marker ";

    enum class State {
        Absent,   // no marker: start-up goes on
        Free,     // a marker nobody holds: start-up goes on
        Held,     // another process holds it: start-up ends silently
        Unusable, // there, but it cannot be opened to ask: start-up fails, saying so
    };

    struct Status {
        State state = State::Absent;
        // With Unusable: kUnusableMessage, the full path and why.
        std::string message;
    };

    // `path`: the working folder's "_updatelist.txt".
    static Status check(const std::string& path);
    // True when the marker exists and another process holds it, so start-up
    // must end silently. A marker nobody holds lets start-up go on.
    static bool isHeld(const std::string& path) { return check(path).state == State::Held; }

private:
    // kUnusableMessage, the marker's full path and `why`.
    static std::string unusable(const std::string& path, const std::string& why);
};

} // namespace tarvo
