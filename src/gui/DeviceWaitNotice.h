#pragma once

#include <QWidget>

class QLabel;

namespace tarvo::gui {

// The small window start-up shows while it waits for the handheld (up to
// five seconds, and again at each Retry): before the selection window opens
// nothing else is on the screen, and a busy cursor over nothing shows
// nowhere.
class DeviceWaitNotice final : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kText = "Looking for the handheld\u2026";

    explicit DeviceWaitNotice(const QString& caption, QWidget* parent = nullptr);

    // Shown and painted at once (the wait dispatches no input), or hidden.
    void setWaiting(bool waiting);

    QLabel* label() const { return m_label; }

private:
    QLabel* m_label;
};

} // namespace tarvo::gui
