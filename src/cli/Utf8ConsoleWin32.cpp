#include "cli/Utf8Console.h"

#include <windows.h>

namespace tarvo::cli {

Utf8Console::Utf8Console()
{
    const UINT previous = ::GetConsoleOutputCP();
    if (previous != 0 && previous != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8))
        m_previous = previous;
}

Utf8Console::~Utf8Console()
{
    if (m_previous != 0)
        ::SetConsoleOutputCP(m_previous);
}

} // namespace tarvo::cli
