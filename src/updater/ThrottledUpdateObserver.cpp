#include "updater/ThrottledUpdateObserver.h"

namespace tarvo {

ThrottledUpdateObserver::ThrottledUpdateObserver(UpdateObserver& target, std::chrono::milliseconds interval,
                                                 Clock clock)
    : m_target(target), m_interval(interval), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::chrono::steady_clock::now(); };
}

void ThrottledUpdateObserver::progress(std::uint32_t received, std::int32_t expected)
{
    const auto now = m_clock();
    if (m_sentSinceOther && now - m_lastSent < m_interval) {
        m_held = true;
        m_heldReceived = received;
        m_heldExpected = expected;
        return;
    }
    m_held = false;
    m_sentSinceOther = true;
    m_lastSent = now;
    m_target.progress(received, expected);
}

void ThrottledUpdateObserver::flush()
{
    if (m_held) {
        m_held = false;
        m_target.progress(m_heldReceived, m_heldExpected);
    }
    m_sentSinceOther = false;
}

void ThrottledUpdateObserver::text(const std::string& text, UpdateTextTarget target)
{
    flush();
    m_target.text(text, target);
}

void ThrottledUpdateObserver::pending()
{
    flush();
    m_target.pending();
}

void ThrottledUpdateObserver::done()
{
    flush();
    m_target.done();
}

} // namespace tarvo
