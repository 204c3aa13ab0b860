// What a handheld sends about itself on the control connection: both
// layouts of the information block, and the password bytes, from any input.
#include "ceproto/CeDeviceInfo.h"
#include "ceproto/CePassword.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const std::uint8_t> input(data, size);
    for (const auto& info : {tarvo::CeDeviceInfo::parse(input), tarvo::CeDeviceInfo::parseLegacy(input)}) {
        // Counted text never grows past what its count allows.
        if (info && (info->platform.size() > 3 * tarvo::CeDeviceInfo::kMaxAsciiBytes || info->guid.size() != 38))
            std::abort();
    }
    std::optional<std::u16string> password = tarvo::CePassword::decode(input, size > 0 ? data[0] : 0);
    if (password && password->size() > tarvo::CePassword::kMaxBytes / 2)
        std::abort();
    return 0;
}
