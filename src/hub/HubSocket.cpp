#include "hub/HubSocket.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvo::cehub {

HubSocket::~HubSocket()
{
    if (m_created)
        ::unlink(m_path.c_str());
}

bool HubSocket::open(const std::string& path, std::string& error)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = "not a usable socket path: " + path;
        return false;
    }
    m_path = path;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        // A socket left by a hub that ended badly is replaced; one a running
        // hub answers on is not.
        UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!S_ISSOCK(info.st_mode) ||
            ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            error = "another program answers on " + path;
            return false;
        }
        ::unlink(path.c_str());
    }
    m_fd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_fd || ::bind(m_fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot make the socket " + path + ": " + std::strerror(errno);
        return false;
    }
    m_created = true;
    // The group of the hub's user may ask for connections.
    if (::chmod(path.c_str(), 0660) != 0 || ::listen(m_fd.get(), 16) != 0) {
        error = "cannot make the socket " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace tarvo::cehub
