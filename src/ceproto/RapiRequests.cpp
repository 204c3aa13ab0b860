#include "ceproto/RapiRequests.h"

#include "ceproto/RapiCommand.h"
#include "ceproto/RapiWriter.h"

namespace tarvo {

namespace {

// One message under construction: the length is filled in by `finish`.
class Message final {
public:
    Message(RapiLayout layout, RapiCommand command) : m_layout(layout)
    {
        m_out.u32(0);
        m_out.u32(rapiCommandNumber(layout, command));
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
    Message m(m_layout, RapiCommand::FindFirstFile);
    m.string(path);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::findClose(std::uint32_t handle) const
{
    Message m(m_layout, RapiCommand::FindClose);
    m.out().u32(handle);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::getFileAttributes(std::u16string_view path) const
{
    Message m(m_layout, RapiCommand::GetFileAttributes);
    m.string(path);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::createFile(std::u16string_view path, std::uint32_t access,
                                                   std::uint32_t shareMode, std::uint32_t disposition,
                                                   std::uint32_t flags) const
{
    Message m(m_layout, RapiCommand::CreateFile);
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
    Message m(m_layout, RapiCommand::ReadFile);
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
    Message m(m_layout, RapiCommand::WriteFile);
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
    Message m(m_layout, RapiCommand::CloseHandle);
    m.out().u32(handle);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::moveFile(std::u16string_view from, std::u16string_view to) const
{
    Message m(m_layout, RapiCommand::MoveFile);
    m.optionalString(from);
    m.optionalString(to);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::deleteFile(std::u16string_view path) const
{
    Message m(m_layout, RapiCommand::DeleteFile);
    m.optionalString(path);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::createDirectory(std::u16string_view path) const
{
    Message m(m_layout, RapiCommand::CreateDirectory);
    m.optionalString(path);
    if (m_layout == RapiLayout::V1)
        m.out().u32(0); // no security attributes
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regCreateKey(std::uint32_t parent, std::u16string_view subKey) const
{
    Message m(m_layout, RapiCommand::RegCreateKey);
    m.out().u32(parent);
    m.string(subKey);
    m.out().u32(0); // no class
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regOpenKey(std::uint32_t parent, std::u16string_view subKey) const
{
    Message m(m_layout, RapiCommand::RegOpenKey);
    m.out().u32(parent);
    m.string(subKey);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::regSetValue(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                                                    std::span<const std::uint8_t> data) const
{
    Message m(m_layout, RapiCommand::RegSetValue);
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
    Message m(m_layout, RapiCommand::RegQueryValue);
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
    Message m(m_layout, RapiCommand::RegCloseKey);
    m.out().u32(key);
    return m.finish();
}

std::vector<std::uint8_t> RapiRequests::getVersion() const
{
    Message m(m_layout, RapiCommand::GetVersion);
    return m.finish();
}

} // namespace tarvo
