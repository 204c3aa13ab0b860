#pragma once

#include "updater/UpdateLimits.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

namespace tarvo {

enum class WorkerPriority {
    Idle,   // the lowest the platform allows, as the program runs it
    Normal, // for tests and benchmarks on a busy machine
};

// How the update service is set up; the defaults are the program's.
struct UpdateOptions {
    // The working folder that holds the local version lists, the installed
    // files and "update", "backup" and "log".
    std::filesystem::path baseDir = ".";
    // Reaching a server, and the longest wait for more data from it.
    std::chrono::milliseconds httpTimeout{30000};
    // Certificates to trust instead of the system's bundle (HttpOptions).
    std::string caBundleFile;
    WorkerPriority workerPriority = WorkerPriority::Idle;
    // The wall clock, for the run header and the seed of the server choice.
    std::function<std::time_t()> clock;
    // The random numbers of the server choice; unset: a generator seeded
    // with the clock at every choice.
    std::function<std::uint32_t()> random;
    // What a server may send, and how slowly.
    UpdateLimits limits{};
};

} // namespace tarvo
