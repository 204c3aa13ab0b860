#include "support/CodePageConverter.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <mutex>

namespace tarvo {

namespace {

// One iconv descriptor; iconv keeps shift state, so each conversion resets it.
class Iconv final {
public:
    Iconv(const char* to, const char* from) : m_cd(::iconv_open(to, from)) {}
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    ~Iconv()
    {
        if (valid())
            ::iconv_close(m_cd);
    }
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts; an input sequence that cannot be converted becomes
    // `replacement` and conversion goes on after `skip` input bytes.
    std::string convert(std::string_view in, std::string_view replacement, std::size_t skip) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string out;
        if (!valid())
            return out;
        ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string input(in);
        char* src = input.data();
        std::size_t srcLeft = input.size();
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t r = ::iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, sizeof buffer - dstLeft);
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                out.append(replacement);
                std::size_t n = std::min(skip, srcLeft);
                src += n;
                srcLeft -= n;
            }
        }
        return out;
    }

private:
    iconv_t m_cd;
    mutable std::mutex m_mutex;
};

} // namespace

struct CodePageConverter::State {
    Iconv toUtf16;
    Iconv fromUtf16;
    explicit State(const std::string& name) : toUtf16("UTF-16LE", name.c_str()), fromUtf16(name.c_str(), "UTF-16LE")
    {
    }
};

CodePageConverter::CodePageConverter(const std::string& name) : m_state(std::make_unique<State>(name)) {}

CodePageConverter::~CodePageConverter() = default;

bool CodePageConverter::valid() const
{
    return m_state->toUtf16.valid() && m_state->fromUtf16.valid();
}

std::u16string CodePageConverter::toUtf16(std::string_view bytes) const
{
    static constexpr char kQuestionLE[2] = {'?', 0};
    std::string raw = m_state->toUtf16.convert(bytes, std::string_view(kQuestionLE, 2), 1);
    std::u16string out(raw.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                       (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    return out;
}

std::string CodePageConverter::fromUtf16(std::u16string_view text) const
{
    std::string raw;
    raw.reserve(text.size() * 2);
    for (char16_t ch : text) {
        raw.push_back(static_cast<char>(ch & 0xFF));
        raw.push_back(static_cast<char>(ch >> 8));
    }
    return m_state->fromUtf16.convert(raw, "?", 2);
}

std::string CodePageConverter::desktopAnsiName()
{
    return "WINDOWS-1252";
}

std::string CodePageConverter::desktopOemName()
{
    return "IBM437";
}

} // namespace tarvo
