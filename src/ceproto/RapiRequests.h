#pragma once

#include "ceproto/RapiLayout.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tarvo {

// A request whose bulk data is sent between two parts, so that a large
// write is not copied into a message first.
struct RapiFrameParts {
    std::vector<std::uint8_t> head;
    std::vector<std::uint8_t> tail;
};

// Encodes the remote API's requests in one of the two layouts. Every
// request comes out as a whole message: its u32 length, the command, the
// parameters. Paths and names are given without a terminating NUL; the
// encoding adds it.
class RapiRequests final {
public:
    explicit RapiRequests(RapiLayout layout) : m_layout(layout) {}

    RapiLayout layout() const { return m_layout; }

    std::vector<std::uint8_t> findFirstFile(std::u16string_view path) const;
    std::vector<std::uint8_t> findClose(std::uint32_t handle) const;
    std::vector<std::uint8_t> getFileAttributes(std::u16string_view path) const;
    std::vector<std::uint8_t> createFile(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                                         std::uint32_t disposition, std::uint32_t flags) const;
    std::vector<std::uint8_t> readFile(std::uint32_t handle, std::uint32_t size) const;
    // The message is `head`, then `size` bytes of data, then `tail`.
    RapiFrameParts writeFile(std::uint32_t handle, std::uint32_t size) const;
    std::vector<std::uint8_t> closeHandle(std::uint32_t handle) const;
    std::vector<std::uint8_t> moveFile(std::u16string_view from, std::u16string_view to) const;
    std::vector<std::uint8_t> deleteFile(std::u16string_view path) const;
    std::vector<std::uint8_t> createDirectory(std::u16string_view path) const;

    std::vector<std::uint8_t> regCreateKey(std::uint32_t parent, std::u16string_view subKey) const;
    std::vector<std::uint8_t> regOpenKey(std::uint32_t parent, std::u16string_view subKey) const;
    std::vector<std::uint8_t> regSetValue(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                                          std::span<const std::uint8_t> data) const;
    // Asks for at most `bufferSize` bytes of the value's data.
    std::vector<std::uint8_t> regQueryValue(std::uint32_t key, std::u16string_view name,
                                            std::uint32_t bufferSize) const;
    std::vector<std::uint8_t> regCloseKey(std::uint32_t key) const;

    std::vector<std::uint8_t> getVersion() const;

private:
    RapiLayout m_layout;
};

} // namespace tarvo
