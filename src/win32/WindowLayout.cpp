#include "win32/WindowLayout.h"

#include "app/WindowPlacement.h"
#include "win32/Resources.h"

namespace tarvo::win32 {

namespace {

using Placement = tarvo::WindowPlacement;

// The frame around a client area at the window's density, in its pixels.
Placement::Frame frameOf(HWND window, UINT dpi)
{
    RECT outer{0, 0, 0, 0};
    ::AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)),
                               ::GetMenu(window) != nullptr, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)),
                               dpi);
    return {-outer.left, -outer.top, outer.right, outer.bottom};
}

int toDips(int pixels, UINT dpi)
{
    return ::MulDiv(pixels, 96, static_cast<int>(dpi));
}

Placement::Rect workArea(const RECT& nearby)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromRect(&nearby, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    return {area.left, area.top, area.right - area.left, area.bottom - area.top};
}

} // namespace

bool WindowLayout::restore(HWND window, const UserSettings& settings, SIZE minimum)
{
    const UINT dpi = Resources::dpi(window);
    const UserSettings::WindowLayout& layout = settings.windowLayout();
    Placement::Rect stored;
    if (layout.frame.size() == 4 && layout.frame[2] > 0 && layout.frame[3] > 0)
        stored = {Resources::scaled(layout.frame[0], dpi), Resources::scaled(layout.frame[1], dpi),
                  Resources::scaled(layout.frame[2], dpi), Resources::scaled(layout.frame[3], dpi)};
    const RECT nearby = stored.valid() ? RECT{stored.x, stored.y, stored.x + stored.width, stored.y + stored.height}
                                     : RECT{0, 0, 1, 1};
    const Placement::Rect area = workArea(nearby);
    const Placement::Frame frame = frameOf(window, dpi);
    const Placement::Size least{minimum.cx, minimum.cy};
    const Placement::Rect placed =
        stored.valid() ? Placement::fit(stored, frame, least, area)
                       : Placement::centred({Resources::scaled(kPreferredWidth, dpi), Resources::scaled(kPreferredHeight, dpi)},
                                            frame, least, area);
    ::SetWindowPos(window, nullptr, placed.x - frame.left, placed.y - frame.top,
                   placed.width + frame.left + frame.right, placed.height + frame.top + frame.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return layout.maximized;
}

UserSettings::WindowLayout WindowLayout::capture(HWND window, const UserSettings& settings)
{
    const UINT dpi = Resources::dpi(window);
    UserSettings::WindowLayout layout = settings.windowLayout();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ::GetWindowPlacement(window, &placement);
    // The normal place, in the work area's coordinates: made the screen's.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT normal = placement.rcNormalPosition;
    ::OffsetRect(&normal, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    const Placement::Frame frame = frameOf(window, dpi);
    layout.frame = {toDips(normal.left + frame.left, dpi), toDips(normal.top + frame.top, dpi),
                    toDips(normal.right - normal.left - frame.left - frame.right, dpi),
                    toDips(normal.bottom - normal.top - frame.top - frame.bottom, dpi)};
    layout.maximized = ::IsZoomed(window) != FALSE;
    return layout;
}

} // namespace tarvo::win32
