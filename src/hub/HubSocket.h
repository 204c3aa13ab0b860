#pragma once

#include "support/UniqueFd.h"

#include <string>

namespace tarvo::cehub {

// The Unix socket local programs ask the hub on: made readable and writable
// by the hub's group, taken over from a hub that ended badly but never from
// one that still answers, and removed when it goes.
class HubSocket final {
public:
    HubSocket() = default;
    HubSocket(const HubSocket&) = delete;
    HubSocket& operator=(const HubSocket&) = delete;
    ~HubSocket();

    // Binds and listens at `path`; false with a message.
    bool open(const std::string& path, std::string& error);
    int fd() const { return m_fd.get(); }

private:
    std::string m_path;
    UniqueFd m_fd;
    bool m_created = false;
};

} // namespace tarvo::cehub
