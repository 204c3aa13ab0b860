#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace tarvo::cehub {

// The ids the hub asks handhelds to open remote-API connections with. A
// connection that arrives with a waiting request's id is handed to the
// program that asked, so the ids are drawn at random rather than counted:
// nobody can open a connection with the next one before the handheld does.
class RequestIds final {
public:
    // Ids stay recognisable for this many requests after they were issued.
    static constexpr std::size_t kRemembered = 256;

    // A fresh id, above every word a handheld opens a control connection
    // with, and none of the remembered ones.
    std::uint32_t next();
    // True for an id issued lately: a late answer to a request whose
    // program gave up, not a new handheld.
    bool issued(std::uint32_t id) const;

private:
    std::deque<std::uint32_t> m_recent;
};

} // namespace tarvo::cehub
