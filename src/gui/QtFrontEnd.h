#pragma once

#include "support/FrontEnd.h"

#include <QPointer>
#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace tarvo::gui {

// The core's way of speaking to the person, on Qt: modal message boxes over
// the main window, the application-wide busy cursor and the window's status
// line.
class QtFrontEnd final : public FrontEnd {
public:
    QtFrontEnd() = default;
    QtFrontEnd(const QtFrontEnd&) = delete;
    QtFrontEnd& operator=(const QtFrontEnd&) = delete;
    ~QtFrontEnd() override;

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    // The text in the box, the details under it.
    void failureBox(const std::string& text, const std::string& details, const std::string& caption) override;
    // The failure with Retry and Close (the default); true for Retry.
    bool askRetry(const std::string& text, const std::string& details, const std::string& caption);
    std::optional<std::string> askPassword(const std::string& text, const std::string& caption) override;
    void setBusy(bool busy) override;
    // Repaints and answers the system while the device is awaited; the
    // person's input waits until the step is over, so nothing runs twice.
    void pumpEvents() override;
    void setStatusText(const std::string& text) override;

    // The window that owns the message boxes and shows the status line;
    // nothing before it exists (start-up's boxes have no owner).
    void setWindow(QWidget* window, std::function<void(const QString&)> statusSink);
    void clearWindow();

    // How many busy cursors are currently set by this front end.
    int busyDepth() const { return m_busyDepth; }

private:
    // Runs the box with the normal cursor, whatever step is under way.
    int execBox(QMessageBox& box);

    QPointer<QWidget> m_window;
    std::function<void(const QString&)> m_statusSink;
    int m_busyDepth = 0;
};

} // namespace tarvo::gui
