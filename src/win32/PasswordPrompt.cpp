#include "win32/PasswordPrompt.h"

#include "support/WideText.h"
#include "win32/DialogProc.h"
#include "win32/Resources.h"
#include "win32/resource.h"

namespace tarvo::win32 {

std::optional<std::string> PasswordPrompt::ask(HWND owner, const std::string& prompt, const std::string& caption)
{
    PasswordPrompt dialog(prompt, caption);
    const INT_PTR result = ::DialogBoxParamW(resourceModule(), MAKEINTRESOURCEW(IDD_PASSWORD), owner,
                                             dialogProc<PasswordPrompt>, reinterpret_cast<LPARAM>(&dialog));
    if (result != IDOK)
        return std::nullopt;
    return wideToUtf8(dialog.m_password);
}

INT_PTR PasswordPrompt::handle(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowTextW(dialog, utf8ToWide(m_caption).c_str());
        ::SetDlgItemTextW(dialog, IDC_PASSWORD_PROMPT, utf8ToWide(m_prompt).c_str());
        ::SetFocus(::GetDlgItem(dialog, IDC_PASSWORD));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            if (LOWORD(wParam) == IDOK)
                m_password = Resources::text(::GetDlgItem(dialog, IDC_PASSWORD));
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
