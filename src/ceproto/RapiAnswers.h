#pragma once

#include "ceproto/RapiAnswer.h"
#include "ceproto/RapiLayout.h"

#include <cstdint>
#include <span>

namespace tarvo {

// Decodes the remote API's answers in one of the two layouts: the bytes of
// one message after its length word. Every decoder is bounded by the
// message and by the sizes the protocol allows; an answer that breaks them
// comes back not valid.
class RapiAnswers final {
public:
    explicit RapiAnswers(RapiLayout layout) : m_layout(layout) {}

    // Answers of the last error and the return value only: find close,
    // close handle, file attributes, create file (the handle), move and
    // delete file, registry set value and close key.
    RapiAnswer status(std::span<const std::uint8_t> message) const;
    RapiAnswer findFirstFile(std::span<const std::uint8_t> message) const;
    // `asked`: how many bytes the request asked for; more is refused.
    RapiAnswer readFile(std::span<const std::uint8_t> message, std::uint32_t asked) const;
    RapiAnswer writeFile(std::span<const std::uint8_t> message) const;
    RapiAnswer regCreateKey(std::span<const std::uint8_t> message) const;
    RapiAnswer regOpenKey(std::span<const std::uint8_t> message) const;
    RapiAnswer regQueryValue(std::span<const std::uint8_t> message, std::uint32_t bufferSize) const;
    RapiAnswer getVersion(std::span<const std::uint8_t> message) const;

private:
    RapiLayout m_layout;
};

} // namespace tarvo
