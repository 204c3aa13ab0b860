// The handheld's end: every request of both remote-API layouts decoded from
// any input, as the emulated handheld reads what a desktop sends. Nothing
// is read past the message, and data handed back lies inside it.
#include "ceproto/RapiRequestDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const std::uint8_t> message(data, size);
    for (tarvo::RapiLayout layout : {tarvo::RapiLayout::V1, tarvo::RapiLayout::V2}) {
        std::optional<tarvo::RapiRequest> request = tarvo::RapiRequestDecoder(layout).decode(message);
        if (!request)
            continue;
        if (!request->data.empty() && (request->data.data() < message.data() ||
                                       request->data.data() + request->data.size() > message.data() + size))
            std::abort();
        // Text comes from the message's own bytes, two a unit.
        if (2 * (request->path.size() + request->newPath.size()) > size)
            std::abort();
    }
    return 0;
}
