#include "win32/SynchronizerProgram.h"

#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    return tarvo::win32::runSynchronizer(commandLine ? std::wstring(commandLine) : std::wstring());
}
