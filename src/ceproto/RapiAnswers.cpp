#include "ceproto/RapiAnswers.h"

#include "ceproto/CeWin32.h"
#include "ceproto/RapiReader.h"
#include "ceproto/Utf16Le.h"

#include <algorithm>

namespace tarvo {

namespace {

// Reads the words every answer starts with. False when the answer ends
// there: too short, or (layout 1) the call itself failed.
bool readHead(RapiLayout layout, RapiReader& in, RapiAnswer& answer)
{
    if (layout == RapiLayout::V1 && in.u32() == 1) {
        answer.callError = in.u32();
        if (answer.callError != 0) {
            answer.valid = in.ok();
            return false;
        }
    }
    answer.lastError = in.u32();
    answer.value = in.u32();
    answer.valid = in.ok();
    return answer.valid;
}

// Layout 1's "optional" out parameter: present, size, sent, then the
// bytes. Absent or not sent reads as no bytes.
std::span<const std::uint8_t> readOptional(RapiReader& in, std::uint32_t limit, std::uint32_t& size)
{
    size = 0;
    if (in.u32() != 1)
        return {};
    size = in.u32();
    if (in.u32() != 1)
        return {};
    if (size > limit) {
        in.skip(in.remaining() + 1); // refuse: more than was asked for
        return {};
    }
    return in.bytes(size);
}

std::uint32_t wordAt(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    RapiReader in(bytes.subspan(std::min(offset, bytes.size())));
    std::uint32_t value = in.u32();
    return in.ok() ? value : 0;
}

} // namespace

RapiAnswer RapiAnswers::status(std::span<const std::uint8_t> message) const
{
    RapiAnswer answer;
    RapiReader in(message);
    readHead(m_layout, in, answer);
    return answer;
}

RapiAnswer RapiAnswers::findFirstFile(std::span<const std::uint8_t> message) const
{
    RapiAnswer answer;
    RapiReader in(message);
    if (!readHead(m_layout, in, answer))
        return answer;
    // Nothing found: the find data may be missing.
    if (answer.value == ce::kInvalidHandle && in.remaining() == 0)
        return answer;
    std::uint32_t size = in.u32();
    if (size > ce::kFindDataSize) {
        answer.valid = false;
        return answer;
    }
    std::span<const std::uint8_t> data = in.bytes(size);
    answer.valid = in.ok();
    if (!answer.valid)
        return answer;
    answer.attributes = wordAt(data, 0);
    answer.fileSize = static_cast<std::uint64_t>(wordAt(data, 28)) << 32 | wordAt(data, 32);
    if (data.size() > 40)
        answer.name = Utf16Le::decode(data.subspan(40));
    return answer;
}

RapiAnswer RapiAnswers::readFile(std::span<const std::uint8_t> message, std::uint32_t asked) const
{
    RapiAnswer answer;
    RapiReader in(message);
    if (!readHead(m_layout, in, answer))
        return answer;
    answer.size = in.u32();
    if (answer.size > asked) {
        answer.valid = false;
        return answer;
    }
    answer.data = in.bytes(answer.size);
    answer.valid = in.ok();
    return answer;
}

RapiAnswer RapiAnswers::writeFile(std::span<const std::uint8_t> message) const
{
    RapiAnswer answer;
    RapiReader in(message);
    if (!readHead(m_layout, in, answer))
        return answer;
    answer.size = in.u32();
    answer.valid = in.ok();
    return answer;
}

RapiAnswer RapiAnswers::regCreateKey(std::span<const std::uint8_t> message) const
{
    RapiAnswer answer;
    RapiReader in(message);
    if (!readHead(m_layout, in, answer) || answer.value != 0)
        return answer;
    answer.key = in.u32();
    answer.disposition = in.u32();
    answer.valid = in.ok();
    return answer;
}

RapiAnswer RapiAnswers::regOpenKey(std::span<const std::uint8_t> message) const
{
    RapiAnswer answer;
    RapiReader in(message);
    if (!readHead(m_layout, in, answer) || answer.value != 0)
        return answer;
    answer.key = in.u32();
    answer.valid = in.ok();
    return answer;
}

RapiAnswer RapiAnswers::regQueryValue(std::span<const std::uint8_t> message, std::uint32_t bufferSize) const
{
    RapiAnswer answer;
    RapiReader in(message);
    if (!readHead(m_layout, in, answer) || answer.value != 0)
        return answer;
    if (m_layout == RapiLayout::V1) {
        std::uint32_t size = 0;
        std::span<const std::uint8_t> type = readOptional(in, 4, size);
        answer.type = type.size() == 4 ? wordAt(type, 0) : 0;
        answer.data = readOptional(in, bufferSize, size);
        std::span<const std::uint8_t> total = readOptional(in, 4, size);
        answer.size = total.size() == 4 ? wordAt(total, 0) : static_cast<std::uint32_t>(answer.data.size());
    } else {
        answer.type = in.u32();
        answer.size = in.u32();
        // The device sends no more than the buffer holds.
        answer.data = in.bytes(std::min(answer.size, bufferSize));
    }
    answer.valid = in.ok();
    return answer;
}

RapiAnswer RapiAnswers::getVersion(std::span<const std::uint8_t> message) const
{
    RapiAnswer answer;
    RapiReader in(message);
    if (!readHead(m_layout, in, answer))
        return answer;
    std::uint32_t size = in.u32();
    if (size > ce::kVersionInfoSize || size < 20) {
        answer.valid = false;
        return answer;
    }
    std::span<const std::uint8_t> info = in.bytes(size);
    answer.valid = in.ok();
    answer.osMajor = wordAt(info, 4);
    answer.osMinor = wordAt(info, 8);
    answer.build = wordAt(info, 12);
    answer.platform = wordAt(info, 16);
    return answer;
}

} // namespace tarvo
