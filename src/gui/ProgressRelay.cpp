#include "gui/ProgressRelay.h"

#include "gui/ProgressDialog.h"

#include <QMetaObject>

namespace tarvo::gui {

ProgressRelay::ProgressRelay(ProgressDialog* window) : m_window(window) {}

ProgressRelay::~ProgressRelay() = default;

void ProgressRelay::progress(std::uint32_t received, std::int32_t expected)
{
    m_throttled.progress(received, expected);
}

void ProgressRelay::text(const std::string& text, UpdateTextTarget target)
{
    m_throttled.text(text, target);
}

void ProgressRelay::pending()
{
    // The progress window has nothing to do before a pass fetches its files;
    // the throttle still hands on a report it held back.
    m_throttled.pending();
}

void ProgressRelay::done()
{
    m_throttled.done();
}

void ProgressRelay::Poster::progress(std::uint32_t received, std::int32_t expected)
{
    ProgressRelay& relay = m_relay;
    QMetaObject::invokeMethod(
        &relay,
        [&relay, received, expected] {
            if (relay.m_window)
                relay.m_window->showProgress(received, expected);
        },
        Qt::QueuedConnection);
}

void ProgressRelay::Poster::text(const std::string& text, UpdateTextTarget target)
{
    ProgressRelay& relay = m_relay;
    QMetaObject::invokeMethod(
        &relay,
        [&relay, owned = QString::fromStdString(text), target] {
            if (relay.m_window)
                relay.m_window->showText(owned, target);
        },
        Qt::QueuedConnection);
}

void ProgressRelay::Poster::done()
{
    ProgressRelay& relay = m_relay;
    QMetaObject::invokeMethod(
        &relay,
        [&relay] {
            if (relay.m_window)
                relay.m_window->updateEnded();
            relay.deleteLater();
        },
        Qt::QueuedConnection);
}

} // namespace tarvo::gui
