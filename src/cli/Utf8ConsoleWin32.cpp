#include "cli/Utf8Console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace tarvo::cli {

Utf8Console::Utf8Console()
{
    (void)::_setmode(::_fileno(stdout), _O_BINARY);
    (void)::_setmode(::_fileno(stderr), _O_BINARY);
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
