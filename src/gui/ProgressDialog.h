#pragma once

#include "app/UpdateSummary.h"
#include "gui/UpdateRunner.h"
#include "updater/UpdateObserver.h"

#include <QDialog>

#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarvo::gui {

// Shows one phonebook update run: it starts the run when it opens, shows
// the run's texts and progress, and stops the run whenever it closes.
class ProgressDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Updating Application";
    static constexpr const char* kInitialStatus = "Initializing...";
    static constexpr const char* kCancelText = "Cancel";
    static constexpr const char* kOkText = "OK";
    static constexpr const char* kOpenLogText = UpdateSummary::kOpenLogText;
    // The summary of a run the person stopped, or one that never started
    // (another was going).
    static constexpr const char* kCancelledText = UpdateSummary::kCancelledText;
    static constexpr const char* kNotStartedText = UpdateSummary::kNotStartedText;
    // Said under the status when the log cannot be opened.
    static constexpr const char* kNoLog = UpdateSummary::kNoLog;
    static constexpr const char* kNoLogViewer = UpdateSummary::kNoLogViewer;
    // Distance of the window from the work area's right and bottom edges
    // when it is placed in the corner.
    static constexpr int kCornerMargin = 5;

    // `autoClose`: close by itself when the run ends, else offer "OK";
    // `placeInCorner`: open in the bottom-right corner of the work area.
    ProgressDialog(bool autoClose, bool placeInCorner, UpdateRunner runner, QWidget* parent = nullptr);
    ~ProgressDialog() override;

    // The reports of the run, on the window's thread.
    void showProgress(std::uint32_t received, std::int32_t expected);
    void showText(const QString& text, UpdateTextTarget target);
    void updateEnded();

    // Every way of closing stops the run.
    void done(int result) override;

    bool runStarted() const { return m_started; }
    // How the run ended, for the window's status line: the last status
    // text and, after a failure, the log's reason for it; or that it was
    // cancelled or never started.
    QString summary() const;
    QLabel* statusLabel() const { return m_status; }
    QProgressBar* progressBar() const { return m_bar; }
    QPushButton* button() const { return m_button; }
    QLabel* reasonLabel() const { return m_reason; }
    QPushButton* logButton() const { return m_logButton; }
    QLabel* logNote() const { return m_logNote; }

protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void startRun();
    void moveToCorner();
    void openLog();

    bool m_autoClose;
    bool m_placeInCorner;
    UpdateRunner m_runner;
    bool m_opened = false;
    bool m_started = false;
    bool m_ended = false;
    bool m_progressHidden = true;
    QLabel* m_status = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_button = nullptr;
    QLabel* m_reason = nullptr;
    QPushButton* m_logButton = nullptr;
    QLabel* m_logNote = nullptr;
};

} // namespace tarvo::gui
