#pragma once

#include "app/UserSettings.h"

#include <windows.h>

namespace tarvo::win32 {

// The selection window's size and place from "synuser.ini" and back, under
// the keys the Linux window uses ("Window": the client area's x, y, width
// and height in pixels at 100 %, "Maximized"). Whatever was stored, the
// window comes up whole on the screen it was on (or the primary one),
// frame and all, no smaller than its controls need.
class WindowLayout final {
public:
    // The client size on a first start, before anything is remembered, at
    // 100 % (the Linux window's too): room for both lists' columns.
    static constexpr int kPreferredWidth = 920;
    static constexpr int kPreferredHeight = 640;

    WindowLayout() = delete;

    // Places the window (not shown yet); `minimum` is the client size in
    // pixels at the window's density. Answers whether it is to be shown
    // maximized.
    static bool restore(HWND window, const UserSettings& settings, SIZE minimum);
    // The layout to store: the stored one's other keys as they were.
    static UserSettings::WindowLayout capture(HWND window, const UserSettings& settings);
};

} // namespace tarvo::win32
