#include "win32/ChoiceBox.h"

#include "app/ChoiceSearch.h"
#include "support/WideText.h"

#include <commctrl.h>

namespace tarvo::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 2;

} // namespace

ChoiceBox::ChoiceBox(HWND combo, std::function<void()> typed, std::function<void()> enter)
    : m_combo(combo), m_typed(std::move(typed)), m_enter(std::move(enter))
{
    ::SetWindowSubclass(m_combo, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

ChoiceBox::~ChoiceBox()
{
    ::RemoveWindowSubclass(m_combo, subclassProc, kSubclassId);
}

void ChoiceBox::setEntries(const std::vector<std::string>& texts, int reserveEntries, int reserveBytes)
{
    ::SendMessageW(m_combo, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(m_combo, CB_RESETCONTENT, 0, 0);
    // The city box can hold thousands of entries: room for them at once.
    const auto count = static_cast<WPARAM>(std::max<std::size_t>(texts.size(), static_cast<std::size_t>(reserveEntries)));
    ::SendMessageW(m_combo, CB_INITSTORAGE, count, reserveBytes);
    m_entries.clear();
    m_entries.reserve(texts.size());
    for (const std::string& text : texts) {
        const std::wstring wide = ansiToWide(text);
        ::SendMessageW(m_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        m_entries.emplace_back(wide.begin(), wide.end());
    }
    ::SendMessageW(m_combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SendMessageW(m_combo, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_combo, nullptr, TRUE);
    m_search.clear();
    m_pending = false;
}

int ChoiceBox::current() const
{
    return static_cast<int>(::SendMessageW(m_combo, CB_GETCURSEL, 0, 0));
}

void ChoiceBox::setCurrent(int row)
{
    ::SendMessageW(m_combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void ChoiceBox::typedText()
{
    const int row = m_search.empty() ? -1 : ChoiceSearch::find(m_entries, m_search);
    // Letters that match nothing are not taken: the choice stays.
    if (row < 0 && !m_search.empty()) {
        m_search.pop_back();
        ::MessageBeep(MB_OK);
        return;
    }
    if (row != current()) {
        setCurrent(row);
        m_pending = true;
    }
    m_typed();
}

LRESULT CALLBACK ChoiceBox::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data)
{
    (void)window;
    return reinterpret_cast<ChoiceBox*>(data)->handle(message, wParam, lParam);
}

LRESULT ChoiceBox::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        // Enter on a choice still waiting is the box's.
        if (lParam && m_pending) {
            const MSG& key = *reinterpret_cast<const MSG*>(lParam);
            if (key.message == WM_KEYDOWN && key.wParam == VK_RETURN)
                return DLGC_WANTMESSAGE | ::DefSubclassProc(m_combo, message, wParam, lParam);
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN && m_pending && !::SendMessageW(m_combo, CB_GETDROPPEDSTATE, 0, 0)) {
            m_search.clear();
            m_enter();
            return 0;
        }
        if (wParam == VK_DELETE) {
            m_search.clear();
            if (current() >= 0) {
                setCurrent(-1);
                m_pending = true;
            }
            m_typed();
            return 0;
        }
        break;
    case WM_CHAR: {
        // Control characters (Enter, Escape, Tab) are the box's usual ones.
        if (wParam < 0x20 && wParam != VK_BACK)
            break;
        const DWORD now = ::GetTickCount();
        if (now - m_lastKey > kTypingPauseMs)
            m_search.clear();
        m_lastKey = now;
        if (wParam == VK_BACK) {
            if (m_search.empty()) {
                // Nothing typed to take back: the box empties, as Delete.
                return handle(WM_KEYDOWN, VK_DELETE, 0);
            }
            m_search.pop_back();
        } else {
            m_search += static_cast<char16_t>(wParam);
        }
        typedText();
        return 0;
    }
    case WM_KILLFOCUS:
        m_search.clear();
        break;
    default:
        break;
    }
    return ::DefSubclassProc(m_combo, message, wParam, lParam);
}

} // namespace tarvo::win32
