#include "ceproto/RapiRequests.h"

#include "ceproto/RapiWriter.h"

namespace tarvo {

namespace {

// Command numbers of the two layouts.
struct Command {
    std::uint32_t v1;
    std::uint32_t v2;
};
constexpr Command kFindFirstFile{0x00, 0x11};
constexpr Command kFindClose{0x02, 0x13};
constexpr Command kGetFileAttributes{0x03, 0x14};
constexpr Command kCreateFile{0x05, 0x16};
constexpr Command kReadFile{0x06, 0x17};
constexpr Command kWriteFile{0x07, 0x18};
constexpr Command kCloseHandle{0x08, 0x19};
constexpr Command kMoveFile{0x1A, 0x2B};
constexpr Command kDeleteFile{0x1C, 0x2D};
constexpr Command kRegOpenKey{0x1E, 0x2F};
constexpr Command kRegCreateKey{0x20, 0x31};
constexpr Command kRegCloseKey{0x21, 0x32};
constexpr Command kRegQueryValue{0x26, 0x37};
constexpr Command kRegSetValue{0x27, 0x38};
constexpr Command kGetVersion{0x3B, 0x43};

// One message under construction: the length is filled in by `finish`.
class Message final {
public:
    Message(RapiLayout layout, Command command) : m_layout(layout)
    {
        m_out.u32(0);
        m_out.u32(layout == RapiLayout::V1 ? command.v1 : command.v2);
    }

    RapiWriter& out() { return m_out; }

    // A string in the layout's own form ("string" of both layouts).
    void string(std::u16string_view text)
    {
        auto units = static_cast<std::uint32_t>(text.size() + 1);
        if (m_layout == RapiLayout::V1) {
            m_out.u32(1);
            m_out.u32(units);
        } else {
            m_out.u32(2 * units);
        }
        m_out.utf16(text);
        m_out.u16(0);
    }
    // Layout 1's "optional string"; layout 2 sends a plain string.
    void optionalString(std::u16string_view text)
    {
        if (m_layout == RapiLayout::V2) {
            string(text);
            return;
        }
        m_out.u32(1);
        m_out.u32(static_cast<std::uint32_t>(2 * (text.size() + 1)));
        m_out.u32(1);
        m_out.utf16(text);
        m_out.u16(0);
    }

    // The message's length, counting `extra` bytes sent after it.
    std::vector<std::uint8_t> finish(std::size_t extra = 0)
    {
        m_out.patchU32(0, static_cast<std::uint32_t>(m_out.size() - 4 + extra));
        return m_out.take();
    }

private:
    RapiLayout m_layout;
    RapiWriter m_out;
};

} // namespace

std::vector<std::uint8_t> RapiRequests::findFirstFile(std::u16string_view path) const
{
    Message m(m_layout, kFindFirstFile);
    m.string(path);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::findClose(std::uint32_t handle) const
{
    Message m(m_layout, kFindClose);
    m.out().u32(handle);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::getFileAttributes(std::u16string_view path) const
{
    Message m(m_layout, kGetFileAttributes);
    m.string(path);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::createFile(std::u16string_view path, std::uint32_t access,
                                                   std::uint32_t shareMode, std::uint32_t disposition,
                                                   std::uint32_t flags) const
{
    Message m(m_layout, kCreateFile);
    if (m_layout == RapiLayout::V2)
        m.string(path);
    m.out().u32(access);
    m.out().u32(shareMode);
    m.out().u32(disposition);
    m.out().u32(flags);
    m.out().u32(0); // no template file
    if (m_layout == RapiLayout::V1)
        m.string(path);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::readFile(std::uint32_t handle, std::uint32_t size) const
{
    Message m(m_layout, kReadFile);
    m.out().u32(handle);
    if (m_layout == RapiLayout::V1) {
        // The buffer as an out parameter (size only), no overlapped record.
        m.out().u32(1);
        m.out().u32(size);
        m.out().u32(0);
        m.out().u32(0);
    } else {
        m.out().u32(size);
    }
    return m.finish();
}

RapiFrameParts RapiRequests::writeFile(std::uint32_t handle, std::uint32_t size) const
{
    Message m(m_layout, kWriteFile);
    m.out().u32(handle);
    if (m_layout == RapiLayout::V1)
        m.out().u32(1); // the data as an in parameter: present, size, bytes
    m.out().u32(size);
    RapiFrameParts parts;
    if (m_layout == RapiLayout::V1)
        parts.tail = {0, 0, 0, 0}; // no overlapped record
    parts.head = m.finish(size + parts.tail.size());
    return parts;
}

std::vector<std::uint8_t> RapiRequests::closeHandle(std::uint32_t handle) const
{
    Message m(m_layout, kCloseHandle);
    m.out().u32(handle);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::moveFile(std::u16string_view from, std::u16string_view to) const
{
    Message m(m_layout, kMoveFile);
    m.optionalString(from);
    m.optionalString(to);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::deleteFile(std::u16string_view path) const
{
    Message m(m_layout, kDeleteFile);
    m.optionalString(path);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regCreateKey(std::uint32_t parent, std::u16string_view subKey) const
{
    Message m(m_layout, kRegCreateKey);
    m.out().u32(parent);
    m.string(subKey);
    m.out().u32(0); // no class
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regOpenKey(std::uint32_t parent, std::u16string_view subKey) const
{
    Message m(m_layout, kRegOpenKey);
    m.out().u32(parent);
    m.string(subKey);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regSetValue(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                                                    std::span<const std::uint8_t> data) const
{
    Message m(m_layout, kRegSetValue);
    auto size = static_cast<std::uint32_t>(data.size());
    m.out().u32(key);
    m.optionalString(name);
    m.out().u32(type);
    if (m_layout == RapiLayout::V1) {
        m.out().u32(1);
        m.out().u32(size);
        m.out().u32(1);
        m.out().bytes(data);
        m.out().u32(size);
    } else {
        m.out().u32(size);
        m.out().bytes(data);
    }
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regQueryValue(std::uint32_t key, std::u16string_view name,
                                                      std::uint32_t bufferSize) const
{
    Message m(m_layout, kRegQueryValue);
    m.out().u32(key);
    m.optionalString(name);
    if (m_layout == RapiLayout::V1) {
        m.out().u32(0); // no reserved pointer
        for (std::uint32_t size : {4u, bufferSize}) {
            // type and data: out parameters, nothing sent
            m.out().u32(1);
            m.out().u32(size);
            m.out().u32(0);
        }
        // the data size: in and out, sent
        m.out().u32(1);
        m.out().u32(4);
        m.out().u32(1);
    }
    m.out().u32(bufferSize);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regCloseKey(std::uint32_t key) const
{
    Message m(m_layout, kRegCloseKey);
    m.out().u32(key);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::getVersion() const
{
    Message m(m_layout, kGetVersion);
    return m.finish();
}

} // namespace tarvo
