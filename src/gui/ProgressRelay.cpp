#include "gui/ProgressRelay.h"

#include "gui/ProgressDialog.h"

#include <QMetaObject>

namespace tarvo::gui {

ProgressRelay::ProgressRelay(ProgressDialog* window) : m_window(window)
{
    m_throttle.setSingleShot(true);
    connect(&m_throttle, &QTimer::timeout, this, &ProgressRelay::deliverProgress);
}

ProgressRelay::~ProgressRelay() = default;

void ProgressRelay::progress(std::uint32_t received, std::int32_t expected)
{
    // Both halves are stored before the flag, so the GUI thread never reads
    // a byte count of one report with the total of another one for long:
    // the next report follows with a consistent pair.
    m_received.store(received, std::memory_order_relaxed);
    m_expected.store(expected, std::memory_order_relaxed);
    if (!m_progressWaiting.exchange(true, std::memory_order_acq_rel))
        QMetaObject::invokeMethod(this, &ProgressRelay::progressArrived, Qt::QueuedConnection);
}

void ProgressRelay::progressArrived()
{
    if (m_throttle.isActive())
        return; // the pending delivery will take the latest report
    const qint64 since = m_sinceDelivery.isValid() ? m_sinceDelivery.elapsed() : kProgressIntervalMs;
    if (since >= kProgressIntervalMs)
        deliverProgress();
    else
        m_throttle.start(static_cast<int>(kProgressIntervalMs - since));
}

void ProgressRelay::deliverProgress()
{
    m_throttle.stop();
    if (!m_progressWaiting.exchange(false, std::memory_order_acq_rel))
        return;
    const std::uint32_t received = m_received.load(std::memory_order_relaxed);
    const std::int32_t expected = m_expected.load(std::memory_order_relaxed);
    m_sinceDelivery.start();
    if (m_window)
        m_window->showProgress(received, expected);
}

void ProgressRelay::text(const std::string& text, UpdateTextTarget target)
{
    QMetaObject::invokeMethod(
        this,
        [this, owned = QString::fromStdString(text), target] {
            if (m_window)
                m_window->showText(owned, target);
        },
        Qt::QueuedConnection);
}

void ProgressRelay::pending()
{
    // The progress window has nothing to do before a pass fetches its files.
}

void ProgressRelay::done()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            deliverProgress();
            if (m_window)
                m_window->updateEnded();
            deleteLater();
        },
        Qt::QueuedConnection);
}

} // namespace tarvo::gui
