#include "gui/PopListView.h"

#include "gui/PopListModel.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace tarvo::gui {

PopListView::PopListView(PopListModel* model, const QString& accessibleName, QWidget* parent) : QTreeView(parent)
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
    setMinimumHeight(fontMetrics().lineSpacing() * 16);
}

void PopListView::setStoredWidths(const std::array<int, 4>& stored)
{
    QHeaderView* columns = header();
    int total = 0;
    for (int column : {PopListModel::kCityColumn, PopListModel::kNumberColumn}) {
        // A width too small to grab stays usable.
        const int shown = std::max(static_cast<int>(std::lround(stored[static_cast<std::size_t>(column)] * m_scale)),
                                   columns->minimumSectionSize());
        columns->resizeSection(column, shown);
        total += shown;
    }
    setMinimumWidth(total + frameWidth() * 2 + verticalScrollBar()->sizeHint().width());
}

std::array<int, 2> PopListView::storedWidths() const
{
    const QHeaderView* columns = header();
    return {static_cast<int>(std::lround(columns->sectionSize(PopListModel::kCityColumn) / m_scale)),
            static_cast<int>(std::lround(columns->sectionSize(PopListModel::kNumberColumn) / m_scale))};
}

} // namespace tarvo::gui
