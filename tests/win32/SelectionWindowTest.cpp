#include "Win32WindowFixture.h"

#include "app/WindowExit.h"
#include "fixtures/WindowWorld.h"
#include "win32/resource.h"

#include <commctrl.h>

using namespace tarvo;
using tarvo::test::Win32WindowFixture;

namespace {

class Win32SelectionWindowTest : public Win32WindowFixture {
protected:
    std::wstring menuText(HMENU menu, UINT id, bool byPosition = false)
    {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, id, text, 128, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
        return text;
    }
    RECT clientRect(int id)
    {
        RECT rect{};
        ::GetWindowRect(item(id), &rect);
        ::MapWindowPoints(nullptr, window().window(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
};

} // namespace

TEST_F(Win32SelectionWindowTest, opensWithTheDefinedControlsTextsAndTheWholeBookOnAScreenItFits)
{
    m_ws.writeWork("synuser.ini", "[Main]\r\nWindow=5000,4000,800,600\r\n");
    ASSERT_TRUE(open());
    HWND dialog = window().window();
    EXPECT_EQ(text(0), L"Window Test");
    const std::vector<std::pair<int, std::wstring>> labels = {
        {IDC_COUNTRY_LABEL, L"&Country"}, {IDC_STATE_LABEL, L"&State"}, {IDC_CITY_LABEL, L"Cit&y"},
        {IDC_AREA_CODE_LABEL, L"&Area Code"}, {IDC_CLEAR, L"C&lear"}, {IDC_MAIN_GROUP, L"&Main Phone Book"},
        {IDC_HANDHELD_GROUP, L"Handheld's &Phone Book"}, {IDC_TO_HANDHELD, L"--&>"}, {IDC_BACK, L"&<--"},
        {IDC_SELECT_ALL, L"S&elect All"}, {IDC_COUNTER_LABEL, L"Total selected records:"}, {IDC_SAVE, L"Sa&ve"},
        {IDCANCEL, L"E&xit"}};
    for (const auto& [id, label] : labels)
        EXPECT_EQ(text(id), label) << id;
    EXPECT_EQ(LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDC_SAVE);
    EXPECT_EQ(::GetFocus(), item(IDC_MAIN_LIST)) << "Enter at opening saves";

    for (int list : {IDC_MAIN_LIST, IDC_HANDHELD_LIST}) {
        EXPECT_TRUE(::GetWindowLongW(item(list), GWL_STYLE) & LVS_OWNERDATA);
        wchar_t title[32] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = title;
        column.cchTextMax = 32;
        ASSERT_TRUE(ListView_GetColumn(item(list), 1, &column));
        EXPECT_STREQ(title, L"Number");
    }
    // The lists are filled at start; customer POPs stay off the Handheld list.
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 9U);
    EXPECT_EQ(rows(IDC_MAIN_LIST)[0], L"Anywhere|(800) 5550102");
    EXPECT_TRUE(rows(IDC_HANDHELD_LIST).empty());
    EXPECT_EQ(text(IDC_COUNTER), L"0");
    EXPECT_EQ(text(IDC_STATUS), L"9 POPs shown, 0 of them on the handheld");
    EXPECT_EQ(::SendMessageW(item(IDC_COUNTRY), CB_GETCOUNT, 0, 0), 3);

    HMENU system = ::GetSystemMenu(dialog, FALSE);
    const int last = ::GetMenuItemCount(system) - 1;
    EXPECT_EQ(::GetMenuItemID(system, last), static_cast<UINT>(IDM_SYSTEM_ABOUT));
    EXPECT_EQ(menuText(system, static_cast<UINT>(last), true), L"&About dialer...");
    HMENU options = ::GetSubMenu(::GetMenu(dialog), 1);
    EXPECT_EQ(menuText(::GetMenu(dialog), 1, true), L"&Options");
    EXPECT_EQ(menuText(options, IDCANCEL), L"E&xit");
    EXPECT_EQ(menuText(options, IDM_UPDATE), L"&Update Phonebook");

    // Stored far off the screen: it comes back whole onto it.
    RECT placed{};
    ::GetWindowRect(dialog, &placed);
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_LE(placed.right, monitor.rcWork.right);
    EXPECT_LE(placed.bottom, monitor.rcWork.bottom);
    // Resizable: the lists take the room, Save stays at the right edge.
    EXPECT_TRUE(::GetWindowLongW(dialog, GWL_STYLE) & WS_THICKFRAME);
    RECT client{};
    ::SetWindowPos(dialog, nullptr, 0, 0, 700, 560, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    ::GetClientRect(dialog, &client);
    const LONG exitGap = client.right - clientRect(IDCANCEL).right;
    const RECT listBefore = clientRect(IDC_MAIN_LIST);
    ::SetWindowPos(dialog, nullptr, 0, 0, 900, 760, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(client.right - clientRect(IDCANCEL).right, exitGap);
    EXPECT_EQ(clientRect(IDC_MAIN_LIST).bottom - clientRect(IDC_MAIN_LIST).top, listBefore.bottom - listBefore.top + 200);
    EXPECT_EQ(clientRect(IDC_MAIN_LIST).right - clientRect(IDC_MAIN_LIST).left, listBefore.right - listBefore.left + 100);
}

TEST_F(Win32SelectionWindowTest, theMainJobByKeyboardLeavesWhatTheLinuxWindowsSaveLeaves)
{
    ASSERT_TRUE(open());
    // Typed into the drop-down list and kept when the focus moves on.
    type(IDC_COUNTRY, L"united");
    EXPECT_EQ(text(IDC_COUNTRY), L"United States");
    focus(IDC_MAIN_LIST);
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 7U);
    EXPECT_TRUE(::IsWindowEnabled(item(IDC_STATE)));
    EXPECT_EQ(::SendMessageW(item(IDC_STATE), CB_GETCOUNT, 0, 0), 2);

    selectRowsWith(IDC_MAIN_LIST, {L"5550103", L"5550199"});
    key(IDC_MAIN_LIST, VK_INSERT);
    EXPECT_EQ(rows(IDC_HANDHELD_LIST), (std::vector<std::wstring>{L"Los Angeles|(213) 5550103"}));
    EXPECT_EQ(text(IDC_COUNTER), L"1");
    EXPECT_EQ(text(IDC_STATUS),
              L"Added 1 POP to the handheld list; Save sends them to the handheld; 1 customer POP was left where it is");

    m_ws.writeSimulator("FailCreateFile=cecountry.txt\r\n");
    key(IDC_MAIN_LIST, VK_RETURN);
    ASSERT_EQ(m_boxes.size(), 1U);
    EXPECT_EQ(m_boxes[0].text.substr(0, m_boxes[0].text.find(L'\r')), L"Error occured while synchronizing country file");
    EXPECT_NE(m_boxes[0].text.find(L"The step that failed: copying country.txt"), std::wstring::npos);
    EXPECT_EQ(m_boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(text(IDC_STATUS),
              L"Save failed: Error occured while synchronizing country file. Already on the handheld: cepbook.txt.");
    EXPECT_TRUE(window().selection().changed());

    m_ws.writeSimulator("");
    key(IDC_MAIN_LIST, VK_RETURN);
    ASSERT_EQ(m_boxes.size(), 2U);
    EXPECT_EQ(m_boxes[1].text, L"Synchronization with CE device completed successfully.");
    EXPECT_EQ(m_boxes[1].caption, L"Window Test");
    EXPECT_EQ(m_boxes[1].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(text(IDC_STATUS), L"Saved 1 POP to the handheld");
    EXPECT_EQ(test::savedHandheld(m_ws), test::expectedSave());
}

TEST_F(Win32SelectionWindowTest, areaCodeFollowsASecondAfterTypingHeadersSortAndClearShowsTheWholeBook)
{
    ASSERT_TRUE(open());
    ASSERT_TRUE(pumpUntil([&] { return window().areaRefreshArmed(); }));
    ::SetWindowTextW(item(IDC_AREA_CODE), L"408");
    pump(300);
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 9U) << "not before a second has passed";
    ASSERT_TRUE(pumpUntil([&] { return rows(IDC_MAIN_LIST).size() == 2U; }, 3000));

    // A click on the Number header: the Main list sorts by number.
    HWND header = ListView_GetHeader(item(IDC_MAIN_LIST));
    RECT number{};
    Header_GetItemRect(header, 1, &number);
    const LPARAM at = MAKELPARAM((number.left + number.right) / 2, (number.top + number.bottom) / 2);
    ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(header, WM_LBUTTONUP, 0, at);
    pump();
    EXPECT_EQ(text(IDC_STATUS), L"Main list sorted by number, ascending");
    EXPECT_EQ(rows(IDC_MAIN_LIST), (std::vector<std::wstring>{L"Austin|(408) 5550104", L"San Jose|(408) 5550105"}));

    click(IDC_CLEAR);
    EXPECT_EQ(text(IDC_AREA_CODE), L"");
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 9U) << "at once, not a second later";
}

TEST_F(Win32SelectionWindowTest, exitStartsAStagedInstallerAndAsksTheDefinedQuestionWhereCancelKeepsTheWindow)
{
    m_ws.writeWork("_updatelist.txt", "files\r\n");
    ASSERT_TRUE(open());
    selectRowsWith(IDC_MAIN_LIST, {L"5550101"});
    click(IDC_TO_HANDHELD);
    ASSERT_EQ(text(IDC_COUNTER), L"1");

    m_answers = {IDOK, IDCANCEL};
    click(IDCANCEL);
    ASSERT_EQ(m_boxes.size(), 2U);
    EXPECT_EQ(m_boxes[0].text, L"ERROR: Unable to update Synchronizer (2)") << "no update/setup.exe";
    EXPECT_FALSE(test::Workspace::exists(m_ws.work("_updatelist.txt")));
    EXPECT_EQ(m_boxes[1].text, std::wstring(WindowExit::kChangesQuestion, WindowExit::kChangesQuestion +
                                                                             std::char_traits<char>::length(WindowExit::kChangesQuestion)));
    EXPECT_EQ(m_boxes[1].caption, L"Window Test");
    EXPECT_EQ(m_boxes[1].flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_FALSE(window().closed());
    EXPECT_EQ(text(IDC_COUNTER), L"1") << "the changes stay";

    // Escape is Exit too; No leaves without saving.
    m_answers = {IDNO};
    key(IDC_MAIN_LIST, VK_ESCAPE);
    EXPECT_EQ(m_boxes.size(), 3U);
    EXPECT_TRUE(window().closed());
    EXPECT_FALSE(test::Workspace::exists(m_ws.handheld("cepbook.txt")));
}

TEST_F(Win32SelectionWindowTest, typedLettersChooseEnterSettlesWithoutSavingAndAnEmptiedBoxMeansAll)
{
    ASSERT_TRUE(open());
    type(IDC_COUNTRY, L"unitex");
    EXPECT_EQ(text(IDC_COUNTRY), L"United States") << "a letter that matches nothing is not taken";
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 9U) << "nothing applied while typing";
    key(IDC_COUNTRY, VK_RETURN);
    EXPECT_TRUE(m_boxes.empty()) << "Enter on a typed choice is the box's, not Save";
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 7U);

    type(IDC_STATE, L"tex");
    focus(IDC_CITY); // as Tab or Alt+Y would
    EXPECT_EQ(text(IDC_STATE), L"Texas");
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 5U) << "Texas and the POPs of no region";
    EXPECT_EQ(::SendMessageW(item(IDC_CITY), CB_GETCOUNT, 0, 0), 2);

