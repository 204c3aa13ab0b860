#include "dialing/TelephonyLibrary.h"

#include <windows.h>

namespace tarvo {

namespace {

using LineGetCountryFunction = LONG(WINAPI*)(DWORD countryId, DWORD apiVersion, void* countryList);

constexpr const char* kEntryNames[] = {"lineGetCountry", "lineGetCountryA"};

} // namespace

// The library stays loaded until the process ends, as on the desktop.
struct TelephonyLibrary::State {
    bool loadTried = false;
    HMODULE library = nullptr;
    bool lookedUp[2] = {false, false};
    LineGetCountryFunction entries[2] = {nullptr, nullptr};
};

TelephonyLibrary::TelephonyLibrary() : m_state(std::make_unique<State>()) {}

TelephonyLibrary::~TelephonyLibrary() = default;

std::int32_t TelephonyLibrary::lineGetCountry(EntryPoint entryPoint, std::uint32_t countryId, std::uint32_t apiVersion,
                                              std::span<std::byte> buffer)
{
    State& s = *m_state;
    if (!s.loadTried) {
        s.loadTried = true;
        s.library = ::LoadLibraryW(L"TAPI32.DLL");
    }
    const auto index = static_cast<std::size_t>(entryPoint);
    if (s.library != nullptr && !s.lookedUp[index]) {
        s.lookedUp[index] = true;
        // Through the generic function type, the one cast between function
        // types that says nothing about the target's signature.
        s.entries[index] = reinterpret_cast<LineGetCountryFunction>(
            reinterpret_cast<void (*)()>(::GetProcAddress(s.library, kEntryNames[index])));
    }
    if (s.entries[index] == nullptr)
        return kUnavailable;
    return static_cast<std::int32_t>(s.entries[index](countryId, apiVersion, buffer.data()));
}

} // namespace tarvo
