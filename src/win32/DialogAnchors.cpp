#include "win32/DialogAnchors.h"

#include <algorithm>

namespace tarvo::win32 {

namespace {

int share(DialogAnchors::Share part, int gained)
{
    switch (part) {
    case DialogAnchors::Share::None:
        return 0;
    case DialogAnchors::Share::Half:
        return gained / 2;
    case DialogAnchors::Share::Rest:
        return gained - gained / 2;
    case DialogAnchors::Share::All:
        return gained;
    }
    return 0;
}

} // namespace

void DialogAnchors::capture(HWND dialog, const std::vector<Rule>& rules)
{
    RECT client{};
    ::GetClientRect(dialog, &client);
    m_base = {client.right, client.bottom};
    m_placed.clear();
    for (const Rule& rule : rules) {
        HWND control = ::GetDlgItem(dialog, rule.id);
        if (!control)
            continue;
        RECT rect{};
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        m_placed.push_back({rule, rect});
    }
}

void DialogAnchors::rescale(UINT oldDpi, UINT newDpi)
{
    auto scaled = [&](LONG value) {
        return static_cast<LONG>(::MulDiv(value, static_cast<int>(newDpi), static_cast<int>(oldDpi)));
    };
    m_base = {scaled(m_base.cx), scaled(m_base.cy)};
    for (Placed& placed : m_placed)
        placed.rect = {scaled(placed.rect.left), scaled(placed.rect.top), scaled(placed.rect.right),
                       scaled(placed.rect.bottom)};
}

void DialogAnchors::apply(HWND dialog) const
{
    RECT client{};
    ::GetClientRect(dialog, &client);
    // Never below the size the controls were made for: smaller, they would
    // overlap (the window's minimum size keeps it there anyway).
    const int dx = std::max(0L, client.right - m_base.cx);
    const int dy = std::max(0L, client.bottom - m_base.cy);
    HDWP moves = ::BeginDeferWindowPos(static_cast<int>(m_placed.size()));
    for (const Placed& placed : m_placed) {
        const RECT& r = placed.rect;
        const int x = r.left + share(placed.rule.left, dx);
        const int y = r.top + share(placed.rule.top, dy);
        const int width = r.right - r.left + share(placed.rule.width, dx);
        const int height = r.bottom - r.top + share(placed.rule.height, dy);
        HWND control = ::GetDlgItem(dialog, placed.rule.id);
        if (moves)
            moves = ::DeferWindowPos(moves, control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves)
        ::EndDeferWindowPos(moves);
    ::InvalidateRect(dialog, nullptr, TRUE);
}

} // namespace tarvo::win32
