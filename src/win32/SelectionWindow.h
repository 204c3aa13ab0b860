#pragma once

#include "app/FilterMemory.h"
#include "app/SelectionModel.h"
#include "app/UpdateRunner.h"
#include "win32/FilterBoxes.h"
#include "win32/PopListControl.h"
#include "win32/ProgressPoster.h"
#include "win32/WindowFrame.h"
#include "win32/WindowImages.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace tarvo {
class SyncApp;
}

namespace tarvo::win32 {

class Win32FrontEnd;

// The program's main window (dialog 102): the person narrows the master
// phonebook by country, state, city and area code, moves POPs between the
// Main list and the Handheld list, saves them to the handheld and leaves.
// All list state lives in the selection model and every text the person
// reads comes from the application; the window keeps only the controls.
//
// It can be resized and maximized, the lists taking the room; it opens
// where it was left (on screen, whatever was stored) with the last filter,
// or the whole phonebook, already shown; the status line always says what
// the last action came to.
class SelectionWindow final {
public:
    static constexpr UINT kAreaCodeDelayMs = 1000;

    // `updater` runs phonebook updates; without one the command is off.
    SelectionWindow(SyncApp& app, Win32FrontEnd& frontEnd, UpdateRunner updater = {});
    SelectionWindow(const SelectionWindow&) = delete;
    SelectionWindow& operator=(const SelectionWindow&) = delete;
    ~SelectionWindow();

    // Makes the window and shows it (maximized if it was left so); it
    // finishes opening (the agreement, the lists) from its first messages.
    HWND open();
    // Runs the program's messages until the window has closed.
    void run();
    // What the message loop does before dispatching: the window's keys
    // (accelerators, dialog navigation). True when the message was taken.
    bool translate(MSG& message);

    HWND window() const { return m_window; }
    bool closed() const { return m_closed; }
    const SelectionModel& selection() const { return m_selection; }
    bool areaRefreshArmed() const { return m_refreshArmed; }

    // The status line (UTF-8).
    void setStatusText(const std::string& text) { setStatus(text); }
    // Keeps the Main list's column widths (the defined "ColWidth"), the
    // window's size and place, the Handheld list's widths and the chosen
    // country, state and city in the user settings.
    void storeUserSettings();
    // Runs the synchronization; true when it succeeded.
    bool synchronize();

    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // Both lists stop repainting while they are refilled.
    class ListsFrozen final {
    public:
        explicit ListsFrozen(SelectionWindow& window);
        ListsFrozen(const ListsFrozen&) = delete;
        ListsFrozen& operator=(const ListsFrozen&) = delete;
        ~ListsFrozen();

    private:
        SelectionWindow& m_window;
    };

    void opening(HWND dialog);
    void finishOpening();
    void setStatus(const std::string& text);

    // A choice typed, picked or emptied in a box is applied once the person
    // has settled on it.
    void choiceTyped();
    void settle(ChoiceBox& box);
    void settleAll();
    void countryChosen(int row);
    void stateChosen(int row);
    void cityChosen(int row);
    void countryCleared();
    void stateCleared();
    void restoreFilter();
    void emptyAreaCode();
    void areaCodeTimerFired();
    void clear();
    void rebuild();
    PopFilter filterFromControls() const;
    void reportRows();

    void moveToHandheld();
    void moveBack();
    void removeMainSelection();
    void removeFromHandheld(const std::vector<std::size_t>& handheldRows);
    void selectAll();
    void sortClicked(SelectionModel::List list, int column);
    void selectionUpdate(bool focusFix);
    void updateCounter();
    void listNotice(PopListControl& list, const PopListControl::Notice& notice);

    void updatePhonebook();
    void showAbout();
    void showHelp();
    void storeColumnWidths();
    // Leaving by any way (Exit, Escape, the close box, the menus) asks
    // about unsaved changes first.
    void leaveRequested();
    void closeWindow();

    SyncApp& m_app;
    Win32FrontEnd& m_frontEnd;
    UpdateRunner m_updater;
    SelectionModel m_selection;
    FilterMemory m_filterMemory;

    HWND m_window = nullptr;
    HACCEL m_accelerators = nullptr;
    std::unique_ptr<PopListControl> m_mainList;
    std::unique_ptr<PopListControl> m_handheldList;
    std::unique_ptr<FilterBoxes> m_boxes;
    std::unique_ptr<WindowFrame> m_frame;
    WindowImage m_topLogo{WindowImage::Logo::Top};
    WindowImage m_bottomLogo{WindowImage::Logo::Bottom};
    WindowImage m_topLogoFile;
    WindowImage m_bottomLogoFile;
    // The posters of update runs, kept until the window goes: a run may
    // report until its end, also after its window has closed.
    std::vector<std::unique_ptr<ProgressPoster>> m_posters;

    bool m_refreshArmed = false;
    bool m_maximize = false;
    bool m_leaving = false;
    bool m_closed = false;
};

} // namespace tarvo::win32
