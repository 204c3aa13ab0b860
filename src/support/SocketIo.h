#pragma once

#include "support/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

// Blocking socket input and output that never hangs past a deadline and
// can be woken by a stop descriptor (an eventfd or signalfd that becomes
// readable when the caller should give up).
namespace tarvo {
class NetAddress;
}

namespace tarvo::socketio {

using Clock = std::chrono::steady_clock;

enum class Wait { Ready, TimedOut, Stopped, Failed };

// Waits until `fd` is readable (or writable), `stopFd` (when >= 0) is
// readable, or `timeout` passes (negative: no limit).
Wait waitReadable(int fd, int stopFd, std::chrono::milliseconds timeout);
Wait waitWritable(int fd, int stopFd, std::chrono::milliseconds timeout);

// Sends every byte of every part, in order, as one stream (one system call
// where the parts fit). False on an error, a closed peer, a stop or the
// timeout.
bool sendAll(int fd, std::initializer_list<std::span<const std::uint8_t>> parts, int stopFd = -1,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

// Reads exactly `size` bytes; false on the end of the stream, an error, a
// stop or the timeout.
bool readExact(int fd, void* buffer, std::size_t size, int stopFd = -1,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

// A TCP connection to `address` (TCP_NODELAY set: the remote API is small
// requests and answers); an invalid descriptor when it cannot be made in
// time.
UniqueFd connectTcp(const NetAddress& address, int stopFd, std::chrono::milliseconds timeout);

// Makes a descriptor non-blocking (true) or blocking (false).
bool setNonBlocking(int fd, bool nonBlocking);

} // namespace tarvo::socketio
