#include "win32/DeviceWaitNotice.h"

#include "win32/DialogProc.h"
#include "win32/resource.h"

namespace tarvo::win32 {

DeviceWaitNotice::~DeviceWaitNotice()
{
    if (m_window)
        ::DestroyWindow(m_window);
}

void DeviceWaitNotice::setWaiting(bool waiting)
{
    if (!waiting) {
        if (m_window)
            ::ShowWindow(m_window, SW_HIDE);
        return;
    }
    if (!m_window)
        m_window = ::CreateDialogParamW(resourceModule(), MAKEINTRESOURCEW(IDD_DEVICE_WAIT), nullptr,
                                        dialogProc<DeviceWaitNotice>, reinterpret_cast<LPARAM>(this));
    if (!m_window)
        return;
    ::ShowWindow(m_window, SW_SHOWNORMAL);
    // The wait that follows lets windows repaint, but this one must be on
    // the screen before it starts.
    ::UpdateWindow(m_window);
}

INT_PTR DeviceWaitNotice::handle(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetDlgItemTextW(dialog, IDC_WAIT_TEXT, kText);
        return FALSE;
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace tarvo::win32
