// The Windows window's first paint and a country change on the phonebook the
// environment names (TARVO_REGISTRY, TARVO_DEVICE, the current folder as
// the working folder): the Windows half of bench/window-paint-compare, run
// under Wine on the display the Qt window's half used.
//
// Prints "win32 first_paint_ms N" (the window made and shown until its
// lists, filled with the whole phonebook, are painted) and "win32
// country_change_ms N" (the median of five choices of the country with the
// most POPs, from another, until both lists are painted again).

#include "app/SyncApp.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"
#include "win32/SelectionWindow.h"
#include "win32/Win32FrontEnd.h"
#include "win32/resource.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void pump(tarvo::win32::SelectionWindow& window)
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        if (!window.translate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
}

void paintLists(HWND dialog)
{
    for (int id : {IDC_MAIN_LIST, IDC_HANDHELD_LIST})
        ::RedrawWindow(::GetDlgItem(dialog, id), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// A choice picked in the open list: selected, then the list closes.
void choose(HWND dialog, int row)
{
    HWND box = ::GetDlgItem(dialog, IDC_COUNTRY);
    ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_COUNTRY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_COUNTRY, CBN_CLOSEUP), reinterpret_cast<LPARAM>(box));
}

} // namespace

int main()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    tarvo::win32::Win32FrontEnd ui;
    tarvo::SyncApp app(ui, tarvo::SyncApp::Kind::Window, tarvo::AppEnvironment::fromProcess());
    if (app.startup({}) != tarvo::SyncApp::Startup::Ready)
        return 1;

    const Clock::time_point opening = Clock::now();
    tarvo::win32::SelectionWindow window(app, ui);
    HWND dialog = window.open();
    if (!dialog)
        return 1;
    while (::GetWindowTextLengthW(::GetDlgItem(dialog, IDC_COUNTER)) == 0) {
        pump(window);
        ::Sleep(1);
    }
    paintLists(dialog);
    std::printf("win32 first_paint_ms %.0f\n", msSince(opening));

    std::map<std::string, int, std::less<>> count;
    for (const tarvo::PopRecord& pop : app.phonebook().pops())
        ++count[std::string(pop.country())];
    const auto choices = window.selection().countryChoices();
    int biggest = 0;
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (count[choices[i]->code] > count[choices[static_cast<std::size_t>(biggest)]->code])
            biggest = static_cast<int>(i);
    const int other = biggest == 0 ? 1 : 0;

    std::vector<double> changes;
    for (int round = 0; round < 5; ++round) {
        choose(dialog, other);
        pump(window);
        const Clock::time_point start = Clock::now();
        choose(dialog, biggest);
        paintLists(dialog);
        changes.push_back(msSince(start));
    }
    std::sort(changes.begin(), changes.end());
    std::printf("win32 country_change_ms %.0f\n", changes[changes.size() / 2]);
    std::printf("win32 main_rows %zu\n", window.selection().rows(tarvo::SelectionModel::List::Main).size());
    std::fflush(stdout);
    app.shutdown();
    return 0;
}
