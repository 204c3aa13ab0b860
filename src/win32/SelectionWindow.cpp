#include "win32/SelectionWindow.h"

#include "app/Agreement.h"
#include "app/StatusLine.h"
#include "app/SyncApp.h"
#include "app/WindowExit.h"
#include "app/WindowPlacement.h"
#include "app/WorkingFolder.h"
#include "phonebook/MasterPhonebook.h"
#include "support/BusyCursor.h"
#include "support/FileInfo.h"
#include "support/WideText.h"
#include "win32/AboutBox.h"
#include "win32/AgreementDialog.h"
#include "win32/DialogProc.h"
#include "win32/ProgressDialog.h"
#include "win32/Resources.h"
#include "win32/Win32FrontEnd.h"
#include "win32/WindowLayout.h"
#include "win32/resource.h"

#include <commctrl.h>
#include <shellapi.h>

namespace tarvo::win32 {

namespace {

using List = SelectionModel::List;

} // namespace

SelectionWindow::SelectionWindow(SyncApp& app, Win32FrontEnd& frontEnd, UpdateRunner updater)
    : m_app(app),
      m_frontEnd(frontEnd),
      m_updater(std::move(updater)),
      m_selection(app.phonebook(), app.handheld(), app.profile().popSortOrder()),
      m_topLogoFile(WindowImage::fromFile(app.folder().path(WorkingFolder::kTopLogo))),
      m_bottomLogoFile(WindowImage::fromFile(app.folder().path(WorkingFolder::kBottomLogo)))
{
}

SelectionWindow::~SelectionWindow()
{
    m_mainList.reset();
    m_handheldList.reset();
    m_boxes.reset();
    if (m_window && !m_closed)
        ::DestroyWindow(m_window);
    if (m_accelerators)
        ::DestroyAcceleratorTable(m_accelerators);
}

HWND SelectionWindow::open()
{
    m_accelerators = ::LoadAcceleratorsW(resourceModule(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    m_window = ::CreateDialogParamW(resourceModule(), MAKEINTRESOURCEW(IDD_SELECTION), nullptr,
                                    dialogProc<SelectionWindow>, reinterpret_cast<LPARAM>(this));
    if (m_window)
        ::ShowWindow(m_window, m_maximize ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    return m_window;
}

void SelectionWindow::run()
{
    MSG message;
    while (!m_closed && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!translate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

bool SelectionWindow::translate(MSG& message)
{
    if (!m_window || m_closed)
        return false;
    if (m_accelerators && ::TranslateAcceleratorW(m_window, m_accelerators, &message))
        return true;
    return ::IsDialogMessageW(m_window, &message) != FALSE;
}

void SelectionWindow::opening(HWND dialog)
{
    m_window = dialog;
    ::SetWindowTextW(dialog, utf8ToWide(m_app.applicationName()).c_str());
    m_frame = std::make_unique<WindowFrame>(dialog, m_app.folder().path(WorkingFolder::kIconFile));
    m_frame->onDensityChange([this](UINT old, UINT now) {
        m_mainList->densityChanged(old, now);
        m_handheldList->densityChanged(old, now);
    });
    ::EnableMenuItem(::GetMenu(dialog), IDM_UPDATE, m_updater ? MF_ENABLED : MF_GRAYED);

    m_mainList = std::make_unique<PopListControl>(::GetDlgItem(dialog, IDC_MAIN_LIST), m_selection, List::Main);
    m_handheldList = std::make_unique<PopListControl>(::GetDlgItem(dialog, IDC_HANDHELD_LIST), m_selection, List::Handheld);
    m_boxes = std::make_unique<FilterBoxes>(dialog, m_selection, [this] { choiceTyped(); }, [this] { settleAll(); });

    m_selection.setChanged(false);
    setStatus({});
    m_maximize = WindowLayout::restore(dialog, m_app.userSettings(), m_frame->minimumClient());

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int widest = tarvo::WindowPlacement::widestColumn({work.left, work.top, work.right - work.left, work.bottom - work.top});
    const UserSettings& settings = m_app.userSettings();
    m_mainList->setUp(settings.colWidth(), widest);
    std::array<int, 4> handheldWidths = settings.colWidth();
    if (settings.windowLayout().handheldColumns.size() == 2) {
        handheldWidths[0] = settings.windowLayout().handheldColumns[0];
        handheldWidths[1] = settings.windowLayout().handheldColumns[1];
    }
    m_handheldList->setUp(handheldWidths, widest);
    m_mainList->showSort(m_selection.sortOf(List::Main));
    m_handheldList->showSort(m_selection.sortOf(List::Handheld));

    m_boxes->offerCountries();
    m_mainList->showRows();
    m_handheldList->showRows();
    selectionUpdate(true);
    ::SetFocus(m_mainList->handle());
    // The agreement comes up over the window, once it is on the screen.
    ::PostMessageW(dialog, WM_FINISH_OPENING, 0, 0);
}

void SelectionWindow::finishOpening()
{
    const Agreement terms(m_app.folder(), m_app.userSettings().language());
    if (terms.needsShowing() && !AgreementDialog(terms, m_app.applicationName()).run(m_window)) {
        // Closing at once without a word looks like a crash.
        m_frontEnd.messageBox(Agreement::kRejectedMessage, m_app.applicationName(), MessageIcon::Information);
        ::PostMessageW(m_window, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    restoreFilter();
    updateCounter();
}

void SelectionWindow::setStatus(const std::string& text)
{
    ::SetDlgItemTextW(m_window, IDC_STATUS, utf8ToWide(text).c_str());
}

SelectionWindow::ListsFrozen::ListsFrozen(SelectionWindow& window) : m_window(window)
{
    m_window.m_mainList->setRedraw(false);
    m_window.m_handheldList->setRedraw(false);
}

SelectionWindow::ListsFrozen::~ListsFrozen()
{
    m_window.m_mainList->setRedraw(true);
    m_window.m_handheldList->setRedraw(true);
}

void SelectionWindow::choiceTyped()
{
    ::SetTimer(m_window, TIMER_SETTLE_CHOICE, ChoiceBox::kTypingPauseMs, nullptr);
}

void SelectionWindow::settleAll()
{
    ::KillTimer(m_window, TIMER_SETTLE_CHOICE);
    for (ChoiceBox* box : {&m_boxes->country(), &m_boxes->state(), &m_boxes->city()})
        settle(*box);
}

void SelectionWindow::settle(ChoiceBox& box)
{
    const int row = m_boxes->takePending(box);
    if (row == FilterBoxes::kNothingNew)
        return;
    if (&box == &m_boxes->country()) {
        if (row >= 0)
            countryChosen(row);
        else
            countryCleared();
    } else if (&box == &m_boxes->state()) {
        if (row >= 0)
            stateChosen(row);
        else
            stateCleared();
    } else {
        cityChosen(row);
    }
}

PopFilter SelectionWindow::filterFromControls() const
{
    PopFilter filter = m_boxes->chosen();
    filter.areaCode = wideToAnsi(Resources::text(::GetDlgItem(m_window, IDC_AREA_CODE)));
    return filter;
}

void SelectionWindow::rebuild()
{
    const PopFilter filter = filterFromControls();
    m_selection.applyFilter(filter);
    m_mainList->showRows();
    m_handheldList->showRows();
    selectionUpdate(true);
    reportRows();
}

void SelectionWindow::reportRows()
{
    setStatus(StatusLine::shown(static_cast<int>(m_selection.rows(List::Main).size()),
                                static_cast<int>(m_selection.rows(List::Handheld).size())));
}

void SelectionWindow::countryChosen(int row)
{
    const CountryEntry* country = m_boxes->countryAt(row);
    if (!country)
        return;
    {
        BusyCursor busy(m_frontEnd);
        ListsFrozen frozen(*this);
        m_boxes->offerStates(*country);
        m_boxes->applied() = {row, -1, -1};
        rebuild();
        m_boxes->offerCities(*country, nullptr);
        selectionUpdate(true);
    }
    emptyAreaCode();
}

void SelectionWindow::stateChosen(int row)
{
    const RegionEntry* state = m_boxes->stateAt(row);
    const CountryEntry* country = m_boxes->countryAt(m_boxes->applied().country);
    if (!state || !country)
        return;
    BusyCursor busy(m_frontEnd);
    ListsFrozen frozen(*this);
    m_boxes->withdrawCities();
    m_boxes->applied().state = row;
    m_boxes->applied().city = -1;
    rebuild();
    m_boxes->offerCities(*country, state);
    selectionUpdate(true);
}

void SelectionWindow::cityChosen(int row)
{
    m_boxes->applied().city = row;
    rebuild();
}

void SelectionWindow::countryCleared()
{
    BusyCursor busy(m_frontEnd);
    ListsFrozen frozen(*this);
    m_boxes->withdrawStates();
    m_boxes->applied() = {};
    rebuild();
}

void SelectionWindow::stateCleared()
{
    BusyCursor busy(m_frontEnd);
    ListsFrozen frozen(*this);
    if (const CountryEntry* country = m_boxes->countryAt(m_boxes->applied().country))
        m_boxes->offerCities(*country, nullptr);
    else
        m_boxes->withdrawCities();
    m_boxes->applied().state = -1;
    m_boxes->applied().city = -1;
    rebuild();
}

void SelectionWindow::restoreFilter()
{
    BusyCursor busy(m_frontEnd);
    {
        // The boxes are set as the person left them, then the lists are
        // made once, not once per box.
        ListsFrozen frozen(*this);
        m_boxes->show(m_filterMemory.restore(m_selection, m_app.userSettings()));
        rebuild();
    }
    emptyAreaCode();
}

void SelectionWindow::emptyAreaCode()
{
    // Emptied by the window itself: the pending firing must not rebuild.
    m_refreshArmed = false;
    ::SetDlgItemTextW(m_window, IDC_AREA_CODE, L"");
    ::SetTimer(m_window, TIMER_AREA_CODE, kAreaCodeDelayMs, nullptr);
}

void SelectionWindow::areaCodeTimerFired()
{
    ::KillTimer(m_window, TIMER_AREA_CODE);
    if (m_refreshArmed)
        rebuild();
    m_refreshArmed = true;
}

void SelectionWindow::clear()
{
    BusyCursor busy(m_frontEnd);
    m_boxes->clear();
    // The area code goes before the lists are made: no filter is the whole
    // phonebook, shown at once rather than a second later.
    emptyAreaCode();
    ListsFrozen frozen(*this);
    rebuild();
}

void SelectionWindow::moveToHandheld()
{
    BusyCursor busy(m_frontEnd);
    const std::vector<std::size_t> rows = m_mainList->selectedRows();
    if (rows.empty())
        return;
    const std::string& caption = m_app.applicationName();
    SelectionModel::Move move;
    if (!m_selection.limitAllows(static_cast<int>(rows.size()))) {
        move = m_selection.moveToHandheld(rows, m_frontEnd, caption);
    } else {
        m_handheldList->changeRows([&] { move = m_selection.moveToHandheld(rows, m_frontEnd, caption); });
        updateCounter();
        // The Main list marks what is on the handheld.
        m_mainList->repaint();
    }
    setStatus(StatusLine::afterMove(move, static_cast<int>(rows.size()), m_selection.limit()));
}

void SelectionWindow::moveBack()
{
    removeFromHandheld(m_handheldList->selectedRows());
}

void SelectionWindow::removeMainSelection()
{
    const std::vector<std::size_t> handheldRows = m_selection.handheldRowsOf(m_mainList->selectedRows());
    if (handheldRows.empty()) {
        setStatus(StatusLine::removed(0));
        return;
    }
    removeFromHandheld(handheldRows);
}

void SelectionWindow::removeFromHandheld(const std::vector<std::size_t>& handheldRows)
{
    BusyCursor busy(m_frontEnd);
    if (handheldRows.empty())
        return;
    m_handheldList->changeRows([&] { m_selection.moveBack(handheldRows); });
    updateCounter();
    m_mainList->repaint();
    setStatus(StatusLine::removed(static_cast<int>(handheldRows.size())));
}

void SelectionWindow::selectAll()
{
    BusyCursor busy(m_frontEnd);
    m_mainList->selectAll();
    ::SetFocus(m_mainList->handle());
    selectionUpdate(true);
}

void SelectionWindow::sortClicked(List list, int column)
{
    if (column != static_cast<int>(SortColumn::City) && column != static_cast<int>(SortColumn::Number))
        return;
    PopListControl& control = list == List::Main ? *m_mainList : *m_handheldList;
    {
        BusyCursor busy(m_frontEnd);
        control.changeRows([&] { m_selection.sortBy(list, static_cast<SortColumn>(column)); });
    }
    const PopSort& sort = m_selection.sortOf(list);
    control.showSort(sort);
    setStatus(StatusLine::sorted(list == List::Main, sort.column == SortColumn::Number,
                                 sort.direction == SortDirection::Ascending));
    const std::vector<std::size_t> selected = control.selectedRows();
    if (!selected.empty())
        control.scrollTo(selected.front());
}

void SelectionWindow::selectionUpdate(bool focusFix)
{
    // The status line keeps saying what the last action came to; choosing
    // rows is no action of that kind.
    ::EnableWindow(::GetDlgItem(m_window, IDC_STATE), m_boxes->hasStates() || m_boxes->applied().country < 0);
    if (!focusFix)
        return;
    m_mainList->markFirstRow();
    m_handheldList->markFirstRow();
}

void SelectionWindow::updateCounter()
{
    ::SetDlgItemInt(m_window, IDC_COUNTER, static_cast<UINT>(m_selection.handheldCount()), FALSE);
}

bool SelectionWindow::synchronize()
{
    settleAll();
    const SyncApp::Saved saved = m_app.synchronize();
    setStatus(StatusLine::afterSave(saved, m_selection.handheldCount()));
    if (saved.result != SyncProcedure::Result::Done)
        return false;
    m_selection.setChanged(false);
    return true;
}

void SelectionWindow::updatePhonebook()
{
    if (!m_updater)
        return;
    {
        BusyCursor busy(m_frontEnd);
        m_mainList->setRedraw(false);
    }
    ProgressDialog progress(false, false, m_updater);
    progress.run(m_window);
    if (auto poster = progress.releasePoster())
        m_posters.push_back(std::move(poster));
    clear();
    m_mainList->setRedraw(true);
    setStatus(StatusLine::updateEnded(progress.summary()));
}

void SelectionWindow::showAbout()
{
    AboutBox about(m_app.tags(), m_app.dialerHome(), m_bottomLogoFile.empty() ? nullptr : &m_bottomLogoFile);
    about.run(m_window);
}

void SelectionWindow::showHelp()
{
    const std::string& page = m_app.helpFile();
    // Without the page the desktop's "open" fails where no one looks.
    if (!fileInfo(page).isRegular() ||
        reinterpret_cast<INT_PTR>(::ShellExecuteW(m_window, L"open", ansiToWide(page).c_str(), nullptr, nullptr,
                                                  SW_SHOWNORMAL)) <= 32) {
        const std::string text = StatusLine::helpMissing(page);
        setStatus(text);
        m_frontEnd.messageBox(text, m_app.applicationName(), MessageIcon::Information);
    }
}

void SelectionWindow::storeColumnWidths()
{
    const std::array<int, 2> widths = m_mainList->storedWidths();
    // The list has no third or fourth column: they count as width 0.
    m_app.userSettings().storeColumnWidths(m_app.profile().showPrice(), {widths[0], widths[1], 0, 0});
}

void SelectionWindow::storeUserSettings()
{
    storeColumnWidths();
    UserSettings& settings = m_app.userSettings();
    UserSettings::WindowLayout layout = WindowLayout::capture(m_window, settings);
    const std::array<int, 2> handheld = m_handheldList->storedWidths();
    layout.handheldColumns = {handheld[0], handheld[1]};
    settings.setWindowLayout(layout);
    m_filterMemory.remember(settings, m_boxes->chosen());
}

void SelectionWindow::leaveRequested()
{
    if (m_leaving || m_closed)
        return;
    m_leaving = true;
    settleAll();
    storeUserSettings();
    const bool close =
        WindowExit::mayClose(m_app, m_frontEnd, m_selection.changed(), [this] { return synchronize(); });
    m_leaving = false;
    if (close)
        closeWindow();
}

void SelectionWindow::closeWindow()
{
    m_closed = true;
    ::KillTimer(m_window, TIMER_AREA_CODE);
    ::KillTimer(m_window, TIMER_SETTLE_CHOICE);
    ::DestroyWindow(m_window);
}

void SelectionWindow::listNotice(PopListControl& list, const PopListControl::Notice& notice)
{
    const List which = &list == m_mainList.get() ? List::Main : List::Handheld;
    switch (notice.event) {
    case PopListControl::Event::None:
        break;
    case PopListControl::Event::Move:
        if (which == List::Main)
            moveToHandheld();
        else
            moveBack();
        break;
    case PopListControl::Event::Remove:
        if (which == List::Main)
            removeMainSelection();
        else
            moveBack();
        break;
    case PopListControl::Event::SelectionChanged:
        if (which == List::Main)
            selectionUpdate(false);
        break;
    case PopListControl::Event::ColumnClicked:
        sortClicked(which, notice.column);
        break;
    }
}

INT_PTR SelectionWindow::handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto result = [dialog](LRESULT value) {
        ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, value);
        return TRUE;
    };
    LRESULT answer = 0;
    if (m_frame && m_frame->handle(message, wParam, lParam, answer))
        return message == WM_QUERYDRAGICON ? result(answer) : TRUE;
    switch (message) {
    case WM_INITDIALOG:
        opening(dialog);
        return FALSE; // the focus is set: the Main list
    case WM_FINISH_OPENING:
        finishOpening();
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        switch (id) {
        case IDC_COUNTRY:
        case IDC_STATE:
        case IDC_CITY: {
            if (!m_boxes)
                return FALSE;
            ChoiceBox& box = *m_boxes->box(id);
            if (code == CBN_SELCHANGE) {
                box.setPending(true);
                // Stepping through a closed box is settled after a pause,
                // an open one when it closes.
                if (!::SendMessageW(box.handle(), CB_GETDROPPEDSTATE, 0, 0))
                    choiceTyped();
            } else if (code == CBN_CLOSEUP || code == CBN_KILLFOCUS) {
                settle(box);
            }
            return TRUE;
        }
        case IDC_AREA_CODE:
            if (code == EN_CHANGE)
                ::SetTimer(dialog, TIMER_AREA_CODE, kAreaCodeDelayMs, nullptr);
            return TRUE;
        case IDC_CLEAR:
            clear();
            return TRUE;
        case IDC_TO_HANDHELD:
            moveToHandheld();
            return TRUE;
        case IDC_BACK:
            moveBack();
            return TRUE;
        case IDC_SELECT_ALL:
            selectAll();
            return TRUE;
        case IDC_SAVE:
            (void)synchronize();
            return TRUE;
        case IDCANCEL:
            leaveRequested();
            return TRUE;
        case IDM_UPDATE:
            updatePhonebook();
            return TRUE;
        case IDM_HELP_CONTENTS:
            showHelp();
            return TRUE;
        case IDM_HELP_ABOUT:
            showAbout();
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        PopListControl* list = header.idFrom == IDC_MAIN_LIST       ? m_mainList.get()
                               : header.idFrom == IDC_HANDHELD_LIST ? m_handheldList.get()
                                                                    : nullptr;
        if (!list)
            return FALSE;
        const PopListControl::Notice notice = list->notify(header, answer);
        listNotice(*list, notice);
        return result(answer);
    }
    case WM_TIMER:
        if (wParam == TIMER_AREA_CODE)
            areaCodeTimerFired();
        else if (wParam == TIMER_SETTLE_CHOICE)
            settleAll();
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_SYSTEM_ABOUT) {
            showAbout();
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        leaveRequested();
        return TRUE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID == IDC_TOP_LOGO)
            (m_topLogoFile.empty() ? m_topLogo : m_topLogoFile).draw(item);
        else if (item.CtlID == IDC_BOTTOM_LOGO)
            (m_bottomLogoFile.empty() ? m_bottomLogo : m_bottomLogoFile).draw(item);
        else
            return FALSE;
        return TRUE;
    }
    case WM_SETCURSOR:
        if (m_frontEnd.busy()) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            return result(TRUE);
        }
        return FALSE;
    case WM_QUERYENDSESSION:
        return result(TRUE);
    case WM_ENDSESSION:
        // The session really ends: what the person set is kept.
        if (wParam) {
            storeUserSettings();
            m_app.shutdown();
        }
        return result(0);
    default:
        return FALSE;
    }
}

} // namespace tarvo::win32
