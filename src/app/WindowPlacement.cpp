#include "app/WindowPlacement.h"

#include <algorithm>

namespace tarvo {

namespace {

using Rect = WindowPlacement::Rect;
using Size = WindowPlacement::Size;

// The room a client rectangle has once its frame is inside the area.
Rect clientRoom(const WindowPlacement::Frame& frame, const Rect& area)
{
    return {area.x + frame.left, area.y + frame.top, area.width - frame.left - frame.right,
            area.height - frame.top - frame.bottom};
}

Size boundedSize(const Size& wanted, const Size& minimum, const Rect& room)
{
    const int minWidth = std::min(minimum.width, room.width);
    const int minHeight = std::min(minimum.height, room.height);
    return {std::clamp(wanted.width, minWidth, std::max(minWidth, room.width)),
            std::clamp(wanted.height, minHeight, std::max(minHeight, room.height))};
}

} // namespace

Rect WindowPlacement::fit(const Rect& wanted, const Frame& frame, const Size& minimum, const Rect& area)
{
    const Rect room = clientRoom(frame, area);
    const Size size = boundedSize({wanted.width, wanted.height}, minimum, room);
    // Moved in from whichever edge it crosses; the top left wins when the
    // window is still larger than the room, so its title bar stays reachable.
    const int x = std::max(room.x, std::min(wanted.x, room.x + room.width - size.width));
    const int y = std::max(room.y, std::min(wanted.y, room.y + room.height - size.height));
    return {x, y, size.width, size.height};
}

Rect WindowPlacement::centred(const Size& preferred, const Frame& frame, const Size& minimum, const Rect& area)
{
    const Rect room = clientRoom(frame, area);
    const Size size = boundedSize(preferred, minimum, room);
    return fit({room.x + (room.width - size.width) / 2, room.y + (room.height - size.height) / 2, size.width, size.height},
               frame, minimum, area);
}

} // namespace tarvo
