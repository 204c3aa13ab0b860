#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvo::win32 {

// A drop-down list of the selection window (Country, State, City) that
// can be typed into as Windows people expect: the letters typed in a row
// choose the entry they stand for (ChoiceSearch: equal, else beginning,
// else containing, ignoring case), Backspace takes the last letter back,
// and Delete empties the box (no choice: every entry of that level). A
// pause in the typing starts anew.
//
// The box only shows the choice; the window applies it when the person
// has settled (`typed` tells it a choice is waiting): after the pause,
// when the focus moves on (Tab, a mnemonic, a click elsewhere), when the
// open list closes, or on Enter, which then belongs to the box and not to
// the window's default button.
class ChoiceBox final {
public:
    // How long a pause in typing may be before the next letter starts anew.
    static constexpr UINT kTypingPauseMs = 1000;

    ChoiceBox(HWND combo, std::function<void()> typed, std::function<void()> enter);
    ChoiceBox(const ChoiceBox&) = delete;
    ChoiceBox& operator=(const ChoiceBox&) = delete;
    ~ChoiceBox();

    HWND handle() const { return m_combo; }
    // Entries anew (ANSI texts), none chosen; room made for `entries` first.
    void setEntries(const std::vector<std::string>& texts, int reserveEntries, int reserveBytes);
    int current() const;
    void setCurrent(int row);
    // A choice is waiting to be applied.
    void setPending(bool pending) { m_pending = pending; }
    bool pending() const { return m_pending; }

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void typedText();

    HWND m_combo;
    std::function<void()> m_typed;
    std::function<void()> m_enter;
    std::vector<std::u16string> m_entries;
    std::u16string m_search;
    DWORD m_lastKey = 0;
    bool m_pending = false;
};

} // namespace tarvo::win32
