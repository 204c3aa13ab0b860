#pragma once

#include <windows.h>

namespace tarvo::win32 {

// The small window start-up shows while it waits for the handheld (up to
// five seconds, and again at each Retry): before the selection window opens
// nothing else is on the screen, and a busy cursor over nothing shows
// nowhere.
class DeviceWaitNotice final {
public:
    static constexpr const wchar_t* kText = L"Looking for the handheld\u2026";

    DeviceWaitNotice() = default;
    DeviceWaitNotice(const DeviceWaitNotice&) = delete;
    DeviceWaitNotice& operator=(const DeviceWaitNotice&) = delete;
    ~DeviceWaitNotice();

    // Shown and painted at once (the wait dispatches no input), or hidden.
    void setWaiting(bool waiting);
    HWND window() const { return m_window; }

    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    HWND m_window = nullptr;
};

} // namespace tarvo::win32
