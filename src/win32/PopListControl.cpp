#include "win32/PopListControl.h"

#include "app/PopCellText.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/PopRecord.h"
#include "win32/DialogProc.h"
#include "win32/Resources.h"
#include "win32/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <unordered_set>

namespace tarvo::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

} // namespace

PopListControl::PopListControl(HWND list, const SelectionModel& selection, SelectionModel::List which)
    : m_list(list), m_selection(selection), m_which(which)
{
    ::SetWindowSubclass(m_list, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

PopListControl::~PopListControl()
{
    ::RemoveWindowSubclass(m_list, subclassProc, kSubclassId);
    if (m_marks)
        ImageList_Destroy(m_marks);
    if (m_italic)
        ::DeleteObject(m_italic);
}

LRESULT CALLBACK PopListControl::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR)
{
    // Ctrl+Enter is the list's own (a move); Enter alone goes on to the
    // dialog, which presses its default button.
    if (message == WM_GETDLGCODE && lParam) {
        const MSG& key = *reinterpret_cast<const MSG*>(lParam);
        if (key.message == WM_KEYDOWN && key.wParam == VK_RETURN && ::GetKeyState(VK_CONTROL) < 0)
            return DLGC_WANTMESSAGE | ::DefSubclassProc(window, message, wParam, lParam);
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

void PopListControl::setUp(const std::array<int, 4>& stored, int widest)
{
    m_dpi = Resources::dpi(m_list);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    const std::array<UINT, 2> titles = {IDS_CITY, IDS_NUMBER};
    for (int column = 0; column < 2; ++column) {
        std::wstring title = Resources::string(titles[static_cast<std::size_t>(column)]);
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.pszText = title.data();
        info.iSubItem = column;
        // A width too small to grab stays usable.
        info.cx = std::clamp(Resources::scaled(stored[static_cast<std::size_t>(column)], m_dpi),
                             Resources::scaled(20, m_dpi), std::max(Resources::scaled(20, m_dpi), widest));
        ListView_InsertColumn(m_list, column, &info);
    }
    makeFonts();
}

void PopListControl::makeFonts()
{
    if (m_italic)
        ::DeleteObject(m_italic);
    m_italic = nullptr;
    LOGFONTW font{};
    if (::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(m_list, WM_GETFONT, 0, 0)), sizeof font, &font)) {
        font.lfItalic = TRUE;
        m_italic = ::CreateFontIndirectW(&font);
    }
    if (m_which != SelectionModel::List::Main)
        return;
    if (m_marks)
        ImageList_Destroy(m_marks);
    const int side = ::GetSystemMetricsForDpi(SM_CXSMICON, m_dpi);
    m_marks = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (HICON mark = static_cast<HICON>(
            ::LoadImageW(resourceModule(), MAKEINTRESOURCEW(IDI_ONHANDHELD), IMAGE_ICON, side, side, 0))) {
        ImageList_AddIcon(m_marks, mark);
        ::DestroyIcon(mark);
    }
    ListView_SetImageList(m_list, m_marks, LVSIL_SMALL);
}

void PopListControl::densityChanged(UINT oldDpi, UINT newDpi)
{
    m_dpi = newDpi;
    for (int column = 0; column < 2; ++column)
        ListView_SetColumnWidth(m_list, column,
                                ::MulDiv(ListView_GetColumnWidth(m_list, column), static_cast<int>(newDpi),
                                         static_cast<int>(oldDpi)));
    makeFonts();
}

std::array<int, 2> PopListControl::storedWidths() const
{
    return {::MulDiv(ListView_GetColumnWidth(m_list, 0), 96, static_cast<int>(m_dpi)),
            ::MulDiv(ListView_GetColumnWidth(m_list, 1), 96, static_cast<int>(m_dpi))};
}

const PopRecord* PopListControl::pop(int row) const
{
    const std::vector<PopRecord*>& rows = m_selection.rows(m_which);
    return row >= 0 && static_cast<std::size_t>(row) < rows.size() ? rows[static_cast<std::size_t>(row)] : nullptr;
}

void PopListControl::showRows()
{
    // No row selected and none focused: through an empty list, which drops
    // them in one step where a "deselect all" would visit every row.
    ListView_SetItemCountEx(m_list, 0, 0);
    ListView_SetItemCountEx(m_list, static_cast<int>(m_selection.rows(m_which).size()), 0);
    ::InvalidateRect(m_list, nullptr, TRUE);
}

std::vector<std::size_t> PopListControl::selectedRows() const
{
    std::vector<std::size_t> rows;
    rows.reserve(static_cast<std::size_t>(selectedCount()));
    for (int row = ListView_GetNextItem(m_list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_list, row, LVNI_SELECTED))
        rows.push_back(static_cast<std::size_t>(row));
    return rows;
}

int PopListControl::selectedCount() const
{
    return static_cast<int>(ListView_GetSelectedCount(m_list));
}

void PopListControl::changeRows(const std::function<void()>& change)
{
    const std::size_t before = m_selection.rows(m_which).size();
    const std::vector<std::size_t> rows = selectedRows();
    const bool all = !rows.empty() && rows.size() == before;
    std::unordered_set<const PopRecord*> selected;
    if (!all)
        for (std::size_t row : rows)
            selected.insert(m_selection.rows(m_which)[row]);

    change();

    const std::vector<PopRecord*>& after = m_selection.rows(m_which);
    if (all && after.size() == before) {
        // Every row stays selected (a sort of a list selected whole).
        ::InvalidateRect(m_list, nullptr, TRUE);
        return;
    }
    // The rows selected before are let go one by one: a "deselect all"
    // would visit every row of a list of a million.
    if (all)
        ListView_SetItemCountEx(m_list, 0, 0);
    for (std::size_t row : rows)
        if (!all && row < before)
            ListView_SetItemState(m_list, static_cast<int>(row), 0, LVIS_SELECTED);
    ListView_SetItemCountEx(m_list, static_cast<int>(after.size()), LVSICF_NOSCROLL);
    if (!selected.empty())
        for (std::size_t row = 0; row < after.size(); ++row)
            if (selected.count(after[row]))
                ListView_SetItemState(m_list, static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
    ::InvalidateRect(m_list, nullptr, TRUE);
}

void PopListControl::selectAll()
{
    ListView_SetItemState(m_list, -1, LVIS_SELECTED, LVIS_SELECTED);
}

void PopListControl::markFirstRow()
{
    if (!m_selection.rows(m_which).empty() && !hasSelection())
        ListView_SetItemState(m_list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void PopListControl::scrollTo(std::size_t row)
{
    ListView_EnsureVisible(m_list, static_cast<int>(row), FALSE);
}

void PopListControl::showSort(const PopSort& sort)
{
    HWND header = ListView_GetHeader(m_list);
    for (int column = 0; column < 2; ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, column, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == static_cast<int>(sort.column))
            item.fmt |= sort.direction == SortDirection::Ascending ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, column, &item);
    }
}

void PopListControl::repaint()
{
    ::InvalidateRect(m_list, nullptr, FALSE);
}

void PopListControl::setRedraw(bool redraw)
{
    ::SendMessageW(m_list, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    if (redraw)
        ::RedrawWindow(m_list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void PopListControl::fillItem(LVITEMW& item) const
{
    const PopRecord* record = pop(item.iItem);
    if (!record)
        return;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        PopCellText::Buffer text;
        const std::size_t size = PopCellText::write(*record, static_cast<SortColumn>(item.iSubItem), true, text);
        const int written = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(size), item.pszText,
                                                  item.cchTextMax - 1);
        item.pszText[std::max(0, written)] = L'\0';
    }
    if (item.mask & LVIF_IMAGE)
        item.iImage = m_which == SelectionModel::List::Main && item.iSubItem == 0 && m_selection.onHandheld(*record)
                          ? 0
                          : I_IMAGENONE;
}

LRESULT PopListControl::customDraw(NMLVCUSTOMDRAW& draw) const
{
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && m_which == SelectionModel::List::Main && m_italic) {
        // Customer POPs never go to the handheld: the person sees so
        // before trying.
        const PopRecord* record = pop(static_cast<int>(draw.nmcd.dwItemSpec));
        if (record && !HandheldSet::mayHold(*record)) {
            ::SelectObject(draw.nmcd.hdc, m_italic);
            return CDRF_NEWFONT;
        }
    }
    return CDRF_DODEFAULT;
}

PopListControl::Notice PopListControl::notify(const NMHDR& header, LRESULT& result)
{
    result = 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        fillItem(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header))->item);
        return {};
    case NM_CUSTOMDRAW:
        result = customDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
        return {};
    case LVN_COLUMNCLICK:
        return {Event::ColumnClicked, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem};
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
            return {Event::SelectionChanged};
        return {};
    }
    case LVN_ODSTATECHANGED:
        return {Event::SelectionChanged};
    case NM_DBLCLK:
        if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0 && hasSelection())
            return {Event::Move};
        return {};
    case NM_RETURN:
        if (::GetKeyState(VK_CONTROL) < 0 && hasSelection())
            return {Event::Move};
        return {};
    case LVN_KEYDOWN: {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        const bool plain = ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0 && ::GetKeyState(VK_SHIFT) >= 0;
        if (key.wVKey == VK_INSERT && plain && hasSelection())
            return {Event::Move};
        if (key.wVKey == VK_DELETE && hasSelection())
            return {Event::Remove};
        return {};
    }
    default:
        return {};
    }
}

} // namespace tarvo::win32
