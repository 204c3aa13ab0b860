#include "win32/AgreementDialog.h"

#include "app/Agreement.h"
#include "support/WideText.h"
#include "win32/DialogProc.h"
#include "win32/Resources.h"
#include "win32/resource.h"

namespace tarvo::win32 {

namespace {

// The edit control breaks lines at CR LF only.
std::wstring withCrLf(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            out += L'\r';
        out += text[i];
    }
    return out;
}

} // namespace

AgreementDialog::AgreementDialog(const Agreement& agreement, const std::string& caption)
    : m_agreement(agreement), m_caption(caption)
{
}

bool AgreementDialog::run(HWND owner)
{
    return ::DialogBoxParamW(resourceModule(), MAKEINTRESOURCEW(IDD_AGREEMENT), owner, dialogProc<AgreementDialog>,
                             reinterpret_cast<LPARAM>(this)) == IDOK;
}

INT_PTR AgreementDialog::handle(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowTextW(dialog, utf8ToWide(m_caption).c_str());
        ::SetDlgItemTextW(dialog, IDOK, Resources::string(IDS_ACCEPT).c_str());
        ::SetDlgItemTextW(dialog, IDCANCEL, Resources::string(IDS_REJECT).c_str());
        ::SetDlgItemTextW(dialog, IDC_AGREEMENT_TEXT, withCrLf(ansiToWide(m_agreement.text())).c_str());
        // Read by keyboard: the text has the focus, not selected.
        ::SetFocus(::GetDlgItem(dialog, IDC_AGREEMENT_TEXT));
        ::SendDlgItemMessageW(dialog, IDC_AGREEMENT_TEXT, EM_SETSEL, 0, 0);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            m_agreement.accept();
            ::EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace tarvo::win32