    // Backspace takes the typed letters back one by one, the last one
    // empties the box; Delete empties it at once.
    type(IDC_CITY, L"dal");
    ::SendMessageW(item(IDC_CITY), WM_CHAR, VK_BACK, 1);
    ::SendMessageW(item(IDC_CITY), WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(text(IDC_CITY), L"Dallas TX");
    ::SendMessageW(item(IDC_CITY), WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(text(IDC_CITY), L"");
    key(IDC_COUNTRY, VK_DELETE);
    EXPECT_EQ(text(IDC_COUNTRY), L"");
    focus(IDC_MAIN_LIST);
    EXPECT_EQ(rows(IDC_MAIN_LIST).size(), 9U) << "an emptied country box stands for every country";
    EXPECT_EQ(::SendMessageW(item(IDC_STATE), CB_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32SelectionWindowTest, doubleClickMovesAndDeleteInEitherListTakesPopsOffTheHandheld)
{
    ASSERT_TRUE(open());
    selectRowsWith(IDC_MAIN_LIST, {L"5550101", L"5550107"});
    NMITEMACTIVATE activate{};
    activate.hdr = {item(IDC_MAIN_LIST), static_cast<UINT_PTR>(IDC_MAIN_LIST), static_cast<UINT>(NM_DBLCLK)};
    activate.iItem = 0;
    ::SendMessageW(window().window(), WM_NOTIFY, IDC_MAIN_LIST, reinterpret_cast<LPARAM>(&activate));
    pump();
    EXPECT_EQ(text(IDC_COUNTER), L"2");

    // Delete in the Main list: its selected rows that are on the handheld leave it.
    selectRowsWith(IDC_MAIN_LIST, {L"5550101", L"5550102"});
    key(IDC_MAIN_LIST, VK_DELETE);
    EXPECT_EQ(rows(IDC_HANDHELD_LIST), (std::vector<std::wstring>{L"Dallas|(214) 5550107"}));
    EXPECT_EQ(text(IDC_STATUS), L"Removed 1 POP from the handheld list; Save takes them off the handheld");
    selectRowsWith(IDC_HANDHELD_LIST, {L"5550107"});
    key(IDC_HANDHELD_LIST, VK_DELETE);
    EXPECT_TRUE(rows(IDC_HANDHELD_LIST).empty());
    EXPECT_EQ(text(IDC_COUNTER), L"0");
    EXPECT_TRUE(window().selection().changed());
}

namespace {

// Answers the next modal dialog of this thread that has a control `id`:
// keeps its texts and presses `button`.
struct DialogAnswer {
    int id;
    int button;
    std::vector<std::wstring> texts;
};
thread_local DialogAnswer* t_answer = nullptr;

void CALLBACK answerDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = ::GetActiveWindow();
    if (!t_answer || !dialog || !::GetDlgItem(dialog, t_answer->id))
        return;
    ::KillTimer(nullptr, timer);
    for (int id : {0, t_answer->id, IDOK, IDCANCEL}) {
        wchar_t text[256] = {};
        ::GetWindowTextW(id ? ::GetDlgItem(dialog, id) : dialog, text, 256);
        t_answer->texts.push_back(text);
    }
    ::PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(t_answer->button), 0);
    t_answer = nullptr;
}

} // namespace

TEST_F(Win32SelectionWindowTest, theAgreementComesUpOverTheWindowAndRejectingItClosesTheWindowWithAWord)
{
    m_ws.writeWork(".eua", "Terms of use\nCaf\xE9");
    DialogAnswer reject{IDC_AGREEMENT_TEXT, IDCANCEL, {}};
    t_answer = &reject;
    ::SetTimer(nullptr, 0, 50, answerDialog);
    ASSERT_TRUE(open());
    ASSERT_TRUE(pumpUntil([&] { return window().closed(); }));
    EXPECT_EQ(reject.texts, (std::vector<std::wstring>{L"Window Test", L"Terms of use\r\nCaf\u00E9", L"Accept", L"Reject"}));
    ASSERT_EQ(m_boxes.size(), 1U);
    EXPECT_EQ(m_boxes[0].text.substr(0, 30), L"The agreement was not accepted");
    EXPECT_FALSE(test::Workspace::exists(m_ws.work("log/.eua")));
}
