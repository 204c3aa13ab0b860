#include "support/ProgramStart.h"

#include "support/WideText.h"

#include <windows.h>

#include <shellapi.h>

namespace tarvo {

int startDetached(const std::string& program, const std::string& folder)
{
    const std::wstring file = ansiToWide(program);
    const std::wstring directory = ansiToWide(folder);
    // The shell answers with a pseudo handle: a number above 32 on success.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", file.c_str(), L"", directory.c_str(), SW_HIDE));
    return result > 32 ? 0 : static_cast<int>(result);
}

} // namespace tarvo
