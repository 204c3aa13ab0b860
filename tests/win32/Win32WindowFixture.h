#pragma once

#include "app/SyncApp.h"
#include "fixtures/StandInRapi.h"
#include "fixtures/Workspace.h"
#include "win32/SelectionWindow.h"
#include "win32/Win32FrontEnd.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvo::test {

// The Windows window on the world of the Linux window's tests
// (WindowWorld), started by the real start-up and driven through its own
// messages: keys and characters sent to its controls by their numbers,
// button clicks, list selections. Message boxes are recorded and answered
// from `answers` (else their first button).
class Win32WindowFixture : public ::testing::Test {
protected:
    struct Box {
        std::wstring text;
        std::wstring caption;
        UINT flags;
    };

    Win32WindowFixture();
    ~Win32WindowFixture() override;

    // Runs start-up and opens the window; false when start-up failed.
    bool open();
    win32::SelectionWindow& window() { return *m_window; }
    HWND item(int id) const { return ::GetDlgItem(m_window->window(), id); }
    std::wstring text(int id) const;

    // Runs the window's messages as its loop does, for at least `ms`.
    void pump(DWORD ms = 30);
    bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
    void focus(int id);
    // Characters typed into the control, one WM_CHAR each.
    void type(int id, const std::wstring& typed);
    // A key pressed with the focus in the control.
    void key(int id, UINT virtualKey);
    void click(int id);
    // "City|Number" of every row of a list.
    std::vector<std::wstring> rows(int listId) const;
    // Selects exactly the rows whose text contains one of `numbers`.
    void selectRowsWith(int listId, const std::vector<std::wstring>& numbers);

    Workspace m_ws;
    StandInRapi m_standIn{m_ws.handheldFolder().folder()};
    std::vector<Box> m_boxes;
    std::deque<int> m_answers;
    win32::Win32FrontEnd m_ui;
    std::unique_ptr<SyncApp> m_app;
    std::unique_ptr<win32::SelectionWindow> m_window;
};

} // namespace tarvo::test
