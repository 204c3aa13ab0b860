#include "win32/ProgressDialog.h"

#include "app/UpdateSummary.h"
#include "support/FileInfo.h"
#include "support/WideText.h"
#include "win32/DialogProc.h"
#include "win32/Resources.h"
#include "win32/resource.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

namespace tarvo::win32 {

namespace {

// The dialog's own message: the run starts once the window is up, so a
// refusal the service shows appears over it.
constexpr UINT kStartRun = WM_FINISH_OPENING;

} // namespace

ProgressDialog::ProgressDialog(bool autoClose, bool placeInCorner, UpdateRunner runner)
    : m_autoClose(autoClose), m_placeInCorner(placeInCorner), m_runner(std::move(runner))
{
}

ProgressDialog::~ProgressDialog()
{
    if (m_dialog && !m_modal && !m_closed)
        ::DestroyWindow(m_dialog);
}

INT_PTR ProgressDialog::run(HWND owner)
{
    m_modal = true;
    (void)::DialogBoxParamW(resourceModule(), MAKEINTRESOURCEW(IDD_PROGRESS), owner, dialogProc<ProgressDialog>,
                            reinterpret_cast<LPARAM>(this));
    return m_result;
}

HWND ProgressDialog::open(HWND owner)
{
    m_modal = false;
    m_dialog = ::CreateDialogParamW(resourceModule(), MAKEINTRESOURCEW(IDD_PROGRESS), owner, dialogProc<ProgressDialog>,
                                    reinterpret_cast<LPARAM>(this));
    if (m_dialog)
        ::ShowWindow(m_dialog, SW_SHOW);
    return m_dialog;
}

std::string ProgressDialog::summary() const
{
    return UpdateSummary::of(m_started, m_ended, m_status, m_reason);
}

void ProgressDialog::opening(HWND dialog)
{
    m_dialog = dialog;
    ::SetWindowTextW(dialog, Resources::string(IDS_UPDATING).c_str());
    const std::wstring initializing = Resources::string(IDS_INITIALIZING);
    ::SetDlgItemTextW(dialog, IDC_PROGRESS_STATUS, initializing.c_str());
    m_status = wideToAnsi(initializing);
    ::SetDlgItemTextW(dialog, IDOK, Resources::string(IDS_CANCEL).c_str());
    ::SetDlgItemTextW(dialog, IDC_PROGRESS_OPEN_LOG, utf8ToWide(UpdateSummary::kOpenLogText).c_str());
    HWND bar = ::GetDlgItem(dialog, IDC_PROGRESS_BAR);
    ::SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ::ShowWindow(bar, SW_HIDE);
    m_progressHidden = true;
    if (m_placeInCorner)
        moveToCorner();
    ::PostMessageW(dialog, kStartRun, 0, 0);
}

void ProgressDialog::moveToCorner()
{
    RECT window{};
    ::GetWindowRect(m_dialog, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(m_dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const int x = monitor.rcWork.right - kCornerMargin - (window.right - window.left);
    const int y = monitor.rcWork.bottom - kCornerMargin - (window.bottom - window.top);
    ::SetWindowPos(m_dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProgressDialog::startRun()
{
    if (!m_runner || m_started)
        return;
    m_poster = std::make_unique<ProgressPoster>(m_dialog);
    if (m_runner.start(*m_poster))
        m_started = true;
    else
        m_poster.reset(); // the run never knew it
}

void ProgressDialog::showProgress(std::uint32_t received, std::int32_t expected)
{
    HWND bar = ::GetDlgItem(m_dialog, IDC_PROGRESS_BAR);
    if (m_progressHidden) {
        ::ShowWindow(m_dialog, SW_SHOW);
        ::ShowWindow(bar, SW_SHOW);
        m_progressHidden = false;
    }
    if (expected > 0) {
        const double percent = static_cast<double>(received) / static_cast<double>(expected) * 100.0;
        ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0.0, 100.0)), 0);
    }
}

void ProgressDialog::showText(std::unique_ptr<std::string> text, bool status)
{
    if (status) {
        m_status = *text;
        ::SetDlgItemTextW(m_dialog, IDC_PROGRESS_STATUS, ansiToWide(*text).c_str());
        return;
    }
    // A run names no title between files; an empty one would show the
    // program's file name in the title bar.
    ::SetWindowTextW(m_dialog, text->empty() ? utf8ToWide(m_runner.caption).c_str() : ansiToWide(*text).c_str());
}

void ProgressDialog::showFailure(const std::string& reason)
{
    HWND label = ::GetDlgItem(m_dialog, IDC_PROGRESS_REASON);
    const bool wasShown = ::IsWindowVisible(label) != FALSE;
    ::SetWindowTextW(label, ansiToWide(reason).c_str());
    if (wasShown)
        return;
    ::ShowWindow(label, SW_SHOW);
    // The window grows by the reason's room; the buttons go below it.
    RECT room{0, 0, 0, 26};
    ::MapDialogRect(m_dialog, &room);
    for (int id : {IDOK, IDC_PROGRESS_OPEN_LOG}) {
        HWND button = ::GetDlgItem(m_dialog, id);
        RECT rect{};
        ::GetWindowRect(button, &rect);
        ::MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&rect), 2);
        ::SetWindowPos(button, nullptr, rect.left, rect.top + room.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT window{};
    ::GetWindowRect(m_dialog, &window);
    ::SetWindowPos(m_dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + room.bottom,
                   SWP_NOMOVE | SWP_NOZORDER);
}

void ProgressDialog::ended()
{
    // Stopped by the person: the run counts as cancelled, whatever it said last.
    if (m_closing) {
        finish(m_closeResult);
        return;
    }
    m_ended = true;
    m_reason = UpdateSummary::reasonFor(m_status, m_runner.logFile);
    if (!m_reason.empty())
        showFailure(m_reason);
    if (m_autoClose) {
        finish(0);
        return;
    }
    ::SetDlgItemTextW(m_dialog, IDOK, Resources::string(IDS_OK).c_str());
    // Shift+double-click opens the log as well; this is the way people find.
    ::ShowWindow(::GetDlgItem(m_dialog, IDC_PROGRESS_OPEN_LOG), SW_SHOW);
}

void ProgressDialog::close(INT_PTR result)
{
    if (m_started && !m_ended) {
        // Stopped, then closed once the run has said its last word.
        if (m_runner.cancel)
            m_runner.cancel();
        m_closing = true;
        m_closeResult = result;
        ::EnableWindow(::GetDlgItem(m_dialog, IDOK), FALSE);
        return;
    }
    finish(result);
}

void ProgressDialog::finish(INT_PTR result)
{
    m_result = result;
    m_closed = true;
    if (m_modal)
        ::EndDialog(m_dialog, result);
    else
        ::DestroyWindow(m_dialog);
}

void ProgressDialog::openLog()
{
    if (m_runner.logFile.empty())
        return;
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(m_dialog, L"open", ansiToWide(m_runner.logFile).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return;
    // A desktop without a viewer for text files fails where no one looks.
    const std::string note =
        std::string(fileInfo(m_runner.logFile).isRegular() ? UpdateSummary::kNoLogViewer : UpdateSummary::kNoLog) +
        m_runner.logFile;
    showFailure(m_reason.empty() ? note : m_reason + "\n" + note);
}

INT_PTR ProgressDialog::handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        opening(dialog);
        return TRUE;
    case kStartRun:
        startRun();
        return TRUE;
    case WM_UPDATE_PROGRESS:
        showProgress(static_cast<std::uint32_t>(wParam), static_cast<std::int32_t>(lParam));
        return TRUE;
    case WM_UPDATE_TEXT:
        showText(std::unique_ptr<std::string>(reinterpret_cast<std::string*>(wParam)), lParam != 0);
        return TRUE;
    case WM_UPDATE_DONE:
        ended();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            close(LOWORD(wParam));
            return TRUE;
        case IDC_PROGRESS_OPEN_LOG:
            openLog();
            return TRUE;
        default:
            break;
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (wParam & MK_SHIFT) {
            openLog();
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace tarvo::win32
