#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace tarvo::gui {

// Where a window may go on a screen, whatever a settings file says: a stored
// place from another monitor, a window wider than this screen (a column
// dragged wide once), a screen scaled up since. Every rectangle here is in
// the screen's device-independent pixels.
class WindowPlacement final {
public:
    // The client rectangle that shows all of the window, its frame
    // included, inside `area`: `wanted` moved in, then shrunk to fit, but
    // never below `minimum` (itself cut to the area, so a window can always
    // be placed whole at the area's top left).
    static QRect fit(const QRect& wanted, const QMargins& frame, const QSize& minimum, const QRect& area);

    // A new window: `preferred` cut to the area and centred in it.
    static QRect centred(const QSize& preferred, const QMargins& frame, const QSize& minimum, const QRect& area);

    // The widest a list column may start: a third of the area, so both
    // columns of a list and the other list stay in view.
    static int widestColumn(const QRect& area) { return area.width() / 3; }
};

} // namespace tarvo::gui
