#pragma once

#include "ceproto/CeFindData.h"
#include "ceproto/RapiLayout.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

// The handheld's end of RapiAnswers: encodes the answers in one of the two
// layouts, each a whole message (its u32 length first). File calls answer
// with the device's last error and the call's return value; registry calls
// with their result as the return value.
class RapiAnswerEncoder final {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit RapiAnswerEncoder(RapiLayout layout) : m_layout(layout) {}

    // The calls that answer with the last error and a value only: find
    // close, close handle, file attributes, create file, move, delete and
    // create directory.
    Bytes status(std::uint32_t lastError, std::uint32_t value) const;
    // `found` null: nothing found (`handle` is then the invalid handle).
    Bytes findFirstFile(std::uint32_t lastError, std::uint32_t handle, const CeFindData* found) const;
    Bytes readFile(std::uint32_t lastError, std::uint32_t value, std::span<const std::uint8_t> data) const;
    Bytes writeFile(std::uint32_t lastError, std::uint32_t value, std::uint32_t written) const;

    // Closing a key, setting a value.
    Bytes registry(std::int32_t result) const;
    Bytes regOpenKey(std::int32_t result, std::uint32_t key) const;
    Bytes regCreateKey(std::int32_t result, std::uint32_t key, std::uint32_t disposition) const;
    // `data` is the value's whole data; sent only on success.
    Bytes regQueryValue(std::int32_t result, std::uint32_t type, std::span<const std::uint8_t> data) const;

    Bytes getVersion(std::uint32_t osMajor, std::uint32_t osMinor, std::uint32_t build, std::uint32_t platform) const;
    // A command this end does not know.
    Bytes unknown() const;

private:
    RapiLayout m_layout;
};

} // namespace tarvo
