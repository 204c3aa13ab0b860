#include "win32/WindowImages.h"

#include "support/WideText.h"
#include "win32/DialogProc.h"
#include "win32/resource.h"

#include <algorithm>

namespace tarvo::win32 {

namespace {

SIZE bitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

HBITMAP loadResourceBitmap(UINT id)
{
    return static_cast<HBITMAP>(
        ::LoadImageW(resourceModule(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

HICON loadIcon(const std::string& file, int side)
{
    HICON icon = nullptr;
    if (!file.empty())
        icon = static_cast<HICON>(::LoadImageW(nullptr, ansiToWide(file).c_str(), IMAGE_ICON, side, side, LR_LOADFROMFILE));
    if (!icon)
        icon = static_cast<HICON>(::LoadImageW(resourceModule(), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, side, side, 0));
    return icon;
}

} // namespace

WindowImage::WindowImage(Logo logo)
    : m_bitmap(loadResourceBitmap(logo == Logo::Top ? IDB_TOP_LOGO : IDB_BOTTOM_LOGO)),
      m_large(loadResourceBitmap(logo == Logo::Top ? IDB_TOP_LOGO_2X : IDB_BOTTOM_LOGO_2X))
{
}

WindowImage WindowImage::fromFile(const std::string& path)
{
    WindowImage image;
    image.m_bitmap.reset(static_cast<HBITMAP>(
        ::LoadImageW(nullptr, ansiToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    return image;
}

void WindowImage::draw(const DRAWITEMSTRUCT& item) const
{
    const RECT& area = item.rcItem;
    ::FillRect(item.hDC, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    if (!m_bitmap)
        return;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const SIZE natural = bitmapSize(m_bitmap.get());
    if (natural.cx <= 0 || natural.cy <= 0 || width <= 0 || height <= 0)
        return;
    // Fitted to the control, the proportions kept; the larger drawing
    // where the small one would be stretched.
    const double scale = std::min(static_cast<double>(width) / natural.cx, static_cast<double>(height) / natural.cy);
    const HBITMAP source = scale > 1.0 && m_large ? m_large.get() : m_bitmap.get();
    const SIZE sourceSize = bitmapSize(source);
    const int drawnWidth = static_cast<int>(natural.cx * scale);
    const int drawnHeight = static_cast<int>(natural.cy * scale);
    HDC memory = ::CreateCompatibleDC(item.hDC);
    const HGDIOBJ previous = ::SelectObject(memory, source);
    ::SetStretchBltMode(item.hDC, HALFTONE);
    ::SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    ::StretchBlt(item.hDC, area.left + (width - drawnWidth) / 2, area.top + (height - drawnHeight) / 2, drawnWidth,
                 drawnHeight, memory, 0, 0, sourceSize.cx, sourceSize.cy, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
}

WindowIcon::WindowIcon(const std::string& file, UINT dpi)
    : m_big(loadIcon(file, ::GetSystemMetricsForDpi(SM_CXICON, dpi))),
      m_small(loadIcon(file, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi)))
{
}

WindowIcon::~WindowIcon()
{
    if (m_big)
        ::DestroyIcon(m_big);
    if (m_small)
        ::DestroyIcon(m_small);
}

} // namespace tarvo::win32
