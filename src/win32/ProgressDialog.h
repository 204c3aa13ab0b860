#pragma once

#include "app/UpdateRunner.h"
#include "win32/ProgressPoster.h"

#include <windows.h>

#include <memory>
#include <string>

namespace tarvo::win32 {

// Shows one phonebook update run (dialog 165): it starts the run when it
// opens, shows the run's texts and progress as the worker posts them, and
// stops the run whenever it is closed. It closes only once the run has
// said its last word (1127), so no message of the run ever arrives after
// the window is gone and every text it was sent is freed.
class ProgressDialog final {
public:
    // Distance of the window from the work area's right and bottom edges
    // when it is placed in the corner.
    static constexpr int kCornerMargin = 5;

    // `autoClose`: close by itself when the run ends, else offer "OK";
    // `placeInCorner`: open in the bottom-right corner of the work area.
    ProgressDialog(bool autoClose, bool placeInCorner, UpdateRunner runner);
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;
    ~ProgressDialog();

    // Modal over `owner`; the result of how it closed (IDOK, IDCANCEL, or 0
    // when it closed by itself).
    INT_PTR run(HWND owner);
    // Modeless, for a caller that runs the messages itself; the window.
    HWND open(HWND owner);
    bool closed() const { return m_closed; }
    INT_PTR result() const { return m_result; }

    // How the run ended, for the window's status line (UpdateSummary).
    std::string summary() const;
    // The poster, which must outlive the run: handed to the caller, which
    // keeps it until the run has ended.
    std::unique_ptr<ProgressPoster> releasePoster() { return std::move(m_poster); }

    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void opening(HWND dialog);
    void startRun();
    void showProgress(std::uint32_t received, std::int32_t expected);
    void showText(std::unique_ptr<std::string> text, bool status);
    void ended();
    void close(INT_PTR result);
    void finish(INT_PTR result);
    void openLog();
    void moveToCorner();
    void showFailure(const std::string& reason);

    bool m_autoClose;
    bool m_placeInCorner;
    UpdateRunner m_runner;
    std::unique_ptr<ProgressPoster> m_poster;
    HWND m_dialog = nullptr;
    bool m_modal = false;
    bool m_started = false;
    bool m_ended = false;
    bool m_closing = false;
    bool m_closed = false;
    bool m_progressHidden = true;
    INT_PTR m_result = IDCANCEL;
    INT_PTR m_closeResult = IDCANCEL;
    std::string m_status;
    std::string m_reason;
};

} // namespace tarvo::win32
