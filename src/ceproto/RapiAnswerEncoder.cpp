#include "ceproto/RapiAnswerEncoder.h"

#include "ceproto/CeWin32.h"
#include "ceproto/RapiWriter.h"

namespace tarvo {

namespace {

// One answer: the length is filled in at the end; layout 1 leads with the
// word that says the call ran.
class Answer final {
public:
    Answer(RapiLayout layout, std::uint32_t lastError, std::uint32_t value)
    {
        m_out.u32(0);
        if (layout == RapiLayout::V1)
            m_out.u32(0);
        m_out.u32(lastError);
        m_out.u32(value);
    }
    RapiWriter& out() { return m_out; }
    std::vector<std::uint8_t> finish()
    {
        m_out.patchU32(0, static_cast<std::uint32_t>(m_out.size() - 4));
        return m_out.take();
    }

private:
    RapiWriter m_out;
};

std::uint32_t asWord(std::int32_t result)
{
    return static_cast<std::uint32_t>(result);
}

} // namespace

RapiAnswerEncoder::Bytes RapiAnswerEncoder::status(std::uint32_t lastError, std::uint32_t value) const
{
    return Answer(m_layout, lastError, value).finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::findFirstFile(std::uint32_t lastError, std::uint32_t handle,
                                                          const CeFindData* found) const
{
    Answer answer(m_layout, lastError, handle);
    if (found == nullptr) {
        answer.out().u32(0);
        return answer.finish();
    }
    RapiWriter data;
    data.u32(found->attributes);
    for (int i = 0; i < 6; ++i)
        data.u32(0); // creation, access and write times
    data.u32(static_cast<std::uint32_t>(found->size >> 32));
    data.u32(static_cast<std::uint32_t>(found->size));
    data.u32(0); // object id
    const std::u16string_view name = std::u16string_view(found->name).substr(0, ce::kMaxPath - 1);
    data.utf16(name);
    for (std::size_t i = name.size(); i < ce::kMaxPath; ++i)
        data.u16(0);
    answer.out().u32(static_cast<std::uint32_t>(data.size()));
    answer.out().bytes(data.data());
    return answer.finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::readFile(std::uint32_t lastError, std::uint32_t value,
                                                     std::span<const std::uint8_t> data) const
{
    Answer answer(m_layout, lastError, value);
    answer.out().u32(static_cast<std::uint32_t>(data.size()));
    answer.out().bytes(data);
    return answer.finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::writeFile(std::uint32_t lastError, std::uint32_t value,
                                                      std::uint32_t written) const
{
    Answer answer(m_layout, lastError, value);
    answer.out().u32(written);
    return answer.finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::registry(std::int32_t result) const
{
    return Answer(m_layout, ce::kErrorSuccess, asWord(result)).finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::regOpenKey(std::int32_t result, std::uint32_t key) const
{
    Answer answer(m_layout, ce::kErrorSuccess, asWord(result));
    if (result == ce::kErrorSuccess)
        answer.out().u32(key);
    return answer.finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::regCreateKey(std::int32_t result, std::uint32_t key,
                                                         std::uint32_t disposition) const
{
    Answer answer(m_layout, ce::kErrorSuccess, asWord(result));
    if (result == ce::kErrorSuccess) {
        answer.out().u32(key);
        answer.out().u32(disposition);
    }
    return answer.finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::regQueryValue(std::int32_t result, std::uint32_t type,
                                                          std::span<const std::uint8_t> data) const
{
    Answer answer(m_layout, ce::kErrorSuccess, asWord(result));
    if (result != ce::kErrorSuccess)
        return answer.finish();
    RapiWriter& out = answer.out();
    auto size = static_cast<std::uint32_t>(data.size());
    if (m_layout == RapiLayout::V2) {
        out.u32(type);
        out.u32(size);
        out.bytes(data);
        return answer.finish();
    }
    // Layout 1: the type, the data and its size, each "optional, sent".
    for (std::uint32_t word : {1u, 4u, 1u, type, 1u, size, 1u})
        out.u32(word);
    out.bytes(data);
    for (std::uint32_t word : {1u, 4u, 1u, size})
        out.u32(word);
    return answer.finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::getVersion(std::uint32_t osMajor, std::uint32_t osMinor,
                                                       std::uint32_t build, std::uint32_t platform) const
{
    Answer answer(m_layout, ce::kErrorSuccess, 1);
    RapiWriter& out = answer.out();
    out.u32(ce::kVersionInfoSize);
    // OSVERSIONINFO: its size, the version, the platform, no service pack text.
    for (std::uint32_t word : {ce::kVersionInfoSize, osMajor, osMinor, build, platform})
        out.u32(word);
    for (std::uint32_t i = 0; i < (ce::kVersionInfoSize - 20) / 2; ++i)
        out.u16(0);
    return answer.finish();
}

RapiAnswerEncoder::Bytes RapiAnswerEncoder::unknown() const
{
    if (m_layout == RapiLayout::V2)
        return status(static_cast<std::uint32_t>(ce::kErrorNotSupported), 0);
    // Layout 1 reports a call it does not know as a call that failed.
    RapiWriter failed;
    failed.u32(8);
    failed.u32(1);
    failed.u32(ce::kENotImpl);
    return failed.take();
}

} // namespace tarvo
