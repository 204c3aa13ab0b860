#pragma once

#include "hub/PasswordPauses.h"
#include "hub/TrustedHandhelds.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace tarvo::cehub {

class HubDevice;

// Who may send a locked handheld a password, and when: the hub's stored
// password only to a trusted handheld (TrustedHandhelds), once per docking;
// a program's password after the pause its last wrong one earned
// (PasswordPauses) and only while the docking has tries left. A handheld a
// program's password unlocked becomes trusted. Wrong passwords are logged
// as the first one and one count, never one line each.
class PasswordKeeper final {
public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(const std::string&)>;
    enum class Verdict { Send, Wait, Refuse };

    // `stored`: the stored password (empty: none); `trustedFile`: the file
    // of trusted GUIDs (empty: none).
    PasswordKeeper(std::string stored, std::string trustedFile, int maxTries, std::chrono::milliseconds firstPause,
                   Log log);

    // Reads the trusted handhelds' file; false with a message.
    bool load(std::string& error) { return m_trusted.load(error); }

    // A locked handheld told who it is: the stored password goes, if it may.
    void offerStored(HubDevice& device);
    // Whether a program's password may go to the handheld now.
    Verdict mayTry(const HubDevice& device, Clock::time_point now) const;
    // A program's password went to the handheld.
    void programSent(const HubDevice& device);

    void ready(const HubDevice& device);
    void rejected(const HubDevice& device);
    void gone(const HubDevice& device);
    // The handheld's connection is no more.
    void forget(std::uint64_t device);

private:
    std::string m_stored;
    int m_maxTries;
    Log m_log;
    TrustedHandhelds m_trusted;
    PasswordPauses m_pauses;
    // Handhelds the stored password was offered to in this docking, those
    // checking it now, and those checking a password a program brought.
    std::set<std::uint64_t> m_storedOffered;
    std::set<std::uint64_t> m_storedChecking;
    std::set<std::uint64_t> m_programChecking;
};

} // namespace tarvo::cehub
