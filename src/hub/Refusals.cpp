#include "hub/Refusals.h"

namespace tarvo::cehub {

void Refusals::refused(const std::string& host, const std::string& why, const Log& log)
{
    const std::string key = m_counts.size() < kAddresses || m_counts.count(host) != 0 ? host : "other addresses";
    auto it = m_counts.find(key);
    if (it == m_counts.end()) {
        log("refused a connection from " + host + ": " + why);
        it = m_counts.emplace(key, Count{0, why}).first;
    }
    it->second.count += 1;
}

void Refusals::report(const Log& log)
{
    for (const auto& [host, refused] : m_counts)
        if (refused.count > 1)
            log("refused " + std::to_string(refused.count) + " connections from " + host + ": " + refused.why);
    m_counts.clear();
}

} // namespace tarvo::cehub
