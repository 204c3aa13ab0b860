#include "Win32WindowFixture.h"

#include "app/CommandLine.h"
#include "fixtures/WindowWorld.h"

#include <commctrl.h>

namespace tarvo::test {

Win32WindowFixture::Win32WindowFixture()
    : m_ui([this](HWND, const std::wstring& text, const std::wstring& caption, UINT flags) {
          m_boxes.push_back({text, caption, flags});
          if (m_answers.empty())
              return (flags & MB_TYPEMASK) == MB_YESNOCANCEL || (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
          const int answer = m_answers.front();
          m_answers.pop_front();
          return answer;
      })
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    layOutWindowWorld(m_ws);
}

Win32WindowFixture::~Win32WindowFixture()
{
    m_window.reset();
    m_ui.clearWindow();
}

bool Win32WindowFixture::open()
{
    AppEnvironment environment = m_ws.environment();
    // No telephony list: the country names and dialing rules are those of
    // the dialer's tables, as in the Linux window's tests.
    environment.countryListFile = "Z:/nonexistent/country-list.csv";
    environment.countryListNamed = true;
    // The handheld as a PC reaches it: through rapi.dll, here the tests'
    // stand-in beside the test program, over the workspace's handheld.
    environment.deviceFolder.clear();
    environment.remoteApi = true;
    m_app = std::make_unique<SyncApp>(m_ui, SyncApp::Kind::Window, std::move(environment));
    if (m_app->startup(parseCommandLine("")) != SyncApp::Startup::Ready)
        return false;
    m_window = std::make_unique<win32::SelectionWindow>(*m_app, m_ui);
    if (!m_window->open())
        return false;
    m_ui.setWindow(m_window->window(), [this](const std::string& status) { m_window->setStatusText(status); });
    // Opening ends with the agreement and the handheld count.
    return pumpUntil([&] { return !text(1187).empty() || m_window->closed(); });
}

std::wstring Win32WindowFixture::text(int id) const
{
    wchar_t buffer[1024] = {};
    ::GetWindowTextW(id == 0 ? m_window->window() : item(id), buffer, 1024);
    return buffer;
}

void Win32WindowFixture::pump(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!m_window || !m_window->translate(message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

bool Win32WindowFixture::pumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        pump(10);
    }
    return true;
}

void Win32WindowFixture::focus(int id)
{
    ::SetFocus(item(id));
    pump();
}

void Win32WindowFixture::type(int id, const std::wstring& typed)
{
    focus(id);
    for (wchar_t c : typed)
        ::SendMessageW(item(id), WM_CHAR, c, 1);
    pump();
}

void Win32WindowFixture::key(int id, UINT virtualKey)
{
    focus(id);
    ::PostMessageW(item(id), WM_KEYDOWN, virtualKey, 1);
    ::PostMessageW(item(id), WM_KEYUP, virtualKey, 0xC0000001);
    pump(100);
}

void Win32WindowFixture::click(int id)
{
    ::SendMessageW(item(id), BM_CLICK, 0, 0);
    pump();
}

std::vector<std::wstring> Win32WindowFixture::rows(int listId) const
{
    std::vector<std::wstring> texts;
    HWND list = item(listId);
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) {
        wchar_t city[128] = {};
        wchar_t number[128] = {};
        ListView_GetItemText(list, row, 0, city, 128);
        ListView_GetItemText(list, row, 1, number, 128);
        texts.push_back(std::wstring(city) + L"|" + number);
    }
    return texts;
}

void Win32WindowFixture::selectRowsWith(int listId, const std::vector<std::wstring>& numbers)
{
    HWND list = item(listId);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    const std::vector<std::wstring> shown = rows(listId);
    for (std::size_t row = 0; row < shown.size(); ++row)
        for (const std::wstring& number : numbers)
            if (shown[row].find(number) != std::wstring::npos)
                ListView_SetItemState(list, static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
    pump();
}

} // namespace tarvo::test
