#pragma once

#include <functional>
#include <string>

namespace tarvo {

class UpdateObserver;

// How a progress window reaches the update service without owning it:
// `start` begins a run that reports to the observer and answers false when
// a run is already going (the service has then told the person so);
// `cancel` asks the run in progress to stop; `logFile` is where the run
// logs; `caption` is the application's name, which the progress window
// shows where a run leaves its title empty. Empty when the program has no
// update service.
struct UpdateRunner {
    std::function<bool(UpdateObserver&)> start;
    std::function<void()> cancel;
    std::string logFile = {};
    std::string caption = {};

    explicit operator bool() const { return static_cast<bool>(start); }
};

} // namespace tarvo
