#pragma once

#include "device/DeviceTransport.h"

#include <cstdint>

namespace tarvo {

// Results of the device link's operations, with the values the platform
// gives them (README.md beside this file has the table).
enum class SyncResult : std::int32_t {
    Done = 0,
    // The local source file exists but cannot be read (also: a read of it
    // failed part-way through a copy).
    LocalUnreadable = 1,
    DeviceFileMissing = 102,
    // The device file cannot be opened for reading or created for writing
    // (also: the device failed a read or write part-way through a copy, or
    // the copied file could not be completed on the device).
    DeviceFileUnavailable = 103,
    // The local target file cannot be created (also: writing it failed
    // part-way).
    LocalUnwritable = 104,
    LocalMissing = 105,
    // No device answered (E_FAIL).
    NoConnection = kEFail,
};

} // namespace tarvo
