#pragma once

namespace tarvo {

// Where a window may go on a screen, whatever a settings file says: a stored
// place from another monitor, a window wider than this screen (a column
// dragged wide once), a screen scaled up since. Both windows place
// themselves through here; every rectangle is in one unit (the toolkit's
// device-independent pixels, or the desktop's pixels), the same for all
// arguments of a call.
class WindowPlacement final {
public:
    struct Rect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;

        [[nodiscard]] bool valid() const { return width > 0 && height > 0; }
        friend bool operator==(const Rect&, const Rect&) = default;
    };
    struct Size {
        int width = 0;
        int height = 0;
    };
    // The frame's thickness on each side of the client rectangle.
    struct Frame {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };

    WindowPlacement() = delete;

    // The client rectangle that shows all of the window, its frame
    // included, inside `area`: `wanted` moved in, then shrunk to fit, but
    // never below `minimum` (itself cut to the area, so a window can always
    // be placed whole at the area's top left).
    static Rect fit(const Rect& wanted, const Frame& frame, const Size& minimum, const Rect& area);

    // A new window: `preferred` cut to the area and centred in it.
    static Rect centred(const Size& preferred, const Frame& frame, const Size& minimum, const Rect& area);

    // The widest a list column may start: a third of the area, so both
    // columns of a list and the other list stay in view.
    static int widestColumn(const Rect& area) { return area.width / 3; }
};

} // namespace tarvo
