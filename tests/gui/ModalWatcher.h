#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

namespace tarvo::test {

// Answers the modal windows the code under test opens, as a person would:
// every few milliseconds (also inside their own event loops) it looks at the
// active modal window. Message boxes are recorded and answered with the next
// queued button (OK or Yes when none is queued); any other window goes to
// the handler, if one is set.
class ModalWatcher final : public QObject {
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QString details = {};
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    ModalWatcher();

    void answerNext(QMessageBox::StandardButton button) { m_answers.push_back(button); }
    void onOtherWindow(std::function<void(QWidget*)> handler) { m_handler = std::move(handler); }

    std::vector<Box> boxes;
    std::vector<QString> texts() const;

private:
    void poll();

    QTimer m_timer;
    std::deque<QMessageBox::StandardButton> m_answers;
    std::function<void(QWidget*)> m_handler;
    QPointer<QWidget> m_lastHandled;
};

} // namespace tarvo::test
