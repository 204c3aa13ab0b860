#pragma once

#include "device/DeviceLink.h"

namespace tarvo {

// Ends a session opened by `DeviceLink::connect` on every way out of the
// scope that opened it.
class DeviceSession final {
public:
    explicit DeviceSession(DeviceLink& link) : m_link(link) {}
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;
    ~DeviceSession() { m_link.disconnect(); }

private:
    DeviceLink& m_link;
};

} // namespace tarvo
