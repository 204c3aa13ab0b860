#pragma once

#include "app/AboutText.h"

#include <windows.h>

#include <string>

namespace tarvo::win32 {

class WindowImage;

// The About window (dialog 100): version, profile and the phonebook's date
// (AboutText, made when this is created), the notice and the logo.
class AboutBox final {
public:
    // `picture`: the image the selection window loaded from "logo2.bmp", or
    // null for the built-in drawing.
    AboutBox(const TagExpander& tags, const std::string& dialerHome, const WindowImage* picture);

    void run(HWND owner);
    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    AboutText m_text;
    const WindowImage* m_picture;
};

} // namespace tarvo::win32
