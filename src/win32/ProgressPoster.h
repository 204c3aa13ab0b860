#pragma once

#include "updater/ThrottledUpdateObserver.h"
#include "updater/UpdateObserver.h"

#include <windows.h>

#include <atomic>

namespace tarvo::win32 {

// Carries an update run's reports from the worker thread to the progress
// window as the defined posted messages: 1124 (bytes done, bytes
// expected), 1125 (a text the window takes ownership of, and where it
// goes: 0 the caption, 1 the status line) and 1127 (the run ended).
// Progress goes through the update service's own throttle, so the window
// gets at most about thirty reports a second and always where each file
// ended. A text whose message cannot be posted is freed here.
//
// The poster must live until the run's `done`; its owner keeps it past
// the window (see ProgressDialog).
class ProgressPoster final : public UpdateObserver {
public:
    explicit ProgressPoster(HWND window);

    // Called on the worker thread.
    void progress(std::uint32_t received, std::int32_t expected) override;
    void text(const std::string& text, UpdateTextTarget target) override;
    void pending() override;
    void done() override;

    bool ended() const { return m_ended.load(); }

private:
    class Poster final : public UpdateObserver {
    public:
        explicit Poster(HWND window) : m_window(window) {}
        void progress(std::uint32_t received, std::int32_t expected) override;
        void text(const std::string& text, UpdateTextTarget target) override;
        void pending() override {}
        void done() override;

    private:
        HWND m_window;
    };

    Poster m_poster;
    ThrottledUpdateObserver m_throttled{m_poster};
    std::atomic<bool> m_ended{false};
};

} // namespace tarvo::win32
