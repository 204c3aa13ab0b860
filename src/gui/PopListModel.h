#pragma once

#include "app/PopCellText.h"
#include "app/SelectionModel.h"

#include <QAbstractTableModel>
#include <QIcon>

namespace tarvo::gui {

// One of the selection window's two lists as the view sees it: rows are the
// selection model's rows, and each text is made from its `PopRecord` only
// when the view asks for it, so a list of a million POPs costs the view no
// copies.
class PopListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kCityColumn = static_cast<int>(SortColumn::City);
    static constexpr int kNumberColumn = static_cast<int>(SortColumn::Number);
    // Roles beside the texts: whether the row's POP is on the handheld,
    // whether it serves every city of its country (such rows sort apart from
    // their city's, so they say so), and whether it is a customer POP (shown
    // in italics in the Main list: it can never go to the handheld, and the
    // person sees so before trying).
    static constexpr int kOnHandheldRole = Qt::UserRole + 1;
    static constexpr int kAllCityRole = Qt::UserRole + 2;
    static constexpr int kCustomerRole = Qt::UserRole + 3;
    static constexpr const char* kOnHandheldNote = PopCellText::kOnHandheldNote;
    static constexpr const char* kCustomerNote = PopCellText::kCustomerNote;

    PopListModel(const SelectionModel& selection, SelectionModel::List list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of a cell: the city, or "(area) number".
    static QString cellText(const PopRecord& pop, int column);

    const PopRecord* pop(int row) const;

    // The selection model changes the rows behind the view's back; the
    // window brackets each change with these.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }

private:
    const SelectionModel& m_selection;
    SelectionModel::List m_list;
    QIcon m_onHandheldMark;
};

} // namespace tarvo::gui
