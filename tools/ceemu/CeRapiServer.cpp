#include "ceemu/CeRapiServer.h"

#include "ceproto/CeWin32.h"
#include "ceproto/RapiReader.h"
#include "ceproto/RapiWriter.h"

#include <optional>
#include <string>

namespace tarvo::ceemu {

namespace {

// The operations a request can name; each layout numbers them its own way.
enum class Op {
    FindFirst, FindClose, Attributes, Create, Read, Write, Close, Move, Delete,
    RegOpen, RegCreate, RegClose, RegQuery, RegSet, Version, Unknown
};

Op operationOf(bool layout2, std::uint32_t command)
{
    if (!layout2) {
        switch (command) {
        case 0x00: return Op::FindFirst;
        case 0x02: return Op::FindClose;
        case 0x03: return Op::Attributes;
        case 0x05: return Op::Create;
        case 0x06: return Op::Read;
        case 0x07: return Op::Write;
        case 0x08: return Op::Close;
        case 0x1A: return Op::Move;
        case 0x1C: return Op::Delete;
        case 0x1E: return Op::RegOpen;
        case 0x20: return Op::RegCreate;
        case 0x21: return Op::RegClose;
        case 0x26: return Op::RegQuery;
        case 0x27: return Op::RegSet;
        case 0x3B: return Op::Version;
        default: return Op::Unknown;
        }
    }
    switch (command) {
    case 0x11: return Op::FindFirst;
    case 0x13: return Op::FindClose;
    case 0x14: return Op::Attributes;
    case 0x16: return Op::Create;
    case 0x17: return Op::Read;
    case 0x18: return Op::Write;
    case 0x19: return Op::Close;
    case 0x2B: return Op::Move;
    case 0x2D: return Op::Delete;
    case 0x2F: return Op::RegOpen;
    case 0x31: return Op::RegCreate;
    case 0x32: return Op::RegClose;
    case 0x37: return Op::RegQuery;
    case 0x38: return Op::RegSet;
    case 0x43: return Op::Version;
    default: return Op::Unknown;
    }
}

std::u16string textOf(std::span<const std::uint8_t> bytes)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

// The parameters of one request.
class Params final {
public:
    Params(bool layout2, std::span<const std::uint8_t> bytes) : m_layout2(layout2), m_in(bytes) {}

    std::uint32_t word() { return m_in.u32(); }
    std::span<const std::uint8_t> bytes(std::size_t size) { return m_in.bytes(size); }
    bool ok() const { return m_in.ok(); }

