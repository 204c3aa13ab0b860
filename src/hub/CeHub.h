#pragma once

#include "hub/HubDevice.h"
#include "hub/HubOptions.h"
#include "ceproto/CeHubProtocol.h"
#include "support/NetAddress.h"
#include "support/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tarvo::cehub {

// The handheld connection manager: listens for handhelds, keeps each one's
// control connection (HubDevice), and on its Unix socket hands local
// programs remote-API connections to a handheld, passing the connection's
// socket itself (SCM_RIGHTS) so the data never goes through the hub.
// Everything runs on the thread that calls run().
class CeHub final {
public:
    explicit CeHub(HubOptions options);
    CeHub(const CeHub&) = delete;
    CeHub& operator=(const CeHub&) = delete;
    ~CeHub();

    // Binds every listening socket and the Unix socket; false with a
    // message when one cannot be had.
    bool open(std::string& error);
    // The addresses listened on, with the ports actually bound.
    const std::vector<std::string>& listening() const { return m_listening; }

    // Serves until stop() or the stop descriptor.
    void run();
    // From any thread.
    void stop();

    // Handhelds that are ready for connections (for tests and the log).
    std::size_t readyDevices() const { return m_ready.load(); }
    // Handhelds that told who they are (ready, or waiting for a password).
    std::size_t knownDevices() const { return m_known.load(); }

private:
    // A connection to a handheld port whose first word is not in yet: a
    // new handheld's control connection, or a remote-API connection asked for.
    struct Listener {
        UniqueFd fd;
        bool older = false;
    };
    struct Newcomer {
        UniqueFd fd;
        bool older = false;
        NetAddress peer;
        std::vector<std::uint8_t> in;
        std::chrono::steady_clock::time_point deadline;
    };
    // A local program's request.
    struct Client {
        enum class State { Reading, WaitingDevice, WaitingPassword, WaitingConnection };
        UniqueFd fd;
        std::string line;
        State state = State::Reading;
        CeHubProtocol::Request request;
        std::uint64_t device = 0;
        std::uint32_t requestId = 0;
        std::chrono::steady_clock::time_point deadline;
    };

    void log(const std::string& line) const;
    bool listenOn(const std::string& address, bool older, std::string& error);
    bool openSocket(std::string& error);
    void accept(const Listener& listener);
    void acceptClient();
    void newcomerReadable(Newcomer& newcomer);
    void deviceReadable(HubDevice& device);
    void deviceEvent(HubDevice& device, HubDevice::Event event);
    void clientReadable(Client& client);
    void advance(Client& client);
    HubDevice* pickDevice(const Client& client);
    void answer(Client& client, const std::string& line, int passFd = -1);
    void connectOlder(Client& client, HubDevice& device);
    void handOver(Client& client, UniqueFd connection, const NetAddress& peer);
    void expire();
    void sendTrigger();
    void countReady();

    HubOptions m_options;
    UniqueFd m_stop;
    UniqueFd m_local;
    std::vector<Listener> m_listeners;
    std::vector<std::string> m_listening;
    std::vector<Newcomer> m_newcomers;
    std::map<std::uint64_t, std::unique_ptr<HubDevice>> m_devices;
    // Handhelds the password of --password-file was given to (once each).
    std::set<std::uint64_t> m_filePasswordTried;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::uint64_t m_lastDevice = 0;
    // Remote-API requests are numbered across all handhelds, from well above
    // the words a handheld opens its control connection with.
    std::uint32_t m_lastRequest = 1000;
    std::chrono::steady_clock::time_point m_nextTrigger;
    std::atomic<std::size_t> m_ready{0};
    std::atomic<std::size_t> m_known{0};
    bool m_socketCreated = false;
};

} // namespace tarvo::cehub
