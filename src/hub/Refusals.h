#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace tarvo::cehub {

// The connections the hub refused, by address, so that a flood does not
// flood the log: the first from an address is logged at once, the rest
// summed into one line when report() is called (once a second).
class Refusals final {
public:
    using Log = std::function<void(const std::string&)>;
    // Addresses counted one by one; beyond them all are summed together.
    static constexpr std::size_t kAddresses = 64;

    void refused(const std::string& host, const std::string& why, const Log& log);
    void report(const Log& log);

private:
    struct Count {
        std::size_t count = 0;
        std::string why;
    };
    std::map<std::string, Count> m_counts;
};

} // namespace tarvo::cehub
