#pragma once

#include "app/PopSort.h"
#include "app/SelectionModel.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

namespace tarvo::win32 {

// One of the selection window's two lists: a report-style list view in
// virtual mode, whose rows are the selection model's rows and whose texts
// are made from their records only when the list paints them, so a list of
// a million POPs costs nothing until it is shown. Several rows can be
// selected; the Main list marks the POPs that are on the handheld and shows
// customer POPs in italics. A double click, Ctrl+Enter or Insert asks for
// the selected rows to move to the other list, Delete for them to leave the
// handheld; Enter alone is the window's (its default button).
//
// Column widths are stored as pixels at 100 % ("ColWidth" in
// "synuser.ini") and shown at the window's density.
class PopListControl final {
public:
    enum class Event { None, Move, Remove, SelectionChanged, ColumnClicked };
    struct Notice {
        Event event = Event::None;
        int column = -1;
    };

    PopListControl(HWND list, const SelectionModel& selection, SelectionModel::List which);
    PopListControl(const PopListControl&) = delete;
    PopListControl& operator=(const PopListControl&) = delete;
    ~PopListControl();

    HWND handle() const { return m_list; }

    // The columns "City" and "Number" at the stored widths (each no wider
    // than `widest` pixels), the mark and the fonts at the list's density.
    void setUp(const std::array<int, 4>& stored, int widest);
    // After the density changed: everything drawn anew at the new one.
    void densityChanged(UINT oldDpi, UINT newDpi);
    std::array<int, 2> storedWidths() const;

    // The rows as the model has them now; no row selected.
    void showRows();
    // Runs a change of the rows behind the list (moves, sorts); the POPs
    // that were selected stay selected wherever they are afterwards.
    void changeRows(const std::function<void()>& change);
    // The selected rows, ascending.
    std::vector<std::size_t> selectedRows() const;
    int selectedCount() const;
    void selectAll();
    // The first row gets the focus mark when the list has rows and none is
    // selected, so the keyboard starts there.
    void markFirstRow();
    void scrollTo(std::size_t row);
    void showSort(const PopSort& sort);
    // Repaints only, the rows unchanged (the on-handheld marks changed).
    void repaint();
    void setRedraw(bool redraw);

    // A WM_NOTIFY from this list: what it asks the window to do.
    Notice notify(const NMHDR& header, LRESULT& result);

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void makeFonts();
    const PopRecord* pop(int row) const;
    void fillItem(LVITEMW& item) const;
    LRESULT customDraw(NMLVCUSTOMDRAW& draw) const;
    bool hasSelection() const { return selectedCount() > 0; }

    HWND m_list;
    const SelectionModel& m_selection;
    SelectionModel::List m_which;
    HIMAGELIST m_marks = nullptr;
    HFONT m_italic = nullptr;
    UINT m_dpi = 96;
};

} // namespace tarvo::win32
