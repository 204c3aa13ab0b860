#include "gui/QtFrontEnd.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace tarvo::gui {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtFrontEnd::~QtFrontEnd()
{
    // A front end that goes away in the middle of a step must not leave the
    // whole application with a busy cursor.
    while (m_busyDepth > 0)
        setBusy(false);
}

MessageAnswer QtFrontEnd::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons)
{
    QMessageBox box(qtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, m_window.data());
    switch (buttons) {
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        // Leave to replace what the handheld holds: Enter and Escape keep it.
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    const int answer = execBox(box);

    switch (answer) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        break;
    }
    return dismissedAnswer(buttons);
}

int QtFrontEnd::execBox(QMessageBox& box)
{
    // The person must see the normal cursor while answering, even in the
    // middle of a busy step; the step's cursor comes back afterwards.
    int suspended = 0;
    while (QGuiApplication::overrideCursor() && suspended < m_busyDepth) {
        QGuiApplication::restoreOverrideCursor();
        ++suspended;
    }
    const int answer = box.exec();
    for (int i = 0; i < suspended; ++i)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    return answer;
}

void QtFrontEnd::failureBox(const std::string& text, const std::string& details, const std::string& caption)
{
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, m_window.data());
    box.setInformativeText(QString::fromStdString(details));
    (void)execBox(box);
}

bool QtFrontEnd::askRetry(const std::string& text, const std::string& details, const std::string& caption)
{
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Retry | QMessageBox::Close, m_window.data());
    box.setInformativeText(QString::fromStdString(details));
    // Enter must not send the person round the wait again and again.
    box.setDefaultButton(QMessageBox::Close);
    box.setEscapeButton(QMessageBox::Close);
    return execBox(box) == QMessageBox::Retry;
}

std::optional<std::string> QtFrontEnd::askPassword(const std::string& text, const std::string& caption)
{
    // As with a message box, the person answers with the normal cursor.
    int suspended = 0;
    while (QGuiApplication::overrideCursor() && suspended < m_busyDepth) {
        QGuiApplication::restoreOverrideCursor();
        ++suspended;
    }
    bool ok = false;
    const QString password = QInputDialog::getText(m_window.data(), QString::fromStdString(caption),
                                                   QString::fromStdString(text), QLineEdit::Password, {}, &ok);
    for (; suspended > 0; --suspended)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (!ok)
        return std::nullopt;
    return password.toStdString();
}

void QtFrontEnd::setBusy(bool busy)
{
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busyDepth;
    } else if (m_busyDepth > 0) {
        QGuiApplication::restoreOverrideCursor();
        --m_busyDepth;
    }
}

void QtFrontEnd::pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtFrontEnd::setStatusText(const std::string& text)
{
    if (m_statusSink)
        m_statusSink(QString::fromStdString(text));
}

void QtFrontEnd::setWindow(QWidget* window, std::function<void(const QString&)> statusSink)
{
    m_window = window;
    m_statusSink = std::move(statusSink);
}

void QtFrontEnd::clearWindow()
{
    m_window = nullptr;
    m_statusSink = nullptr;
}

} // namespace tarvo::gui
