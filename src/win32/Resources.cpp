#include "win32/Resources.h"

#include "win32/DialogProc.h"

namespace tarvo::win32 {

std::wstring Resources::string(UINT id)
{
    const wchar_t* text = nullptr;
    // Length 0 asks for a pointer into the resource itself.
    const int length = ::LoadStringW(resourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

std::wstring Resources::text(HWND control)
{
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

UINT Resources::dpi(HWND window)
{
    const UINT dpi = window ? ::GetDpiForWindow(window) : 0;
    return dpi > 0 ? dpi : ::GetDpiForSystem();
}

} // namespace tarvo::win32
