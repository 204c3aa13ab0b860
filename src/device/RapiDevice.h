#pragma once

#include "device/DeviceTransport.h"
#include "ceproto/RapiAnswers.h"
#include "ceproto/RapiLayout.h"
#include "ceproto/RapiRequests.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

class RapiConnection;

// A real handheld, reached through `tarvo-cehub`: a session start asks the
// hub (on its Unix socket) for a remote-API connection and receives the
// connection itself; the session is that connection, in the command layout
// of the OS version the handheld reported. No hub, or a hub that refuses,
// is a session that fails; a hub with no handheld docked keeps the start
// waiting, so the device link's bounded wait applies.
//
// A file written to the handheld goes to "<name>.partial" beside it and is
// renamed over the target only when every byte arrived; a copy that fails
// removes the partial file, and the target keeps its previous content.
// Writes are joined into larger blocks and sent without waiting for each
// answer; a failure shows at a later write or at the close.
class RapiDevice final : public DeviceTransport {
public:
    // Why the last session start failed.
    enum class Refusal {
        None,
        NoHub,            // nothing listens on the socket
        NoDevice,         // the hub has no handheld to offer
        PasswordRequired, // the handheld wants a password and none was given
        PasswordRejected, // the password given was wrong
        DeviceGone,       // the handheld went away during the start
        Protocol,         // the hub's answer made no sense
    };

    static constexpr std::size_t kWriteBlock = 64 * 1024;
    static constexpr std::size_t kReadBlock = 64 * 1024;
    static constexpr std::u16string_view kPartialSuffix = u".partial";
    static constexpr std::u16string_view kPreviousSuffix = u".previous";

    // `hubSocket`: the hub's Unix socket.
    explicit RapiDevice(std::string hubSocket);
    RapiDevice(const RapiDevice&) = delete;
    RapiDevice& operator=(const RapiDevice&) = delete;
    ~RapiDevice() override;

    // A handheld by name when several are docked (empty: any).
    void setDeviceName(std::string name) { m_deviceName = std::move(name); }
    // The handheld's password, UTF-8 (empty: none).
    void setPassword(std::string password) { m_password = std::move(password); }
    // How long one answer of the handheld may take (default 30 s).
    void setAnswerTimeout(std::chrono::milliseconds timeout) { m_answerTimeout = timeout; }

    Refusal refusal() const { return m_refusal; }
    bool connected() const { return m_connection != nullptr; }
    // Of the handheld of the current session.
    const std::string& deviceName() const { return m_connectedName; }
    std::uint32_t osMajor() const { return m_osMajor; }
    std::uint32_t osMinor() const { return m_osMinor; }
    RapiLayout layout() const { return m_requests.layout(); }
    std::size_t openHandles() const { return m_open.size(); }

    std::unique_ptr<DeviceSessionStart> startSession() override;
    void endSession() override;

    bool findFile(const std::u16string& path) override;
    DeviceHandle createFile(const std::u16string& path, DeviceOpen mode) override;
    bool readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got) override;
    bool writeFile(DeviceHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    bool closeHandle(DeviceHandle handle) override;
    void abandonFile(DeviceHandle file) override;
    bool deleteFile(const std::u16string& path) override;

    std::int32_t regCreateKey(const std::u16string& path, DeviceHandle& key) override;
    std::int32_t regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                   std::uint32_t size) override;
    std::int32_t regCloseKey(DeviceHandle key) override;

    // Beyond what the device link needs: the file's attributes
    // (0xFFFFFFFF when it does not exist), opening an existing key, and
    // reading a string value back.
    std::uint32_t fileAttributes(const std::u16string& path);
    std::int32_t regOpenKey(const std::u16string& path, DeviceHandle& key);
    std::int32_t regQueryString(DeviceHandle key, const std::u16string& name, std::u16string& value);

private:
    class Start;
    struct Open {
        bool isKey = false;
        bool writing = false;
        bool failed = false;
        std::uint32_t remote = 0;
        std::u16string target;
        std::u16string partial;
        std::vector<std::uint8_t> buffer; // writes not yet sent, or reads not yet taken
        std::size_t bufferStart = 0;
        bool atEnd = false;
    };

    void comeUp(std::uint64_t generation, int socket, std::uint32_t osMajor, std::uint32_t osMinor,
                std::string name);
    void refuse(Refusal refusal) { m_refusal = refusal; }
    DeviceHandle remember(Open open);
    // Creates (or only opens) a key under HKEY_CURRENT_USER.
    std::int32_t keyCall(const std::u16string& path, bool create, DeviceHandle& key);
    Open* find(DeviceHandle handle, bool key);
    bool sendWrites(DeviceHandle handle, Open& open);
    bool closeRemote(std::uint32_t remote);
    bool removeRemote(std::u16string_view path);
    bool moveRemote(std::u16string_view from, std::u16string_view to);
    bool replaceTarget(const Open& open);
    std::optional<RapiAnswer> status(const std::vector<std::uint8_t>& request);

    std::string m_hubSocket;
    std::string m_deviceName;
    std::string m_password;
    std::chrono::milliseconds m_answerTimeout{30000};
    Refusal m_refusal = Refusal::None;
    int m_sessionDepth = 0;
    std::uint64_t m_generation = 0;
    std::unique_ptr<RapiConnection> m_connection;
    RapiRequests m_requests{RapiLayout::V2};
    RapiAnswers m_answers{RapiLayout::V2};
    std::string m_connectedName;
    std::uint32_t m_osMajor = 0;
    std::uint32_t m_osMinor = 0;
    std::map<DeviceHandle, Open> m_open;
    DeviceHandle m_lastHandle = kNoDeviceHandle;
};

} // namespace tarvo
