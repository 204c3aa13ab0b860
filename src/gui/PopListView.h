#pragma once

#include <QTreeView>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

namespace tarvo::gui {

class PopListModel;

// A report list of the selection window: full rows, several selectable,
// two columns sorted only by the window's own rule (a header click asks,
// the view never sorts by itself). A double click, Ctrl+Enter or Insert on
// rows asks for them to move to the other list, Delete for them to leave
// the handheld; Enter alone goes on to the window's default button.
//
// Column widths are kept in "synuser.ini" in pixels of the desktop's classic
// dialog font, whose digits are five pixels wide; the view scales them to
// its own font, so a stored width shows the same text here as there and
// reads back unchanged.
class PopListView final : public QTreeView {
    Q_OBJECT

public:
    static constexpr double kClassicDigitWidth = 5.0;

    PopListView(PopListModel* model, const QString& accessibleName, QWidget* parent = nullptr);

    // Widths as stored: `stored[0]` and `stored[1]` size the two columns,
    // each shown no wider than `widest` pixels (a column once dragged past
    // the screen's edge comes back where both can be seen).
    void setStoredWidths(const std::array<int, 4>& stored, int widest);
    // The two columns' widths in stored units.
    std::array<int, 2> storedWidths() const;

    // The selected rows, ascending.
    std::vector<std::size_t> selectedRows() const;
    // Runs a change of the rows behind the view (the selection model's
    // moves and sorts); the POPs that were selected stay selected wherever
    // they are afterwards.
    void changeRows(const std::function<void()>& change);

signals:
    // Double click, Ctrl+Enter or Insert on the selected rows.
    void moveRequested();
    // Delete on the selected rows.
    void removeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    PopListModel* m_model;
    double m_scale = 1.0;
};

} // namespace tarvo::gui
