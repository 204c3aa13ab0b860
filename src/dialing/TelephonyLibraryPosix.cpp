#include "dialing/TelephonyLibrary.h"

namespace tarvo {

struct TelephonyLibrary::State {};

TelephonyLibrary::TelephonyLibrary() = default;

TelephonyLibrary::~TelephonyLibrary() = default;

std::int32_t TelephonyLibrary::lineGetCountry(EntryPoint, std::uint32_t, std::uint32_t, std::span<std::byte>)
{
    return kUnavailable;
}

} // namespace tarvo