    // A string as both layouts send paths and key names; empty for none.
    std::u16string string()
    {
        if (m_layout2)
            return textOf(m_in.bytes(m_in.u32()));
        if (m_in.u32() != 1)
            return {};
        return textOf(m_in.bytes(2 * std::size_t{m_in.u32()}));
    }
    // Layout 1 sends some names as an optional parameter instead.
    std::u16string optionalString()
    {
        if (m_layout2)
            return string();
        std::span<const std::uint8_t> data = optional();
        return textOf(data);
    }
    // Layout 1's optional parameter: present, size, sent, bytes.
    std::span<const std::uint8_t> optional()
    {
        if (m_in.u32() != 1)
            return {};
        std::uint32_t size = m_in.u32();
        if (m_in.u32() != 1)
            return {};
        return m_in.bytes(size);
    }

private:
    bool m_layout2;
    RapiReader m_in;
};

// One answer: the length is filled in at the end, layout 1 leads with the
// word that says the call ran.
class Answer final {
public:
    explicit Answer(bool layout2)
    {
        m_out.u32(0);
        if (!layout2)
            m_out.u32(0);
    }
    Answer& word(std::uint32_t value)
    {
        m_out.u32(value);
        return *this;
    }
    Answer& bytes(std::span<const std::uint8_t> data)
    {
        m_out.bytes(data);
        return *this;
    }
    // The last error and the result of a call that answers with nothing else.
    Answer& result(std::int32_t error, std::uint32_t value)
    {
        return word(static_cast<std::uint32_t>(error)).word(value);
    }
    std::vector<std::uint8_t> finish()
    {
        m_out.patchU32(0, static_cast<std::uint32_t>(m_out.size() - 4));
        return m_out.take();
    }

private:
    RapiWriter m_out;
};

std::uint32_t success(std::int32_t error)
{
    return error == ce::kErrorSuccess ? 1 : 0;
}

} // namespace

CeRapiServer::CeRapiServer(std::uint32_t osMajor, std::uint32_t osMinor, CeFileStore& files,
                           CeRegistryStore& registry)
    : m_osMajor(osMajor),
      m_osMinor(osMinor),
      m_layout2(osMajor > 5 || (osMajor == 5 && osMinor >= 1)),
      m_files(files),
      m_registry(registry)
{
}

std::vector<std::uint8_t> CeRapiServer::answer(std::span<const std::uint8_t> request)
{
    RapiReader head(request);
    std::uint32_t command = head.u32();
    if (!head.ok())
        return {};
    Params in(m_layout2, request.subspan(4));
    Answer out(m_layout2);
    switch (operationOf(m_layout2, command)) {
    case Op::FindFirst: {
        std::u16string path = in.string();
        CeFileStore::Found found;
        std::uint32_t handle = ce::kInvalidHandle;
        std::int32_t error = m_files.find(path, found, handle);
        out.result(error, handle);
        if (error != ce::kErrorSuccess) {
            out.word(0);
            break;
        }
        RapiWriter data;
        data.u32(found.attributes);
        for (int i = 0; i < 6; ++i)
            data.u32(0); // creation, access and write times
        data.u32(static_cast<std::uint32_t>(found.size >> 32));
        data.u32(static_cast<std::uint32_t>(found.size));
        data.u32(0); // object id
        std::u16string name = found.name.substr(0, ce::kMaxPath - 1);
        data.utf16(name);
        for (std::size_t i = name.size(); i < ce::kMaxPath; ++i)
            data.u16(0);
        out.word(static_cast<std::uint32_t>(data.size())).bytes(data.data());
        break;
    }
    case Op::FindClose:
    case Op::Close: {
        std::int32_t error = m_files.close(in.word());
        out.result(error, success(error));
        break;
    }
    case Op::Attributes: {
        std::uint32_t attributes = ce::kInvalidAttributes;
        std::int32_t error = m_files.attributes(in.string(), attributes);
        out.result(error, attributes);
        break;
    }
    case Op::Create: {
        std::u16string path = m_layout2 ? in.string() : std::u16string();
        std::uint32_t access = in.word();
        in.word(); // share mode
        std::uint32_t disposition = in.word();
        in.word(); // flags and attributes
        in.word(); // template
        if (!m_layout2)
            path = in.string();
        if (!in.ok())
            return {};
        std::uint32_t handle = ce::kInvalidHandle;
        std::int32_t error = m_files.open(path, access, disposition, handle);
        out.result(error, handle);
        break;
    }
    case Op::Read: {
        std::uint32_t handle = in.word();
        std::uint32_t size = 0;
        if (m_layout2) {
            size = in.word();
        } else {
            in.word(); // buffer present
            size = in.word();
        }
        if (!in.ok() || size > 16 * 1024 * 1024)
            return {};
        std::int32_t error = m_files.read(handle, size, m_scratch);
        out.result(error, success(error)).word(static_cast<std::uint32_t>(m_scratch.size())).bytes(m_scratch);
        break;
    }
    case Op::Write: {
        std::uint32_t handle = in.word();
        std::span<const std::uint8_t> data;
        if (m_layout2) {
            data = in.bytes(in.word());
        } else {
            if (in.word() == 1)
                data = in.bytes(in.word());
        }
        if (!in.ok())
            return {};
        std::int32_t error = m_files.write(handle, data);
        out.result(error, success(error)).word(error == ce::kErrorSuccess ? static_cast<std::uint32_t>(data.size()) : 0);
        break;
    }
    case Op::Move: {
        std::u16string from = in.optionalString();
        std::u16string to = in.optionalString();
        std::int32_t error = m_files.move(from, to);
        out.result(error, success(error));
        break;
    }
    case Op::Delete: {
        std::int32_t error = m_files.remove(in.optionalString());
        out.result(error, success(error));
        break;
    }
    case Op::RegOpen:
    case Op::RegCreate: {
        const bool create = operationOf(m_layout2, command) == Op::RegCreate;
        std::uint32_t parent = in.word();
        std::u16string subKey = in.string();
        if (!in.ok())
            return {};
        std::uint32_t key = 0;
        std::uint32_t disposition = 0;
        std::int32_t error = create ? m_registry.create(parent, subKey, key, disposition)
                                    : m_registry.open(parent, subKey, key);
        out.result(ce::kErrorSuccess, static_cast<std::uint32_t>(error));
        if (error == ce::kErrorSuccess) {
            out.word(key);
            if (create)
                out.word(disposition);
        }
        break;
    }
    case Op::RegClose: {
        std::int32_t error = m_registry.close(in.word());
        out.result(ce::kErrorSuccess, static_cast<std::uint32_t>(error));
        break;
    }
    case Op::RegSet: {
        std::uint32_t key = in.word();
        std::u16string name = in.optionalString();
        std::uint32_t type = in.word();
        std::span<const std::uint8_t> data = m_layout2 ? in.bytes(in.word()) : in.optional();
        if (!m_layout2)
            in.word(); // the size again
        if (!in.ok())
            return {};
        std::int32_t error = m_registry.set(key, name, type, data);
        out.result(ce::kErrorSuccess, static_cast<std::uint32_t>(error));
        break;
    }
    case Op::RegQuery: {
        std::uint32_t key = in.word();
        std::u16string name = in.optionalString();
        std::uint32_t room = 0;
        if (!m_layout2) {
            in.word(); // reserved: absent
            for (int i = 0; i < 2; ++i) {
                // type and data buffers: present, size, not sent
                in.word();
                std::uint32_t size = in.word();
                in.word();
                if (i == 1)
                    room = size;
            }
            in.optional(); // the size, sent
        } else {
            room = in.word();
        }
        if (!in.ok())
            return {};
        std::uint32_t type = 0;
        std::int32_t error = m_registry.query(key, name, type, m_scratch);
        if (error == ce::kErrorSuccess && m_scratch.size() > room)
            error = ce::kErrorMoreData;
        out.result(ce::kErrorSuccess, static_cast<std::uint32_t>(error));
        if (error != ce::kErrorSuccess)
            break;
        auto size = static_cast<std::uint32_t>(m_scratch.size());
        if (m_layout2) {
            out.word(type).word(size).bytes(m_scratch);
        } else {
            out.word(1).word(4).word(1).word(type);
            out.word(1).word(size).word(1).bytes(m_scratch);
            out.word(1).word(4).word(1).word(size);
        }
        break;
    }
    case Op::Version: {
        RapiWriter info;
        info.u32(ce::kVersionInfoSize);
        info.u32(m_osMajor);
        info.u32(m_osMinor);
        info.u32(0); // build
        info.u32(3); // VER_PLATFORM_WIN32_CE
        for (int i = 0; i < 128; ++i)
            info.u16(0);
        out.result(ce::kErrorSuccess, 1).word(static_cast<std::uint32_t>(info.size())).bytes(info.data());
        break;
    }
    case Op::Unknown: {
        if (m_layout2)
            return Answer(true).result(ce::kErrorNotSupported, 0).finish();
        // Layout 1 reports a call it does not know as a failed call.
        RapiWriter failed;
        failed.u32(8);
        failed.u32(1);
        failed.u32(ce::kENotImpl);
        return failed.take();
    }
    }
    if (!in.ok())
        return {};
    return out.finish();
}

} // namespace tarvo::ceemu
