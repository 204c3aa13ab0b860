#pragma once

#include <windows.h>

namespace tarvo::win32 {

// The dialog procedure of a class of ours: the object comes in with
// WM_INITDIALOG (the creation parameter) and is kept in the dialog's user
// data; every message goes to its `handle`. Messages before WM_INITDIALOG
// (WM_SETFONT) get the default handling.
template <typename Dialog>
INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self)
        return FALSE;
    return self->handle(dialog, message, wParam, lParam);
}

// The module whose resources the windows use: the program (or the test
// program that links them).
inline HINSTANCE resourceModule()
{
    return ::GetModuleHandleW(nullptr);
}

} // namespace tarvo::win32
