#include "hub/PasswordKeeper.h"

#include "hub/HubDevice.h"

namespace tarvo::cehub {

PasswordKeeper::PasswordKeeper(std::string stored, std::string trustedFile, int maxTries,
                               std::chrono::milliseconds firstPause, Log log)
    : m_stored(std::move(stored)),
      m_maxTries(maxTries),
      m_log(std::move(log)),
      m_trusted(std::move(trustedFile)),
      m_pauses(firstPause)
{
}

void PasswordKeeper::programSent(const HubDevice& device)
{
    m_programChecking.insert(device.id());
}

void PasswordKeeper::offerStored(HubDevice& device)
{
    if (m_stored.empty() || !m_storedOffered.insert(device.id()).second)
        return;
    const std::string& guid = device.info().guid;
    if (!m_trusted.trusts(guid)) {
        m_log("the stored password is not given to handheld " + device.label() + " " + guid +
              ", which has not been unlocked through this hub: the program that asks must bring the password" +
              (m_trusted.file().empty() ? std::string(" (or list the GUID in a file named by --trusted-handhelds)")
                                        : " (or list the GUID in " + m_trusted.file() + ")"));
        return;
    }
    if (Clock::now() < m_pauses.notBefore(guid))
        return; // wrong passwords lately: a program may try when the pause is over
    if (device.sendPassword(m_stored))
        m_storedChecking.insert(device.id());
}

PasswordKeeper::Verdict PasswordKeeper::mayTry(const HubDevice& device, Clock::time_point now) const
{
    if (device.rejected() >= m_maxTries)
        return Verdict::Refuse;
    return now < m_pauses.notBefore(device.info().guid) ? Verdict::Wait : Verdict::Send;
}

void PasswordKeeper::ready(const HubDevice& device)
{
    m_pauses.accepted(device.info().guid);
    m_storedChecking.erase(device.id());
    // A person gave the password through a program: the handheld has been
    // seen unlocked, and may have the stored one on later dockings.
    if (m_programChecking.erase(device.id()) != 0)
        m_trusted.unlockedByPerson(device.info().guid);
}

void PasswordKeeper::rejected(const HubDevice& device)
{
    m_pauses.rejected(device.info().guid, Clock::now());
    const bool stored = m_storedChecking.erase(device.id()) != 0;
    m_programChecking.erase(device.id());
    if (device.rejected() == 1)
        m_log("the " + std::string(stored ? "stored " : "") + "password for handheld " + device.label() +
              " was rejected");
    if (device.rejected() == m_maxTries)
        m_log("handheld " + device.label() + ": " + std::to_string(device.rejected()) +
              " passwords rejected in this docking; no more are sent to it until it is docked again");
}

void PasswordKeeper::gone(const HubDevice& device)
{
    if (device.rejected() > 1 && device.rejected() < m_maxTries)
        m_log("handheld " + device.label() + ": " + std::to_string(device.rejected()) +
              " passwords rejected in this docking");
    forget(device.id());
}

void PasswordKeeper::forget(std::uint64_t device)
{
    m_storedOffered.erase(device);
    m_storedChecking.erase(device);
    m_programChecking.erase(device);
}

} // namespace tarvo::cehub
