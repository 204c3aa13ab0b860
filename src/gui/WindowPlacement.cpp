#include "gui/WindowPlacement.h"

#include <algorithm>

namespace tarvo::gui {

namespace {

// The room a client rectangle has once its frame is inside the area.
QRect clientRoom(const QMargins& frame, const QRect& area)
{
    return area.marginsRemoved(frame);
}

QSize boundedSize(const QSize& wanted, const QSize& minimum, const QRect& room)
{
    const int minWidth = std::min(minimum.width(), room.width());
    const int minHeight = std::min(minimum.height(), room.height());
    return {std::clamp(wanted.width(), minWidth, std::max(minWidth, room.width())),
            std::clamp(wanted.height(), minHeight, std::max(minHeight, room.height()))};
}

} // namespace

QRect WindowPlacement::fit(const QRect& wanted, const QMargins& frame, const QSize& minimum, const QRect& area)
{
    const QRect room = clientRoom(frame, area);
    const QSize size = boundedSize(wanted.size(), minimum, room);
    // Moved in from whichever edge it crosses; the top left wins when the
    // window is still larger than the room, so its title bar stays reachable.
    const int x = std::max(room.left(), std::min(wanted.left(), room.right() + 1 - size.width()));
    const int y = std::max(room.top(), std::min(wanted.top(), room.bottom() + 1 - size.height()));
    return {QPoint(x, y), size};
}

QRect WindowPlacement::centred(const QSize& preferred, const QMargins& frame, const QSize& minimum, const QRect& area)
{
    const QRect room = clientRoom(frame, area);
    const QSize size = boundedSize(preferred, minimum, room);
    const QPoint topLeft(room.left() + (room.width() - size.width()) / 2,
                         room.top() + (room.height() - size.height()) / 2);
    return fit({topLeft, size}, frame, minimum, area);
}

} // namespace tarvo::gui
