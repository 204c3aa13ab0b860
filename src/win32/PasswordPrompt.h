#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarvo::win32 {

// Asks for the locked handheld's password: the prompt, a field that hides
// what is typed, OK and Cancel.
class PasswordPrompt final {
public:
    // UTF-8 in and out; nullopt when the person cancels.
    static std::optional<std::string> ask(HWND owner, const std::string& prompt, const std::string& caption);

    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    PasswordPrompt(const std::string& prompt, const std::string& caption) : m_prompt(prompt), m_caption(caption) {}

    const std::string& m_prompt;
    const std::string& m_caption;
    std::wstring m_password;
};

} // namespace tarvo::win32
