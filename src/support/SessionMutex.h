#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// A named lock of the login session, made at start-up and kept until the
// process ends, that tells whether another process made it first: the
// single-instance check's "TarvoSynchronizerMutex". On Windows the named
// mutex "Local\<name>", created initially owned; on Linux an exclusive lock
// on the file "<name>.lock" in the session's runtime folder. Either way the
// system lets go of it when the process ends, also when it is killed.
class SessionMutex final {
public:
    static constexpr const char* kSynchronizerName = "TarvoSynchronizerMutex";

    enum class State {
        Created,        // this process made it: no other copy runs
        AlreadyExisted, // another process of the session holds it
        Failed,         // it could not be made; the check then lets the copy run
    };

    // `runtimeFolder`: where the Linux lock file lives ($XDG_RUNTIME_DIR);
    // not used on Windows.
    SessionMutex(const std::string& name, const std::string& runtimeFolder);
    SessionMutex(const SessionMutex&) = delete;
    SessionMutex& operator=(const SessionMutex&) = delete;
    ~SessionMutex();

    [[nodiscard]] State state() const { return m_state; }

private:
    std::intptr_t m_handle = -1; // a descriptor or a HANDLE, while held
    State m_state = State::Failed;
};

} // namespace tarvo
