#pragma once

#include "app/UserSettings.h"

class QSplitter;
class QWidget;

namespace tarvo::gui {

class PopListView;

// The selection window's size, place, splitter and column widths, from
// "synuser.ini" and back. Whatever was stored, the window comes up whole on
// one screen: on the screen it was on (or the primary one), no larger than
// that screen's work area, its columns no wider than a third of it.
class LayoutMemory final {
public:
    // The window's size on a first start, before anything is remembered.
    static constexpr int kPreferredWidth = 920;
    static constexpr int kPreferredHeight = 640;

    LayoutMemory() = delete;

    // Before the window is first shown.
    static void restore(QWidget& window, QSplitter& splitter, PopListView& mainList, PopListView& handheldList,
                        const UserSettings& settings);
    // Once it is shown, when the frame the desktop gave it is known: moved
    // or shrunk again if the frame pushed it past the work area.
    static void refit(QWidget& window);
    static UserSettings::WindowLayout capture(const QWidget& window, const QSplitter& splitter,
                                              const PopListView& handheldList);
};

} // namespace tarvo::gui
