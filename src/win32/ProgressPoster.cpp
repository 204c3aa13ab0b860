#include "win32/ProgressPoster.h"

#include "win32/resource.h"

#include <memory>
#include <string>

namespace tarvo::win32 {

ProgressPoster::ProgressPoster(HWND window) : m_poster(window) {}

void ProgressPoster::progress(std::uint32_t received, std::int32_t expected)
{
    m_throttled.progress(received, expected);
}

void ProgressPoster::text(const std::string& text, UpdateTextTarget target)
{
    m_throttled.text(text, target);
}

void ProgressPoster::pending()
{
    // The progress window has nothing to do before a pass fetches its
    // files; the throttle still hands on a report it held back.
    m_throttled.pending();
}

void ProgressPoster::done()
{
    m_throttled.done();
    m_ended = true;
}

void ProgressPoster::Poster::progress(std::uint32_t received, std::int32_t expected)
{
    ::PostMessageW(m_window, WM_UPDATE_PROGRESS, static_cast<WPARAM>(received), static_cast<LPARAM>(expected));
}

void ProgressPoster::Poster::text(const std::string& text, UpdateTextTarget target)
{
    auto owned = std::make_unique<std::string>(text);
    if (::PostMessageW(m_window, WM_UPDATE_TEXT, reinterpret_cast<WPARAM>(owned.get()),
                       target == UpdateTextTarget::Status ? 1 : 0))
        (void)owned.release(); // the window frees it
}

void ProgressPoster::Poster::done()
{
    ::PostMessageW(m_window, WM_UPDATE_DONE, 0, 0);
}

} // namespace tarvo::win32
