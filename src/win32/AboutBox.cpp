#include "win32/AboutBox.h"

#include "support/WideText.h"
#include "win32/DialogProc.h"
#include "win32/Resources.h"
#include "win32/WindowImages.h"
#include "win32/resource.h"

namespace tarvo::win32 {

AboutBox::AboutBox(const TagExpander& tags, const std::string& dialerHome, const WindowImage* picture)
    : m_text(tags, dialerHome), m_picture(picture)
{
}

void AboutBox::run(HWND owner)
{
    (void)::DialogBoxParamW(resourceModule(), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, dialogProc<AboutBox>,
                            reinterpret_cast<LPARAM>(this));
}

INT_PTR AboutBox::handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowTextW(dialog, utf8ToWide(AboutText::kCaption).c_str());
        ::SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, ansiToWide(m_text.versionLine()).c_str());
        ::SetDlgItemTextW(dialog, IDC_ABOUT_PROFILE, ansiToWide(m_text.profileLine()).c_str());
        // The date's line feed ends the line; the control shows one line.
        ::SetDlgItemTextW(dialog, IDC_ABOUT_PHONEBOOK, ansiToWide(m_text.phonebookLine()).c_str());
        ::SetDlgItemTextW(dialog, IDC_ABOUT_NOTICE, Resources::string(IDS_NOTICE).c_str());
        return TRUE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != IDC_BOTTOM_LOGO)
            break;
        if (m_picture && !m_picture->empty())
            m_picture->draw(item);
        else
            WindowImage(WindowImage::Logo::Bottom).draw(item);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace tarvo::win32
