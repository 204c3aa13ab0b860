#pragma once

#include "ceemu/CeFileStore.h"
#include "ceemu/CeRegistryStore.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarvo::ceemu {

// The handheld's side of one remote-API connection: reads a request in the
// layout its OS version speaks (written from docs/ce-protocol.md, apart
// from the desktop's encoder, so that the two can disagree) and answers it
// from the stores.
class CeRapiServer final {
public:
    // The OS version the handheld reports: 5.1 and later speak layout 2.
    CeRapiServer(std::uint32_t osMajor, std::uint32_t osMinor, CeFileStore& files, CeRegistryStore& registry);

    // The whole answer message (length first) to one request's bytes (after
    // its length); empty when the request cannot be read, after which the
    // device drops the connection.
    std::vector<std::uint8_t> answer(std::span<const std::uint8_t> request);

private:
    std::uint32_t m_osMajor;
    std::uint32_t m_osMinor;
    bool m_layout2;
    CeFileStore& m_files;
    CeRegistryStore& m_registry;
    std::vector<std::uint8_t> m_scratch;
};

} // namespace tarvo::ceemu
