#pragma once

#include "win32/DialogAnchors.h"
#include "win32/WindowImages.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace tarvo::win32 {

// What the selection window is as a window on the desktop: its icons, the
// system menu's "About dialer..." item, its controls anchored as it is
// resized and never smaller than they need, its move to a monitor of
// another density, and its icon painted while minimised.
class WindowFrame final {
public:
    // `iconFile`: the working folder's icon file, if any is there.
    WindowFrame(HWND dialog, std::string iconFile);
    WindowFrame(const WindowFrame&) = delete;
    WindowFrame& operator=(const WindowFrame&) = delete;

    // Told of a new density (old, new) once the frame has followed it.
    void onDensityChange(std::function<void(UINT, UINT)> changed) { m_densityChanged = std::move(changed); }

    // The client size the controls need, at the window's density.
    SIZE minimumClient() const { return m_anchors.baseSize(); }
    UINT dpi() const { return m_dpi; }

    // The frame's messages (size, minimum, density, minimised icon); true
    // when handled, with the message's result.
    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    void anchorControls();
    void setIcons();

    HWND m_dialog;
    std::string m_iconFile;
    UINT m_dpi;
    DialogAnchors m_anchors;
    std::unique_ptr<WindowIcon> m_icon;
    std::function<void(UINT, UINT)> m_densityChanged;
};

} // namespace tarvo::win32
