#include "ceproto/CeHubProtocol.h"

#include <charconv>
#include <vector>

namespace tarvo {

namespace {

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        if (end > start)
            out.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

bool number(std::string_view text, std::uint32_t& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string CeHubProtocol::hex(std::string_view text)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * text.size());
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

std::optional<std::string> CeHubProtocol::unhex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc() || end != text.data() + i + 2)
            return std::nullopt;
        out.push_back(static_cast<char>(value));
    }
    return out;
}

std::string CeHubProtocol::connectRequest(std::string_view device, std::string_view password)
{
    std::string line = "connect";
    if (!device.empty())
        line += " device=" + hex(device);
    if (!password.empty())
        line += " password=" + hex(password);
    return line + "\n";
}

CeHubProtocol::Request CeHubProtocol::parseRequest(std::string_view line)
{
    Request request;
    std::vector<std::string_view> parts = words(line);
    if (line.size() > kMaxLine || parts.empty())
        return request;
    if (parts[0] == "devices" && parts.size() == 1) {
        request.kind = Request::Kind::Devices;
        return request;
    }
    if (parts[0] != "connect")
        return request;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::size_t equals = parts[i].find('=');
        if (equals == std::string_view::npos)
            return request;
        std::optional<std::string> value = unhex(parts[i].substr(equals + 1));
        std::string_view key = parts[i].substr(0, equals);
        if (!value)
            return request;
        if (key == "device")
            request.device = std::move(*value);
        else if (key == "password")
            request.password = std::move(*value);
        else
            return request;
    }
    request.kind = Request::Kind::Connect;
    return request;
}

std::string CeHubProtocol::okAnswer(std::uint32_t osMajor, std::uint32_t osMinor, std::string_view name)
{
    return "ok " + std::to_string(osMajor) + " " + std::to_string(osMinor) + " " + hex(name) + "\n";
}

std::string CeHubProtocol::errorAnswer(std::string_view reason)
{
    return "error " + std::string(reason) + "\n";
}

std::optional<CeHubProtocol::Answer> CeHubProtocol::parseAnswer(std::string_view line)
{
    std::vector<std::string_view> parts = words(line);
    Answer answer;
    if (parts.size() == 2 && parts[0] == "error") {
        answer.error = parts[1];
        return answer;
    }
    // A handheld without a name leaves the last word out.
    if (parts.size() < 3 || parts.size() > 4 || parts[0] != "ok" || !number(parts[1], answer.osMajor) ||
        !number(parts[2], answer.osMinor))
        return std::nullopt;
    std::optional<std::string> name = parts.size() == 4 ? unhex(parts[3]) : std::string();
    if (!name)
        return std::nullopt;
    answer.ok = true;
    answer.name = std::move(*name);
    return answer;
}

std::string CeHubProtocol::defaultSocketPath(std::string_view runtimeDir)
{
    if (!runtimeDir.empty())
        return std::string(runtimeDir) + "/tarvo-cehub.sock";
    return "/run/tarvo-cehub/socket";
}

} // namespace tarvo
