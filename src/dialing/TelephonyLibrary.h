#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tarvo {

// The desktop's telephony library, "TAPI32.DLL", as the country query
// calls it: loaded on the first call of either entry point, each entry
// point ("lineGetCountry", "lineGetCountryA") looked up by name on its own
// first use; a library or entry point that cannot be had is remembered for
// the run, and every later call of it answers kUnavailable without calling
// anything. Linux has no such library: every call answers kUnavailable.
class TelephonyLibrary final {
public:
    enum class EntryPoint { LineGetCountry, LineGetCountryA };
    static constexpr std::int32_t kUnavailable = static_cast<std::int32_t>(0x80000049);

    TelephonyLibrary();
    TelephonyLibrary(const TelephonyLibrary&) = delete;
    TelephonyLibrary& operator=(const TelephonyLibrary&) = delete;
    ~TelephonyLibrary();

    // The entry point's answer into `buffer`, whose first member (its total
    // size, which must not exceed the span) the caller has set.
    std::int32_t lineGetCountry(EntryPoint entryPoint, std::uint32_t countryId, std::uint32_t apiVersion,
                                std::span<std::byte> buffer);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tarvo
