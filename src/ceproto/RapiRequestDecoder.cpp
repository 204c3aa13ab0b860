#include "ceproto/RapiRequestDecoder.h"

#include "ceproto/RapiReader.h"
#include "ceproto/Utf16Le.h"

namespace tarvo {

namespace {

// The parameters of one request, in the forms docs/ce-protocol.md names.
class Params final {
public:
    Params(RapiLayout layout, std::span<const std::uint8_t> bytes) : m_layout(layout), m_in(bytes) {}

    std::uint32_t word() { return m_in.u32(); }
    bool ok() const { return m_in.ok(); }

    // "string" of both layouts; empty for a missing one.
    std::u16string string()
    {
        if (m_layout == RapiLayout::V2)
            return Utf16Le::decode(m_in.bytes(m_in.u32()));
        if (m_in.u32() != 1)
            return {};
        return Utf16Le::decode(m_in.bytes(2 * std::size_t{m_in.u32()}));
    }
    // Layout 1's "optional string"; layout 2 sends a plain string.
    std::u16string optionalString()
    {
        if (m_layout == RapiLayout::V2)
            return string();
        return Utf16Le::decode(optional());
    }
    // Layout 1's "optional, sent": present, size, sent, the bytes.
    std::span<const std::uint8_t> optional()
    {
        if (m_in.u32() != 1)
            return {};
        std::uint32_t size = m_in.u32();
        if (m_in.u32() != 1)
            return {};
        return m_in.bytes(size);
    }
    // Layout 1's "optional out": present, size, not sent; the size.
    std::uint32_t optionalOut()
    {
        if (m_in.u32() != 1)
            return 0;
        std::uint32_t size = m_in.u32();
        (void)m_in.u32();
        return size;
    }
    // Layout 2's sized bytes: a count, then the bytes.
    std::span<const std::uint8_t> sized() { return m_in.bytes(m_in.u32()); }

private:
    RapiLayout m_layout;
    RapiReader m_in;
};

} // namespace

std::optional<RapiRequest> RapiRequestDecoder::decode(std::span<const std::uint8_t> message) const
{
    RapiReader head(message);
    RapiRequest request;
    request.number = head.u32();
    if (!head.ok())
        return std::nullopt;
    request.command = rapiCommandOf(m_layout, request.number);
    if (!request.command)
        return request;
    const bool v1 = m_layout == RapiLayout::V1;
    Params in(m_layout, message.subspan(4));
    switch (*request.command) {
    case RapiCommand::FindFirstFile:
    case RapiCommand::GetFileAttributes:
        request.path = in.string();
        break;
    case RapiCommand::FindClose:
    case RapiCommand::CloseHandle:
    case RapiCommand::RegCloseKey:
        request.handle = in.word();
        break;
    case RapiCommand::CreateFile:
        if (!v1)
            request.path = in.string();
        request.access = in.word();
        request.shareMode = in.word();
        request.disposition = in.word();
        request.flags = in.word();
        (void)in.word(); // no template file
        if (v1)
            request.path = in.string();
        break;
    case RapiCommand::ReadFile:
        request.handle = in.word();
        if (v1) {
            request.size = in.optionalOut();
            (void)in.word(); // no overlapped record
        } else {
            request.size = in.word();
        }
        break;
    case RapiCommand::WriteFile:
        request.handle = in.word();
        if (v1) {
            // "optional in": present, size, the bytes; then no overlapped record.
            if (in.word() == 1)
                request.data = in.sized();
        } else {
            request.data = in.sized();
        }
        break;
    case RapiCommand::MoveFile:
        request.path = in.optionalString();
        request.newPath = in.optionalString();
        break;
    case RapiCommand::DeleteFile:
        request.path = in.optionalString();
        break;
    case RapiCommand::CreateDirectory:
        request.path = in.optionalString();
        if (v1)
            (void)in.word(); // no security attributes
        break;
    case RapiCommand::RegOpenKey:
    case RapiCommand::RegCreateKey:
        request.handle = in.word();
        request.path = in.string();
        break;
    case RapiCommand::RegSetValue:
        request.handle = in.word();
        request.path = in.optionalString();
        request.type = in.word();
        if (v1) {
            request.data = in.optional();
            (void)in.word(); // the size again
        } else {
            request.data = in.sized();
        }
        break;
    case RapiCommand::RegQueryValue:
        request.handle = in.word();
        request.path = in.optionalString();
        if (v1) {
            (void)in.word();                 // no reserved pointer
            (void)in.optionalOut();          // the type
            request.size = in.optionalOut(); // the data
            (void)in.optional();             // the data size, sent
        } else {
            request.size = in.word();
        }
        break;
    case RapiCommand::GetVersion:
        break;
    }
    if (!in.ok())
        return std::nullopt;
    return request;
}

} // namespace tarvo
