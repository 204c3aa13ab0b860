#pragma once

#include "ceproto/RapiLayout.h"
#include "ceproto/RapiRequest.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tarvo {

// The handheld's end of RapiRequests: reads one request (the bytes after
// its length word) in one of the two layouts. Bounded by the message: a
// field that runs past its end makes the request unreadable.
class RapiRequestDecoder final {
public:
    explicit RapiRequestDecoder(RapiLayout layout) : m_layout(layout) {}

    // nullopt when the request cannot be read (a device drops such a
    // connection); a request whose number is not known here comes back
    // without a command.
    std::optional<RapiRequest> decode(std::span<const std::uint8_t> message) const;

private:
    RapiLayout m_layout;
};

} // namespace tarvo
