#pragma once

#include "updater/ThrottledUpdateObserver.h"
#include "updater/UpdateObserver.h"

#include <QObject>
#include <QPointer>

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
// Progress goes through the update service's own throttle (the command
// line's progress bar uses the same one), so the window gets at most about
// thirty reports a second and always where each file ended.
class ProgressRelay final : public QObject, public UpdateObserver {
    Q_OBJECT

public:
    explicit ProgressRelay(ProgressDialog* window);
    ~ProgressRelay() override;

    // Called on the worker thread.
    void progress(std::uint32_t received, std::int32_t expected) override;
    void text(const std::string& text, UpdateTextTarget target) override;
    void pending() override;
    void done() override;

private:
    // What the throttle lets through, posted to the GUI thread.
    class Poster final : public UpdateObserver {
    public:
        explicit Poster(ProgressRelay& relay) : m_relay(relay) {}
        void progress(std::uint32_t received, std::int32_t expected) override;
        void text(const std::string& text, UpdateTextTarget target) override;
        void pending() override {}
        void done() override;

    private:
        ProgressRelay& m_relay;
    };

    QPointer<ProgressDialog> m_window;
    Poster m_poster{*this};
    ThrottledUpdateObserver m_throttled{m_poster};
};

} // namespace tarvo::gui
