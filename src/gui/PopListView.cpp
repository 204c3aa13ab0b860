#include "gui/PopListView.h"

#include "gui/PopListModel.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace tarvo::gui {

PopListView::PopListView(PopListModel* model, const QString& accessibleName, QWidget* parent)
    : QTreeView(parent), m_model(model)
{
    setModel(model);
    setAccessibleName(accessibleName);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // A million rows lay out at once only with one row height.
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    QHeaderView* columns = header();
    columns->setStretchLastSection(false);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(true);
    columns->setSortIndicator(PopListModel::kCityColumn, Qt::AscendingOrder);
    m_scale = std::max(1.0, fontMetrics().horizontalAdvance(QLatin1Char('0')) / kClassicDigitWidth);
    // Small enough for a window on a small or scaled-up screen; the window
    // gives the lists whatever room it has beyond this.
    setMinimumSize(fontMetrics().averageCharWidth() * 22, fontMetrics().lineSpacing() * 5);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit moveRequested();
    });
}

void PopListView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && modifiers == Qt::NoModifier) {
        // Enter alone is the window's: it presses the default button (Save).
        event->ignore();
        return;
    }
    const bool move = (enter && modifiers == Qt::ControlModifier) || (key == Qt::Key_Insert && modifiers == Qt::NoModifier);
    if (move || key == Qt::Key_Delete) {
        if (selectionModel()->hasSelection()) {
            if (move)
                emit moveRequested();
            else
                emit removeRequested();
        }
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void PopListView::setStoredWidths(const std::array<int, 4>& stored, int widest)
{
    QHeaderView* columns = header();
    const int least = columns->minimumSectionSize();
    for (int column : {PopListModel::kCityColumn, PopListModel::kNumberColumn}) {
        // A width too small to grab stays usable.
        const long scaled = std::lround(stored[static_cast<std::size_t>(column)] * m_scale);
        const int shown = static_cast<int>(std::clamp<long>(scaled, least, std::max(least, widest)));
        columns->resizeSection(column, shown);
    }
}

std::array<int, 2> PopListView::storedWidths() const
{
    const QHeaderView* columns = header();
    return {static_cast<int>(std::lround(columns->sectionSize(PopListModel::kCityColumn) / m_scale)),
            static_cast<int>(std::lround(columns->sectionSize(PopListModel::kNumberColumn) / m_scale))};
}

std::vector<std::size_t> PopListView::selectedRows() const
{
    std::vector<std::size_t> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(static_cast<std::size_t>(row));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void PopListView::changeRows(const std::function<void()>& change)
{
    std::unordered_set<const PopRecord*> selected;
    for (std::size_t row : selectedRows())
        selected.insert(m_model->pop(static_cast<int>(row)));

    m_model->beginChange();
    change();
    m_model->endChange();

    if (selected.empty())
        return;
    QItemSelection keep;
    const int rows = m_model->rowCount();
    const int last = m_model->columnCount() - 1;
    for (int row = 0; row < rows;) {
        if (!selected.count(m_model->pop(row))) {
            ++row;
            continue;
        }
        int end = row;
        while (end + 1 < rows && selected.count(m_model->pop(end + 1)))
            ++end;
        keep.select(m_model->index(row, 0), m_model->index(end, last));
        row = end + 1;
    }
    selectionModel()->select(keep, QItemSelectionModel::ClearAndSelect);
}

} // namespace tarvo::gui
