#pragma once

#include "support/FrontEnd.h"

#include <windows.h>

#include <functional>
#include <string>

namespace tarvo::win32 {

// The core's way of speaking to the person, on the desktop's own windows:
// message boxes owned by the selection window once it exists, the busy
// cursor, the status line, and the window messages that keep the screen
// alive while the handheld is awaited. Texts come in UTF-8.
class Win32FrontEnd final : public FrontEnd {
public:
    // How a box is shown: MessageBoxW, or a stand-in that records it.
    using BoxFunction = std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)>;

    explicit Win32FrontEnd(BoxFunction box = {});
    Win32FrontEnd(const Win32FrontEnd&) = delete;
    Win32FrontEnd& operator=(const Win32FrontEnd&) = delete;
    ~Win32FrontEnd() override;

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok) override;
    // The text in the box and the details under it, with the error icon.
    void failureBox(const std::string& text, const std::string& details, const std::string& caption) override;
    // The failure with Retry and Close (the default, so Enter does not send
    // the person round the wait again); true for Retry.
    bool askRetry(const std::string& text, const std::string& details, const std::string& caption);
    std::optional<std::string> askPassword(const std::string& text, const std::string& caption) override;
    void setBusy(bool busy) override;
    // Paints and answers the system while the device is awaited; the
    // person's input waits until the step is over, so nothing runs twice.
    void pumpEvents() override;
    void setStatusText(const std::string& text) override;

    // The window that owns the boxes and shows the status line.
    void setWindow(HWND window, std::function<void(const std::string&)> statusSink);
    void clearWindow();

    bool busy() const { return m_busyDepth > 0; }
    HWND window() const { return m_window; }

private:
    int show(const std::string& text, const std::string& caption, UINT flags);

    BoxFunction m_box;
    HWND m_window = nullptr;
    std::function<void(const std::string&)> m_statusSink;
    int m_busyDepth = 0;
};

} // namespace tarvo::win32
