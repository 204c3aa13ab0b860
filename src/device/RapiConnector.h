#pragma once

#include "device/DeviceTransport.h"
#include "support/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvo {

// A remote-API connection to a handheld, as it is handed over: the byte
// stream and the OS version that decides its command layout; or, when
// there is no connection, why.
struct RapiOffer {
    UniqueFd connection;
    std::uint32_t osMajor = 0;
    std::uint32_t osMinor = 0;
    std::string name;
    SessionRefusal refusal = SessionRefusal::None;
};

// One request for a connection, answered some time later.
class RapiConnectAttempt {
public:
    virtual ~RapiConnectAttempt() = default;
    // Blocks for at most `timeout`; Signalled once the answer is there.
    [[nodiscard]] virtual DeviceWait wait(std::chrono::milliseconds timeout) = 0;
    // The answer, once signalled (a second call gives an empty offer).
    [[nodiscard]] virtual RapiOffer take() = 0;
};

// Where RapiDevice's connections come from: the handheld connection
// manager (HubClient), or a test's own byte stream.
class RapiConnector {
public:
    virtual ~RapiConnector() = default;
    // Asks for a connection to the handheld `deviceName` (empty: any),
    // unlocked with `password` (empty: none given). Never null.
    [[nodiscard]] virtual std::unique_ptr<RapiConnectAttempt> connect(const std::string& deviceName,
                                                                      const std::string& password) = 0;
};

} // namespace tarvo
