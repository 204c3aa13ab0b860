#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The local protocol between `tarvo-cehub` and the programs that ask it for
// a remote-API connection to a handheld, over its Unix socket. One request
// line, one answer line; text values travel as hex of their UTF-8 so that
// nothing needs escaping.
//
//   connect [device=HEX] [password=HEX]
//       -> ok MAJOR MINOR HEX-NAME      (the connection's socket attached)
//       -> error REASON
//   devices
//       -> device HEX-NAME MAJOR MINOR STATE   (one per handheld), then end
//
// A `connect` with no handheld docked waits until one is ready (or the
// asking program gives up and closes). REASON is one of the kError* words.
class CeHubProtocol final {
public:
    static constexpr std::size_t kMaxLine = 4096;

    static constexpr std::string_view kErrorBadRequest = "bad-request";
    static constexpr std::string_view kErrorNoDevice = "no-device";
    static constexpr std::string_view kErrorPasswordRequired = "password-required";
    static constexpr std::string_view kErrorPasswordRejected = "password-rejected";
    static constexpr std::string_view kErrorDeviceGone = "device-gone";

    struct Request {
        enum class Kind { Connect, Devices, Invalid };
        Kind kind = Kind::Invalid;
        std::string device;   // empty: any
        std::string password; // empty: none given
    };

    struct Answer {
        bool ok = false;
        std::uint32_t osMajor = 0;
        std::uint32_t osMinor = 0;
        std::string name;
        std::string error; // one of the kError* words when !ok
    };

    static std::string connectRequest(std::string_view device, std::string_view password);
    // A request line without its line end.
    static Request parseRequest(std::string_view line);

    static std::string okAnswer(std::uint32_t osMajor, std::uint32_t osMinor, std::string_view name);
    static std::string errorAnswer(std::string_view reason);
    // An answer line without its line end; nullopt when it is neither.
    static std::optional<Answer> parseAnswer(std::string_view line);

    // The hub's socket when none is named: under the user's runtime folder
    // when there is one ($XDG_RUNTIME_DIR, passed in), else the system
    // service's.
    static std::string defaultSocketPath(std::string_view runtimeDir);

    static std::string hex(std::string_view text);
    static std::optional<std::string> unhex(std::string_view text);
};

} // namespace tarvo
