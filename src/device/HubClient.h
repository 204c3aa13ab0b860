#pragma once

#include "device/RapiConnector.h"

#include <string>

namespace tarvo {

// Asks `tarvo-cehub`, on its Unix socket, for a remote-API connection: one
// request line out, one answer line back with the connection's socket
// passed along. Nothing listening is refused at once (NoManager); a hub
// with no handheld ready keeps the attempt waiting.
class HubClient final : public RapiConnector {
public:
    explicit HubClient(std::string socketPath) : m_socketPath(std::move(socketPath)) {}

    std::unique_ptr<RapiConnectAttempt> connect(const std::string& deviceName, const std::string& password) override;

private:
    std::string m_socketPath;
};

} // namespace tarvo
