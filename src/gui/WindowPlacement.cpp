#include "gui/WindowPlacement.h"

namespace tarvo::gui {

namespace {

using Placement = tarvo::WindowPlacement;

Placement::Frame frameOf(const QMargins& margins)
{
    return {margins.left(), margins.top(), margins.right(), margins.bottom()};
}

QRect qtRect(const Placement::Rect& rect)
{
    return {rect.x, rect.y, rect.width, rect.height};
}

} // namespace

QRect WindowPlacement::fit(const QRect& wanted, const QMargins& frame, const QSize& minimum, const QRect& area)
{
    return qtRect(Placement::fit(placementRect(wanted), frameOf(frame), {minimum.width(), minimum.height()},
                                 placementRect(area)));
}

QRect WindowPlacement::centred(const QSize& preferred, const QMargins& frame, const QSize& minimum, const QRect& area)
{
    return qtRect(Placement::centred({preferred.width(), preferred.height()}, frameOf(frame),
                                     {minimum.width(), minimum.height()}, placementRect(area)));
}

} // namespace tarvo::gui
