#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// Where a text reported by an update run goes in the progress window.
enum class UpdateTextTarget { Caption = 0, Status = 1 };

// How an update run reports to its front end: the four messages the progress
// window receives. Every call comes from the update worker thread, so an
// implementation must neither block the worker for long nor touch widgets
// directly: the window turns each call into a queued call to itself, the
// command line prints. The worker never waits for an answer.
class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;

    // After every received block: the bytes of the current file so far and
    // the length the server announced for it.
    virtual void progress(std::uint32_t received, std::int32_t expected) = 0;
    // A status line, or the window title.
    virtual void text(const std::string& text, UpdateTextTarget target) = 0;
    // A pass has files to fetch and is about to fetch them.
    virtual void pending() = 0;
    // The run has ended; nothing follows.
    virtual void done() = 0;
};

} // namespace tarvo
