#pragma once

#include <ctime>
#include <set>
#include <string>

namespace tarvo::cehub {

// The handhelds the hub's stored password may go to without a person
// choosing so at that docking: those whose GUID the person listed in a file
// (one a line, as the hub's log writes them; `#` starts a comment; read again
// whenever it changed, so no restart is needed), and those a person unlocked
// with a password a program brought during this run of the hub.
//
// A GUID is what a handheld says it is, not a proof: this keeps the stored
// password from a handheld never seen before, not from one that copies a
// known GUID. Older handhelds have no GUID; the start of their information
// block stands in, which handhelds of one model share.
class TrustedHandhelds final {
public:
    // Far more than any list of handhelds.
    static constexpr long long kMaxBytes = 1 << 20;

    // `file` empty: none listed.
    explicit TrustedHandhelds(std::string file);

    // Reads the file; false with a message when it cannot be read.
    bool load(std::string& error);
    bool trusts(const std::string& guid);
    void unlockedByPerson(const std::string& guid);
    const std::string& file() const { return m_file; }

private:
    std::string m_file;
    std::set<std::string> m_listed;
    std::set<std::string> m_unlocked;
    timespec m_readAt{};
    long long m_readSize = -1;
};

} // namespace tarvo::cehub
