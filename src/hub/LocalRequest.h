#pragma once

#include "ceproto/CeHubProtocol.h"
#include "hub/OlderConnect.h"
#include "hub/OutputQueue.h"
#include "support/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvo::cehub {

// One local program's request on the hub's Unix socket: its request line
// as it comes in, then, while the hub finds it a handheld, what it waits
// for, and last the answer, queued so that a program that does not read
// holds up nobody (the connection's socket goes with the answer's line).
struct LocalRequest {
    using Clock = std::chrono::steady_clock;
    enum class State {
        Reading,           // the request line is coming
        WaitingDevice,     // for a handheld to be docked, ready or unlocked
        WaitingPassword,   // for the result of the password it brought
        WaitingConnection, // for the handheld to open the connection asked for
        ConnectingOlder,   // the hub connects to an older handheld for it
        Answering,         // the answer is going out
        Done,
    };
    enum class Read { More, Request, Gone, TooLong };

    LocalRequest(UniqueFd socket, Clock::time_point until) : fd(std::move(socket)), deadline(until) {}

    // Reads what came; Request once the whole line is in (`request` holds it).
    Read readable();
    // Answers with `line` and ends the request once it went.
    void answer(const std::string& line);
    // Answers with `line` and the connection's socket attached.
    void handOver(const std::string& line, int connection);
    // Sends more of the answer.
    void writable();
    // Ends the request unanswered.
    void close();

    UniqueFd fd;
    State state = State::Reading;
    CeHubProtocol::Request request;
    std::uint64_t device = 0;   // the handheld chosen for it
    std::uint32_t requestId = 0;
    Clock::time_point deadline; // of what it waits for now
    std::unique_ptr<OlderConnect> older;

private:
    std::string m_line;
    OutputQueue m_out;
};

} // namespace tarvo::cehub
