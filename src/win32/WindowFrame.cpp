#include "win32/WindowFrame.h"

#include "win32/Resources.h"
#include "win32/resource.h"

namespace tarvo::win32 {

namespace {

using Share = DialogAnchors::Share;

} // namespace

WindowFrame::WindowFrame(HWND dialog, std::string iconFile)
    : m_dialog(dialog), m_iconFile(std::move(iconFile)), m_dpi(Resources::dpi(dialog))
{
    setIcons();
    // The window can be resized, so the system menu keeps Size and Maximize.
    HMENU system = ::GetSystemMenu(dialog, FALSE);
    const std::wstring about = Resources::string(IDS_ABOUT_DIALER);
    if (system && !about.empty()) {
        ::AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(system, MF_STRING, IDM_SYSTEM_ABOUT, about.c_str());
    }
    anchorControls();
}

void WindowFrame::setIcons()
{
    m_icon = std::make_unique<WindowIcon>(m_iconFile, m_dpi);
    ::SendMessageW(m_dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon->bigIcon()));
    ::SendMessageW(m_dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon->smallIcon()));
}

void WindowFrame::anchorControls()
{
    m_anchors.capture(m_dialog, {
        {IDC_COUNTRY, Share::None, Share::Half, Share::None, Share::None},
        {IDC_CITY, Share::None, Share::Half, Share::None, Share::None},
        {IDC_STATE_LABEL, Share::Half, Share::None, Share::None, Share::None},
        {IDC_STATE, Share::Half, Share::Rest, Share::None, Share::None},
        {IDC_AREA_CODE_LABEL, Share::Half, Share::None, Share::None, Share::None},
        {IDC_AREA_CODE, Share::Half, Share::None, Share::None, Share::None},
        {IDC_CLEAR, Share::Half, Share::None, Share::None, Share::None},
        {IDC_MAIN_GROUP, Share::None, Share::Half, Share::None, Share::All},
        {IDC_MAIN_LIST, Share::None, Share::Half, Share::None, Share::All},
        {IDC_TO_HANDHELD, Share::Half, Share::None, Share::Half, Share::None},
        {IDC_BACK, Share::Half, Share::None, Share::Half, Share::None},
        {IDC_SELECT_ALL, Share::Half, Share::None, Share::Half, Share::None},
        {IDC_HANDHELD_GROUP, Share::Half, Share::Rest, Share::None, Share::All},
        {IDC_HANDHELD_LIST, Share::Half, Share::Rest, Share::None, Share::All},
        {IDC_COUNTER_LABEL, Share::None, Share::None, Share::All, Share::None},
        {IDC_COUNTER, Share::None, Share::None, Share::All, Share::None},
        {IDC_BOTTOM_LOGO, Share::Half, Share::None, Share::All, Share::None},
        {IDC_SAVE, Share::All, Share::None, Share::All, Share::None},
        {IDCANCEL, Share::All, Share::None, Share::All, Share::None},
        {IDC_STATUS, Share::None, Share::All, Share::All, Share::None},
    });
}

bool WindowFrame::handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            m_anchors.apply(m_dialog);
        return true;
    case WM_GETMINMAXINFO: {
        auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
        RECT least{0, 0, m_anchors.baseSize().cx, m_anchors.baseSize().cy};
        if (least.right > 0) {
            ::AdjustWindowRectExForDpi(&least, static_cast<DWORD>(::GetWindowLongPtrW(m_dialog, GWL_STYLE)), TRUE,
                                       static_cast<DWORD>(::GetWindowLongPtrW(m_dialog, GWL_EXSTYLE)), m_dpi);
            limits.ptMinTrackSize = {least.right - least.left, least.bottom - least.top};
        }
        return true;
    }
    case WM_DPICHANGED: {
        const UINT old = m_dpi;
        m_dpi = HIWORD(wParam);
        m_anchors.rescale(old, m_dpi);
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        setIcons();
        if (m_densityChanged)
            m_densityChanged(old, m_dpi);
        return true;
    }
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_icon->bigIcon());
        return true;
    case WM_PAINT: {
        if (!::IsIconic(m_dialog))
            return false;
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(m_dialog, &paint);
        RECT client{};
        ::GetClientRect(m_dialog, &client);
        const int side = ::GetSystemMetricsForDpi(SM_CXICON, m_dpi);
        ::DrawIconEx(dc, (client.right - side) / 2, (client.bottom - side) / 2, m_icon->bigIcon(), side, side, 0,
                     nullptr, DI_NORMAL);
        ::EndPaint(m_dialog, &paint);
        return true;
    }
    default:
        return false;
    }
}

} // namespace tarvo::win32
