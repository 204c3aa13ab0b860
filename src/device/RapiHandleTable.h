#pragma once

#include "device/DeviceTransport.h"
#include "device/RapiFileBuffer.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace tarvo {

// The handles RapiDevice gives out: each stands for a handheld's own file
// or key handle, with what is buffered for it. The desktop's handles are
// its own, so a handheld's number is never mistaken for one of another
// session, and never 0.
class RapiHandleTable final {
public:
    struct Entry {
        bool isKey = false;
        bool writing = false;
        std::uint32_t remote = 0;
        // The first error a posted write came back with (0: none yet).
        DeviceError failed = 0;
        RapiFileBuffer buffer;
    };

    DeviceHandle add(Entry entry);
    // The entry of that kind; nullptr for none.
    Entry* find(DeviceHandle handle, bool key);
    // Removes the entry and gives it back.
    std::optional<Entry> take(DeviceHandle handle);
    std::vector<DeviceHandle> handles() const;
    std::size_t size() const { return m_entries.size(); }

private:
    std::map<DeviceHandle, Entry> m_entries;
    DeviceHandle m_last = kNoDeviceHandle;
};

} // namespace tarvo
