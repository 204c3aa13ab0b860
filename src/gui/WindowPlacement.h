#pragma once

#include "app/WindowPlacement.h"

#include <QMargins>
#include <QRect>
#include <QSize>

namespace tarvo::gui {

// The application's window placement (app/WindowPlacement.h) in Qt's
// rectangles, which are in the screen's device-independent pixels.
class WindowPlacement final {
public:
    static QRect fit(const QRect& wanted, const QMargins& frame, const QSize& minimum, const QRect& area);
    static QRect centred(const QSize& preferred, const QMargins& frame, const QSize& minimum, const QRect& area);
    static int widestColumn(const QRect& area) { return tarvo::WindowPlacement::widestColumn(placementRect(area)); }

private:
    static tarvo::WindowPlacement::Rect placementRect(const QRect& rect)
    {
        return {rect.x(), rect.y(), rect.width(), rect.height()};
    }
};

} // namespace tarvo::gui
