#pragma once

#include "updater/UpdateObserver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <cstdint>

namespace tarvo::gui {

class ProgressDialog;

// Carries an update run's reports from the worker thread to the progress
// window as queued calls on the window's thread. The relay lives in the GUI
// thread and outlives the window: the worker may report until `done`, also
// after the person has closed the window, so the relay deletes itself once
// `done` has been delivered, and every report checks that the window still
// exists before it touches it. A text that finds no window is simply freed
// with its call.
//
// Progress is coalesced: the worker may report every block, the window takes
// at most about thirty reports a second, always the latest, and the last one
// before the end.
class ProgressRelay final : public QObject, public UpdateObserver {
    Q_OBJECT

public:
    static constexpr int kProgressIntervalMs = 33;

    explicit ProgressRelay(ProgressDialog* window);
    ~ProgressRelay() override;

    // Called on the worker thread.
    void progress(std::uint32_t received, std::int32_t expected) override;
    void text(const std::string& text, UpdateTextTarget target) override;
    void pending() override;
    void done() override;

private:
    // On the GUI thread.
    void deliverProgress();
    void progressArrived();

    QPointer<ProgressDialog> m_window;
    QTimer m_throttle;
    QElapsedTimer m_sinceDelivery;
    std::atomic<std::uint32_t> m_received{0};
    std::atomic<std::int32_t> m_expected{0};
    // Set by the worker when it stored a report the window has not seen;
    // cleared by the GUI thread when it takes it.
    std::atomic<bool> m_progressWaiting{false};
};

} // namespace tarvo::gui
