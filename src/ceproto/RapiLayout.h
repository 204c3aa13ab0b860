#pragma once

#include <cstdint>

namespace tarvo {

// The two ways the remote API lays its commands out: `V1` for handhelds
// before Windows CE 5.1, `V2` from 5.1 on (numbers, parameter order and
// answers differ; docs/ce-protocol.md has both).
enum class RapiLayout { V1, V2 };

// The layout a handheld of this OS version speaks. 6.0 and later count as
// "5.1 or later" (the rule as described, not the narrower test SynCE
// wrote: see docs/ce-protocol.md).
constexpr RapiLayout rapiLayoutFor(std::uint32_t osMajor, std::uint32_t osMinor)
{
    return (osMajor > 5 || (osMajor == 5 && osMinor >= 1)) ? RapiLayout::V2 : RapiLayout::V1;
}

} // namespace tarvo
