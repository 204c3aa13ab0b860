#include "Win32WindowFixture.h"

#include "app/UpdateRunner.h"
#include "updater/UpdateObserver.h"
#include "win32/ProgressDialog.h"
#include "win32/resource.h"

#include <commctrl.h>

#include <thread>

using namespace tarvo;
using tarvo::test::Win32WindowFixture;

namespace {

// A run that reports from a thread of its own what the test scripts.
class Win32ProgressDialogTest : public Win32WindowFixture {
protected:
    UpdateRunner runner()
    {
        return {[this](UpdateObserver& observer) {
                    m_observer = &observer;
                    return true;
                },
                [this] { ++m_cancels; }, "Z:/no/such/log/update.log", "Window Test"};
    }
    void report(const std::function<void(UpdateObserver&)>& script)
    {
        std::thread worker([&] { script(*m_observer); });
        worker.join();
    }
    std::wstring dialogText(HWND dialog, int id)
    {
        wchar_t text[256] = {};
        ::GetWindowTextW(id ? ::GetDlgItem(dialog, id) : dialog, text, 256);
        return text;
    }

    UpdateObserver* m_observer = nullptr;
    int m_cancels = 0;
};

} // namespace

TEST_F(Win32ProgressDialogTest, postedMessagesShowProgressTextsAndTheEnd)
{
    win32::ProgressDialog dialog(false, false, runner());
    HWND window = dialog.open(nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(dialogText(window, 0), L"Updating Application");
    EXPECT_EQ(dialogText(window, IDC_PROGRESS_STATUS), L"Initializing...");
    EXPECT_EQ(dialogText(window, IDOK), L"Cancel");
    HWND bar = ::GetDlgItem(window, IDC_PROGRESS_BAR);
    EXPECT_FALSE(::IsWindowVisible(bar));
    ASSERT_TRUE(pumpUntil([&] { return m_observer != nullptr; }));

    // Nothing expected: the bar shows but stays where it was.
    report([](UpdateObserver& run) { run.progress(10, 0); });
    pump();
    EXPECT_TRUE(::IsWindowVisible(bar));
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 0);

    report([](UpdateObserver& run) {
        run.text("Downloading pbook.txt", UpdateTextTarget::Status);
        run.text("Fetching", UpdateTextTarget::Caption);
        run.progress(50, 200);
        run.text("The Application is up to date.", UpdateTextTarget::Status);
        run.text("", UpdateTextTarget::Caption);
        run.done();
    });
    pump(100);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 25);
    EXPECT_EQ(dialogText(window, IDC_PROGRESS_STATUS), L"The Application is up to date.");
    EXPECT_EQ(dialogText(window, 0), L"Window Test") << "an empty title shows the application's";
    EXPECT_EQ(dialogText(window, IDOK), L"OK");
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(window, IDC_PROGRESS_OPEN_LOG)));
    EXPECT_EQ(dialog.summary(), "The Application is up to date.");

    ::SendMessageW(::GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
    pump();
    EXPECT_TRUE(dialog.closed());
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(m_cancels, 0);
}

TEST_F(Win32ProgressDialogTest, closingStopsTheRunAndWaitsForItsLastWord)
{
    win32::ProgressDialog dialog(false, false, runner());
    HWND window = dialog.open(nullptr);
    ASSERT_TRUE(pumpUntil([&] { return m_observer != nullptr; }));
    ::SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    pump();
    EXPECT_EQ(m_cancels, 1);
    EXPECT_FALSE(dialog.closed()) << "the run may still post to it";
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, IDOK)));

    report([](UpdateObserver& run) {
        run.text("Cancelled", UpdateTextTarget::Status);
        run.done();
    });
    pump(100);
    EXPECT_TRUE(dialog.closed());
    EXPECT_EQ(dialog.result(), IDCANCEL);
    EXPECT_EQ(dialog.summary(), "cancelled");
}

TEST_F(Win32ProgressDialogTest, aFailedRunShowsTheLogsReasonAboveItsButtons)
{
    UpdateRunner failing = runner();
    failing.logFile = m_ws.work("update.log");
    m_ws.writeWork("update.log", "** Tue Dec 08 12:00:00 2026\n-2: Unable to get http://a/verce/42.ver\n");
    win32::ProgressDialog dialog(false, false, failing);
    HWND window = dialog.open(nullptr);
    ASSERT_TRUE(pumpUntil([&] { return m_observer != nullptr; }));
    report([](UpdateObserver& run) {
        run.text("Application update failed.", UpdateTextTarget::Status);
        run.done();
    });
    pump(100);
    HWND reason = ::GetDlgItem(window, IDC_PROGRESS_REASON);
    EXPECT_TRUE(::IsWindowVisible(reason));
    EXPECT_EQ(dialogText(window, IDC_PROGRESS_REASON), L"-2: Unable to get http://a/verce/42.ver");
    EXPECT_EQ(dialog.summary(), "Application update failed. -2: Unable to get http://a/verce/42.ver");
    // The button's row moved below the reason, inside the window.
    RECT button{};
    RECT label{};
    RECT client{};
    ::GetWindowRect(::GetDlgItem(window, IDOK), &button);
    ::GetWindowRect(reason, &label);
    ::GetClientRect(window, &client);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_GE(button.top, label.bottom);
    EXPECT_LE(button.bottom, client.bottom);
}
