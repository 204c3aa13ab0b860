#pragma once

#include <windows.h>

#include <string>

namespace tarvo {
class Agreement;
}

namespace tarvo::win32 {

// The end-user agreement (dialog 168): its text, Accept and Reject.
class AgreementDialog final {
public:
    // `caption`: the application name (UTF-8).
    AgreementDialog(const Agreement& agreement, const std::string& caption);

    // True when the person accepted (the acceptance is then kept).
    bool run(HWND owner);
    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    const Agreement& m_agreement;
    const std::string& m_caption;
};

} // namespace tarvo::win32
