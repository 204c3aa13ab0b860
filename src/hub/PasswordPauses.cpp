#include "hub/PasswordPauses.h"

#include <algorithm>

namespace tarvo::cehub {

PasswordPauses::Clock::time_point PasswordPauses::notBefore(const std::string& guid) const
{
    auto it = m_handhelds.find(guid);
    return it == m_handhelds.end() ? Clock::time_point() : it->second.notBefore;
}

void PasswordPauses::rejected(const std::string& guid, Clock::time_point now)
{
    if (m_handhelds.count(guid) == 0 && m_handhelds.size() >= kRemembered) {
        auto idlest = std::min_element(m_handhelds.begin(), m_handhelds.end(), [](const auto& a, const auto& b) {
            return a.second.notBefore < b.second.notBefore;
        });
        m_handhelds.erase(idlest);
    }
    Handheld& handheld = m_handhelds[guid];
    std::chrono::milliseconds pause = m_firstPause;
    for (int i = 0; i < handheld.wrong && pause < kLongest; ++i)
        pause *= 2;
    handheld.wrong += 1;
    handheld.notBefore = now + std::min(pause, kLongest);
}

} // namespace tarvo::cehub
