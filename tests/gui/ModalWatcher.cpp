#include "ModalWatcher.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>

namespace tarvo::test {

ModalWatcher::ModalWatcher()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
    m_timer.start(5);
}

std::vector<QString> ModalWatcher::texts() const
{
    std::vector<QString> result;
    for (const Box& box : boxes)
        result.push_back(box.text);
    return result;
}

void ModalWatcher::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == m_lastHandled)
        return;
    m_lastHandled = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->informativeText(),
                         box->standardButton(box->defaultButton())});
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        QAbstractButton* button = box->button(answer);
        if (!button)
            button = box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok) : box->button(QMessageBox::Yes);
        if (button)
            button->click();
        return;
    }
    if (m_handler)
        m_handler(modal);
}

} // namespace tarvo::test
