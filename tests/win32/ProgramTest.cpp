#include "fixtures/ChildProcess.h"
#include "fixtures/StandInRapi.h"
#include "fixtures/TempDir.h"
#include "fixtures/WindowWorld.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

using namespace tarvo;

namespace {

std::wstring controlText(HWND window, int id)
{
    wchar_t text[256] = {};
    ::SendMessageW(::GetDlgItem(window, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

HWND waitForWindow(const wchar_t* title)
{
    for (int i = 0; i < 600; ++i) {
        if (HWND window = ::FindWindowW(nullptr, title))
            return window;
        ::Sleep(50);
    }
    return nullptr;
}

} // namespace

// The program itself, as a person starts it from its own folder with
// rapi.dll beside it (the tests' stand-in): its resources, its manifest and
// its start-up bring up the window on the phonebook and read back what the
// handheld carries; closed, it ends and keeps where it was.
TEST(SynchronizerProgram, opensItsWindowOnTheHandheldAndEndsWhenClosed)
{
    test::Workspace ws;
    test::layOutWindowWorld(ws);
    ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Program Test\r\n");
    const auto saved = test::expectedSave();
    ws.writeHandheld("cepbook.txt", saved.at("cepbook.txt"));
    test::TempDir folder;
    std::filesystem::copy_file(std::string(TARVO_BINARY_DIR) + "/src/win32/tarvo-synchronizer.exe",
                               folder.file("tarvo-synchronizer.exe"));
    std::filesystem::copy_file(test::StandInRapi::library(), folder.file("rapi.dll"));
    const test::ScopedEnv noFolder("TARVO_DEVICE", "");
    const test::StandInRapi standIn(ws.handheldFolder().folder());
    test::ChildProcess program({folder.file("tarvo-synchronizer.exe")}, ws.work("program.out"));
    ASSERT_TRUE(program.started());
    HWND window = waitForWindow(L"Program Test");
    ASSERT_TRUE(window);
    for (int i = 0; i < 200 && controlText(window, 1187).empty(); ++i)
        ::Sleep(50);
    EXPECT_EQ(controlText(window, 1187), L"1");
    EXPECT_EQ(controlText(window, 1183), L"Sa&ve");
    EXPECT_EQ(controlText(window, 1186), L"9 POPs shown, 1 of them on the handheld");

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait(), 0);
    EXPECT_NE(test::Workspace::read(ws.work("synuser.ini")).find("Window="), std::string::npos);
}
