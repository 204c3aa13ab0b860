#include "win32/Win32FrontEnd.h"

#include "support/WideText.h"
#include "win32/PasswordPrompt.h"

namespace tarvo::win32 {

namespace {

UINT iconFlags(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return MB_ICONERROR;
    case MessageIcon::Warning:
        return MB_ICONWARNING;
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    case MessageIcon::Question:
        return MB_ICONQUESTION;
    case MessageIcon::None:
        break;
    }
    return 0;
}

// The box's Cancel button reads "Close" while it is on the screen: the
// desktop's boxes know no Close button of their own.
thread_local HHOOK t_relabelHook = nullptr;

LRESULT CALLBACK relabelCancel(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        ::SetDlgItemTextW(reinterpret_cast<HWND>(wParam), IDCANCEL, L"&Close");
        const HHOOK hook = t_relabelHook;
        t_relabelHook = nullptr;
        ::UnhookWindowsHookEx(hook);
        return 0;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The person answers with the normal cursor, whatever step is under way.
class NormalCursor final {
public:
    NormalCursor() { m_previous = ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;
    ~NormalCursor() { ::SetCursor(m_previous); }

private:
    HCURSOR m_previous = nullptr;
};

} // namespace

Win32FrontEnd::Win32FrontEnd(BoxFunction box) : m_box(std::move(box))
{
    if (!m_box)
        m_box = [](HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
            return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
        };
}

Win32FrontEnd::~Win32FrontEnd()
{
    // Gone in the middle of a step: the normal cursor comes back.
    if (m_busyDepth > 0)
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

int Win32FrontEnd::show(const std::string& text, const std::string& caption, UINT flags)
{
    NormalCursor normal;
    return m_box(m_window, utf8ToWide(text), utf8ToWide(caption), flags | MB_SETFOREGROUND);
}

MessageAnswer Win32FrontEnd::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                        MessageButtons buttons)
{
    UINT flags = iconFlags(icon);
    switch (buttons) {
    case MessageButtons::YesNoCancel:
        flags |= MB_YESNOCANCEL | MB_DEFBUTTON1;
        break;
    case MessageButtons::YesNo:
        // Leave to replace what the handheld holds: Enter keeps it.
        flags |= MB_YESNO | MB_DEFBUTTON2;
        break;
    case MessageButtons::Ok:
        flags |= MB_OK;
        break;
    }
    switch (show(text, caption, flags)) {
    case IDYES:
        return MessageAnswer::Yes;
    case IDNO:
        return MessageAnswer::No;
    default:
        break;
    }
    return dismissedAnswer(buttons);
}

void Win32FrontEnd::failureBox(const std::string& text, const std::string& details, const std::string& caption)
{
    (void)show(details.empty() ? text : text + "\r\n\r\n" + details, caption, MB_OK | MB_ICONERROR);
}

bool Win32FrontEnd::askRetry(const std::string& text, const std::string& details, const std::string& caption)
{
    t_relabelHook = ::SetWindowsHookExW(WH_CBT, relabelCancel, nullptr, ::GetCurrentThreadId());
    const int answer =
        show(details.empty() ? text : text + "\r\n\r\n" + details, caption, MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2);
    if (t_relabelHook) {
        ::UnhookWindowsHookEx(t_relabelHook);
        t_relabelHook = nullptr;
    }
    return answer == IDRETRY;
}

std::optional<std::string> Win32FrontEnd::askPassword(const std::string& text, const std::string& caption)
{
    NormalCursor normal;
    return PasswordPrompt::ask(m_window, text, caption);
}

void Win32FrontEnd::setBusy(bool busy)
{
    if (busy)
        ++m_busyDepth;
    else if (m_busyDepth > 0)
        --m_busyDepth;
    ::SetCursor(::LoadCursorW(nullptr, m_busyDepth > 0 ? IDC_WAIT : IDC_ARROW));
}

void Win32FrontEnd::pumpEvents()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void Win32FrontEnd::setStatusText(const std::string& text)
{
    if (m_statusSink)
        m_statusSink(text);
}

void Win32FrontEnd::setWindow(HWND window, std::function<void(const std::string&)> statusSink)
{
    m_window = window;
    m_statusSink = std::move(statusSink);
}

void Win32FrontEnd::clearWindow()
{
    m_window = nullptr;
    m_statusSink = nullptr;
}

} // namespace tarvo::win32
