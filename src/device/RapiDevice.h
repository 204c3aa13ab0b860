#pragma once

#include "ceproto/RapiLayout.h"
#include "device/DeviceTransport.h"
#include "device/RapiHandleTable.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvo {

class RapiClient;
class RapiConnector;
struct RapiOffer;

// A real handheld over the remote API. A session start asks the connector
// (tarvo-cehub's HubClient) for a connection; the session is that
// connection, spoken in the command layout of the OS version the handheld
// reported. Nothing to ask is a start refused at once; a hub with no
// handheld docked keeps the start waiting, so the device link's bounded
// wait applies.
//
// The parts: the connector, RapiClient (the calls over the connection),
// RapiHandleTable (the desktop's handles) and RapiFileBuffer (writes joined
// into large blocks and sent without waiting for each answer, so a refused
// write shows at a later write or at the close; reads fetched ahead).
class RapiDevice final : public DeviceTransport {
public:
    static constexpr std::size_t kWriteBlock = 64 * 1024;
    static constexpr std::size_t kReadBlock = 64 * 1024;

    // Through tarvo-cehub on its Unix socket.
    explicit RapiDevice(std::string hubSocket);
    explicit RapiDevice(std::unique_ptr<RapiConnector> connector);
    RapiDevice(const RapiDevice&) = delete;
    RapiDevice& operator=(const RapiDevice&) = delete;
    ~RapiDevice() override;

    // A handheld by name when several are docked (empty: any).
    void setDeviceName(std::string name) { m_deviceName = std::move(name); }
    void setPassword(std::string password) override { m_password = std::move(password); }
    // How long one answer of the handheld may take (default 30 s).
    void setAnswerTimeout(std::chrono::milliseconds timeout) { m_answerTimeout = timeout; }

    bool connected() const { return m_client != nullptr; }
    // Of the handheld of the current session.
    const std::string& deviceName() const { return m_connectedName; }
    RapiLayout layout() const;
    std::size_t openHandles() const { return m_handles.size(); }

    std::unique_ptr<DeviceSessionStart> startSession() override;
    void endSession() override;

    DeviceError findFile(const std::u16string& path) override;
    DeviceError fileAttributes(const std::u16string& path, std::uint32_t& attributes) override;
    DeviceError createFile(const std::u16string& path, DeviceOpen mode, DeviceHandle& file) override;
    DeviceError readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got) override;
    DeviceError writeFile(DeviceHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    DeviceError closeHandle(DeviceHandle file) override;
    DeviceError deleteFile(const std::u16string& path) override;
    DeviceError moveFile(const std::u16string& from, const std::u16string& to) override;
    DeviceError createDirectory(const std::u16string& path) override;

    DeviceError regCreateKey(const std::u16string& path, DeviceHandle& key) override;
    DeviceError regOpenKey(const std::u16string& path, DeviceHandle& key) override;
    DeviceError regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                  std::uint32_t size) override;
    DeviceError regQueryString(DeviceHandle key, const std::u16string& name, std::u16string& value) override;
    DeviceError regCloseKey(DeviceHandle key) override;

private:
    class Start;

    void comeUp(std::uint64_t generation, RapiOffer offer);
    DeviceError keyCall(const std::u16string& path, bool create, DeviceHandle& key);
    // Sends what waits in the file's buffer.
    void sendWrites(DeviceHandle handle, RapiHandleTable::Entry& file);

    std::unique_ptr<RapiConnector> m_connector;
    std::string m_deviceName;
    std::string m_password;
    std::chrono::milliseconds m_answerTimeout{30000};
    int m_sessionDepth = 0;
    std::uint64_t m_generation = 0;
    std::unique_ptr<RapiClient> m_client;
    std::string m_connectedName;
    RapiHandleTable m_handles;
};

} // namespace tarvo
