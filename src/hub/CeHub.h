#pragma once

#include "hub/HubDevice.h"
#include "hub/HubOptions.h"
#include "hub/HubSocket.h"
#include "hub/LinkListener.h"
#include "hub/LocalRequest.h"
#include "hub/PasswordKeeper.h"
#include "hub/Refusals.h"
#include "hub/RequestIds.h"
#include "support/NetAddress.h"
#include "support/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarvo::cehub {

// The handheld connection manager: listens for handhelds, keeps each one's
// control connection (HubDevice), and on its Unix socket hands local
// programs remote-API connections to a handheld, passing the connection's
// socket itself (SCM_RIGHTS) so the data never goes through the hub.
//
// Everything runs on the thread that calls run(), and nothing there waits
// for a peer: output is queued per peer, connections to older handhelds are
// made without waiting, and a peer that falls behind or floods the hub is
// dropped or refused alone.
class CeHub final {
public:
    explicit CeHub(HubOptions options);
    CeHub(const CeHub&) = delete;
    CeHub& operator=(const CeHub&) = delete;
    ~CeHub();

    // Binds every listening socket and the Unix socket, reads the trusted
    // handhelds' file; false with a message when one cannot be had.
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
    using Clock = std::chrono::steady_clock;

    // A connection to a handheld port whose first word is not in yet: a
    // new handheld's control connection, or a remote-API connection asked for.
    struct Newcomer {
        UniqueFd fd;
        bool older = false;
        NetAddress peer;
        std::vector<std::uint8_t> in;
        Clock::time_point deadline;
    };
    using Log = std::function<void(const std::string&)>;
    void log(const std::string& line) const;
    Log logLine() const;
    void accept(LinkListener& listener);
    std::size_t connectionsFrom(const std::string& host) const;
    std::size_t connections() const { return m_newcomers.size() + m_devices.size(); }
    void acceptRequest();
    void newcomerReadable(Newcomer& newcomer);
    void deviceEvent(HubDevice& device, HubDevice::Event event);
    void identified(HubDevice& device);
    void gone(HubDevice& device);
    void requestReadable(LocalRequest& request);
    void advance(LocalRequest& request);
    HubDevice* pickDevice(const LocalRequest& request);
    void askPassword(LocalRequest& request, HubDevice& device);
    void connectOlder(LocalRequest& request, HubDevice& device);
    void olderProgress(LocalRequest& request);
    void handOver(LocalRequest& request, UniqueFd connection, const NetAddress& peer);
    void expire();
    void sendTrigger();
    void countReady();

    HubOptions m_options;
    UniqueFd m_stop;
    HubSocket m_local;
    std::vector<LinkListener> m_listeners;
    std::vector<std::string> m_listening;
    std::vector<Newcomer> m_newcomers;
    std::map<std::uint64_t, std::unique_ptr<HubDevice>> m_devices;
    std::vector<std::unique_ptr<LocalRequest>> m_requests;
    // The caps of the options, fitted to the open-files limit.
    std::size_t m_maxConnections = 0;
    std::size_t m_maxClients = 0;
    // Out of descriptors: the listeners rest until then.
    Clock::time_point m_restUntil;
    Refusals m_refusals;
    Clock::time_point m_nextSecond;
    PasswordKeeper m_passwords;

    std::uint64_t m_lastDevice = 0;
    RequestIds m_requestIds;
    Clock::time_point m_nextTrigger;
    std::atomic<std::size_t> m_ready{0};
    std::atomic<std::size_t> m_known{0};
};

} // namespace tarvo::cehub
