#include "gui/LayoutMemory.h"

#include "gui/PopListView.h"
#include "gui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QWidget>

#include <algorithm>

namespace tarvo::gui {

namespace {

// Before the desktop frames a window its frame is unknown; room for a
// title bar and thin edges is kept so the frame cannot push it off.
const QMargins kAssumedFrame(4, 32, 4, 4);

QMargins frameOf(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    return {std::max(0, inner.left() - frame.left()), std::max(0, inner.top() - frame.top()),
            std::max(0, frame.right() - inner.right()), std::max(0, frame.bottom() - inner.bottom())};
}

QScreen* screenFor(const QRect& stored)
{
    if (stored.isValid())
        if (QScreen* screen = QGuiApplication::screenAt(stored.center()))
            return screen;
    return QGuiApplication::primaryScreen();
}

QRect storedFrame(const UserSettings::WindowLayout& layout)
{
    if (layout.frame.size() != 4 || layout.frame[2] <= 0 || layout.frame[3] <= 0)
        return {};
    return {layout.frame[0], layout.frame[1], layout.frame[2], layout.frame[3]};
}

} // namespace

void LayoutMemory::restore(QWidget& window, QSplitter& splitter, PopListView& mainList, PopListView& handheldList,
                           const UserSettings& settings)
{
    const UserSettings::WindowLayout& layout = settings.windowLayout();
    const QRect stored = storedFrame(layout);
    QScreen* screen = screenFor(stored);
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, kPreferredWidth, kPreferredHeight);

    const int widest = WindowPlacement::widestColumn(area);
    mainList.setStoredWidths(settings.colWidth(), widest);
    std::array<int, 4> handheldWidths = settings.colWidth();
    if (layout.handheldColumns.size() == 2) {
        handheldWidths[0] = layout.handheldColumns[0];
        handheldWidths[1] = layout.handheldColumns[1];
    }
    handheldList.setStoredWidths(handheldWidths, widest);

    if (layout.splitter.size() == static_cast<std::size_t>(splitter.count()) &&
        std::all_of(layout.splitter.begin(), layout.splitter.end(), [](int size) { return size >= 0; }))
        splitter.setSizes(QList<int>(layout.splitter.begin(), layout.splitter.end()));

    const QSize minimum = window.minimumSizeHint();
    const QRect placed = stored.isValid()
                             ? WindowPlacement::fit(stored, kAssumedFrame, minimum, area)
                             : WindowPlacement::centred({kPreferredWidth, kPreferredHeight}, kAssumedFrame, minimum, area);
    window.setGeometry(placed);
    if (layout.maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void LayoutMemory::refit(QWidget& window)
{
    if (window.isMaximized() || window.isFullScreen() || !window.screen())
        return;
    const QRect placed = WindowPlacement::fit(window.geometry(), frameOf(window), window.minimumSizeHint(),
                                              window.screen()->availableGeometry());
    if (placed != window.geometry())
        window.setGeometry(placed);
}

UserSettings::WindowLayout LayoutMemory::capture(const QWidget& window, const QSplitter& splitter,
                                                 const PopListView& handheldList)
{
    UserSettings::WindowLayout layout;
    const QRect normal = window.isMaximized() ? window.normalGeometry() : window.geometry();
    layout.frame = {normal.x(), normal.y(), normal.width(), normal.height()};
    layout.maximized = window.isMaximized();
    for (int size : splitter.sizes())
        layout.splitter.push_back(size);
    const std::array<int, 2> widths = handheldList.storedWidths();
    layout.handheldColumns = {widths[0], widths[1]};
    return layout;
}

} // namespace tarvo::gui
