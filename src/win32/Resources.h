#pragma once

#include <windows.h>

#include <string>

namespace tarvo::win32 {

// Texts and sizes of the program's resources.
class Resources final {
public:
    Resources() = delete;

    // A string of the string table; empty when it has none of that number.
    static std::wstring string(UINT id);
    // The text of a control.
    static std::wstring text(HWND control);
    // The dots per inch a window is drawn at (96 is 100 %).
    static UINT dpi(HWND window);
    // `value` at 96 dots per inch, at `dpi`.
    static int scaled(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), 96); }
};

} // namespace tarvo::win32
